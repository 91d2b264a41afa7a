#include "dialog_labels.h"
#include "gtk_session.h"
#include "message_box_dialog.h"

#define MB_TYPEMASK 0x0000000Fu

typedef struct box_button {
    const char *label;
    int answer;
} box_button;

// The buttons of each supported box type, in screen order; the first one is
// the default. Returns how many were written.
static int box_buttons(UINT type, const dialog_labels *labels, box_button buttons[3])
{
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        buttons[0] = {labels->ok, IDOK};
        return 1;
    case MB_OKCANCEL:
        buttons[0] = {labels->ok, IDOK};
        buttons[1] = {labels->cancel, IDCANCEL};
        return 2;
    case MB_YESNOCANCEL:
        buttons[0] = {labels->yes, IDYES};
        buttons[1] = {labels->no, IDNO};
        buttons[2] = {labels->cancel, IDCANCEL};
        return 3;
    case MB_YESNO:
        buttons[0] = {labels->yes, IDYES};
        buttons[1] = {labels->no, IDNO};
        return 2;
    default:
        return 0;
    }
}

int message_box_dismiss_answer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
        return IDCANCEL;
    default:
        return 0;
    }
}

GtkWidget *new_message_box(LPCSTR text, LPCSTR caption, UINT type)
{
    box_button buttons[3];
    int count = box_buttons(type, user_dialog_labels(), buttons);
    if (count == 0)
        return NULL;

    // GTK labels need valid UTF-8; a stray byte must not blank the whole text.
    gchar *shown_text = g_utf8_make_valid(text != NULL ? text : "", -1);
    gchar *shown_caption = g_utf8_make_valid(caption != NULL ? caption : "", -1);

    GtkWidget *box = gtk_message_dialog_new(NULL, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "%s",
                                            shown_text);
    gtk_window_set_title(GTK_WINDOW(box), shown_caption);
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
    if (message_box_dismiss_answer(type) == 0)
        gtk_window_set_deletable(GTK_WINDOW(box), FALSE);
    g_free(shown_caption);
    g_free(shown_text);

    GtkWidget *first = NULL;
    for (int i = 0; i < count; i++) {
        GtkWidget *button = gtk_dialog_add_button(GTK_DIALOG(box), buttons[i].label, buttons[i].answer);
        if (first == NULL)
            first = button;
    }
    gtk_dialog_set_default_response(GTK_DIALOG(box), buttons[0].answer);
    gtk_widget_grab_focus(first);
    return box;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (!gtk_session_ready())
        return IDCANCEL;
    GtkWidget *box = new_message_box(text, caption, type);
    if (box == NULL)
        return 0;

    int dismissed = message_box_dismiss_answer(type);
    int answer = 0;
    g_object_ref(box);
    while (answer == 0) {
        int response = gtk_dialog_run(GTK_DIALOG(box));
        if (response > 0)
            answer = response;
        else if (response == GTK_RESPONSE_DELETE_EVENT && dismissed == 0)
            continue; // a Yes/No box waits for one of its buttons
        else
            answer = dismissed != 0 ? dismissed : IDNO;
    }
    close_dialog_window(box);
    g_object_unref(box);
    return answer;
}
