#include "gtk_session.h"

#include <gtk/gtk.h>

#include <stdlib.h>

enum session_state { session_untried, session_running, session_unavailable };

static session_state state = session_untried;

// The viewer keeps no settings and writes no file: GTK's settings store
// stays in memory (and so needs no session bus), and the file chooser adds
// nothing to the desktop's recent-files list.
static void keep_gtk_to_itself(void)
{
    setenv("GSETTINGS_BACKEND", "memory", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
}

bool gtk_session_ready(void)
{
    // Without a display gtk_init_check fails quietly; it is not tried again.
    if (state == session_untried) {
        keep_gtk_to_itself();
        state = gtk_init_check(NULL, NULL) ? session_running : session_unavailable;
        if (state == session_running)
            g_object_set(gtk_settings_get_default(), "gtk-recent-files-enabled", FALSE, NULL);
    }
    return state == session_running;
}

void close_dialog_window(void *gtk_widget)
{
    GtkWidget *widget = GTK_WIDGET(gtk_widget);
    gtk_widget_destroy(widget);
    GdkDisplay *display = gdk_display_get_default();
    if (display != NULL)
        gdk_display_sync(display);
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}
