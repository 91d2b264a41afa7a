// GTK on the calling thread, started on first use.
#pragma once

// True once GTK runs on this process's display. The first call opens the
// display; without one it stays false, quietly.
bool gtk_session_ready(void);

// Destroys a dialog and lets GTK handle what is pending, so the window is
// really gone from the screen before the caller goes on.
void close_dialog_window(void *gtk_widget);
