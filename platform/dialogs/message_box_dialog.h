// The message box as a GTK dialog, built but not yet shown.
#pragma once

#include "commdlg.h"

#include <gtk/gtk.h>

// The answer Escape and the close button give for a box type, or 0 when the
// box can only be answered with one of its buttons (Yes/No).
int message_box_dismiss_answer(UINT type);

// A modal dialog without owner or icon; the buttons answer with the IDxxx
// codes as response ids, the first one is the default. Null for a box type
// that is not supported.
GtkWidget *new_message_box(LPCSTR text, LPCSTR caption, UINT type);
