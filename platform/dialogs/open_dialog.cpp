#include "chosen_path.h"
#include "dialog_labels.h"
#include "filter_list.h"
#include "gtk_session.h"
#include "open_dialog.h"

#include <sys/stat.h>

static void add_filters(GtkFileChooser *chooser, const OPENFILENAMEA *request)
{
    std::vector<file_filter_entry> entries = parse_filter_list(request->lpstrFilter);
    // 0 would name the custom filter, which is not offered; take the first.
    DWORD active = request->nFilterIndex;
    if (active == 0 || active > entries.size())
        active = 1;
    for (size_t i = 0; i < entries.size(); i++) {
        GtkFileFilter *filter = gtk_file_filter_new();
        gchar *name = g_utf8_make_valid(entries[i].name.c_str(), -1);
        gtk_file_filter_set_name(filter, name);
        g_free(name);
        for (const std::string &glob : entries[i].globs)
            gtk_file_filter_add_pattern(filter, glob.c_str());
        gtk_file_chooser_add_filter(chooser, filter);
        if (i + 1 == active)
            gtk_file_chooser_set_filter(chooser, filter);
    }
}

static void start_in_folder(GtkFileChooser *chooser, const OPENFILENAMEA *request)
{
    gchar *here = g_get_current_dir();
    const char *wanted = request->lpstrInitialDir;
    gchar *folder = (wanted != NULL && wanted[0] != '\0') ? g_canonicalize_filename(wanted, here) : g_strdup(here);
    gtk_file_chooser_set_current_folder(chooser, folder);
    g_free(folder);
    g_free(here);
}

GtkWidget *new_open_dialog(const OPENFILENAMEA *request)
{
    const dialog_labels *labels = user_dialog_labels();
    gchar *title = g_utf8_make_valid(request->lpstrTitle != NULL ? request->lpstrTitle : "", -1);
    GtkWidget *dialog = gtk_file_chooser_dialog_new(title, NULL, GTK_FILE_CHOOSER_ACTION_OPEN, labels->cancel,
                                                    GTK_RESPONSE_CANCEL, labels->open, GTK_RESPONSE_ACCEPT, NULL);
    g_free(title);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, FALSE);
    add_filters(chooser, request);
    start_in_folder(chooser, request);
    return dialog;
}

bool open_dialog_accepts(const OPENFILENAMEA *request, const char *path)
{
    if (path == NULL)
        return false;
    if (request->Flags & OFN_FILEMUSTEXIST) {
        struct stat info;
        return stat(path, &info) == 0 && S_ISREG(info.st_mode);
    }
    if (request->Flags & OFN_PATHMUSTEXIST) {
        gchar *folder = g_path_get_dirname(path);
        bool exists = g_file_test(folder, G_FILE_TEST_IS_DIR);
        g_free(folder);
        return exists;
    }
    return true;
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request)
{
    if (request == NULL || request->lpstrFile == NULL || request->nMaxFile == 0)
        return FALSE;
    if (!gtk_session_ready())
        return FALSE;

    GtkWidget *dialog = new_open_dialog(request);
    g_object_ref(dialog);
    gchar *chosen = NULL;
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_ACCEPT)
            break; // Cancel, Escape, the close button
        gchar *path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        if (open_dialog_accepts(request, path)) {
            chosen = path;
            break;
        }
        g_free(path);
        gtk_widget_error_bell(dialog); // stay open until an acceptable choice
    }
    close_dialog_window(dialog);
    g_object_unref(dialog);

    bool stored = chosen != NULL && store_chosen_path(request, chosen);
    g_free(chosen);
    return stored ? TRUE : FALSE;
}
