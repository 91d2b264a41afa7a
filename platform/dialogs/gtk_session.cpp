#include "gtk_session.h"

#include <gtk/gtk.h>

enum session_state { session_untried, session_running, session_unavailable };

static session_state state = session_untried;

// GTK warns on stderr while it fails to open a display; nobody asked for a
// dialog that cannot be shown, so those lines are dropped while it tries.
static void drop_log_line(const gchar *, GLogLevelFlags, const gchar *, gpointer)
{
}

bool gtk_session_ready(void)
{
    if (state == session_untried) {
        guint gtk_handler = g_log_set_handler("Gtk", G_LOG_LEVEL_WARNING, drop_log_line, NULL);
        guint gdk_handler = g_log_set_handler("Gdk", G_LOG_LEVEL_WARNING, drop_log_line, NULL);
        state = gtk_init_check(NULL, NULL) ? session_running : session_unavailable;
        g_log_remove_handler("Gdk", gdk_handler);
        g_log_remove_handler("Gtk", gtk_handler);
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
