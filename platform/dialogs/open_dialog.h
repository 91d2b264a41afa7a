// The open-file dialog as a GTK file chooser, built but not yet shown.
#pragma once

#include "commdlg.h"

#include <gtk/gtk.h>

// An open-mode chooser without owner: the request's title, its filters
// (nFilterIndex, 1-based, picks the active one) and its initial folder (the
// current directory when none is given).
GtkWidget *new_open_dialog(const OPENFILENAMEA *request);

// Whether the request accepts this path as the user's choice.
bool open_dialog_accepts(const OPENFILENAMEA *request, const char *path);
