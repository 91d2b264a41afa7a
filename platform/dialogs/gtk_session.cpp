#include "gtk_session.h"

#include <gtk/gtk.h>

enum session_state { session_untried, session_running, session_unavailable };

static session_state state = session_untried;

bool gtk_session_ready(void)
{
    // Without a display gtk_init_check fails quietly; it is not tried again.
    if (state == session_untried)
        state = gtk_init_check(NULL, NULL) ? session_running : session_unavailable;
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
