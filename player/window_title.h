#pragma once

#include "win32.h"

// Formats the window title for frame `frame_no` of `length` into `cbuf`
// (`size` bytes). A title that does not fit keeps its frame part and the
// end of the path, cut at a character boundary behind a leading "...".
void format_window_title(char *cbuf, int size, const char *path, DWORD frame_no, DWORD length);
