// Handing the chosen file back through the request record.
#pragma once

#include "commdlg.h"

// Copies path into lpstrFile when it fits nMaxFile with its terminator and
// sets nFileOffset / nFileExtension; copies its last component into
// lpstrFileTitle (when given), cut to nMaxFileTitle bytes with the
// terminator and never inside a UTF-8 character. False, with the record
// untouched, when the path does not fit.
bool store_chosen_path(OPENFILENAMEA *request, const char *path);
