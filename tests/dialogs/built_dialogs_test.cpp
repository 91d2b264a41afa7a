// The dialogs as GTK builds them, looked at before they are shown.
#include "dialog_labels.h"
#include "gtk_session.h"
#include "message_box_dialog.h"
#include "open_dialog.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

static void set_language(const char *lang)
{
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", lang, 1);
}

typedef struct labels_case {
    const char *lc_all;
    const char *lc_messages;
    const char *lang;
    const char *yes;
} labels_case;

TEST(DialogLabels, LanguageFromTheLocaleVariables)
{
    const labels_case cases[] = {
        {NULL, NULL, "ja_JP.UTF-8", "はい(_Y)"},
        {NULL, NULL, "ja", "はい(_Y)"},
        {NULL, NULL, "en_US.UTF-8", "_Yes"},
        {NULL, NULL, "java", "_Yes"},
        {NULL, NULL, NULL, "_Yes"},
        {"C", NULL, "ja_JP.UTF-8", "_Yes"},       // LC_ALL first
        {"", "ja_JP.UTF-8", "C", "はい(_Y)"},     // an empty one does not count
        {NULL, "de_DE.UTF-8", "ja_JP", "_Yes"},   // LC_MESSAGES before LANG
    };
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const labels_case &c : cases) {
        const char *values[] = {c.lc_all, c.lc_messages, c.lang};
        for (int i = 0; i < 3; i++) {
            if (values[i] != NULL)
                setenv(names[i], values[i], 1);
            else
                unsetenv(names[i]);
        }
        EXPECT_STREQ(user_dialog_labels()->yes, c.yes)
            << (c.lc_all ? c.lc_all : "-") << " " << (c.lc_messages ? c.lc_messages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

class BuiltDialog : public testing::Test {
  protected:
    void SetUp() override
    {
        if (getenv("DISPLAY") == NULL || !gtk_session_ready())
            GTEST_SKIP() << "no X display";
    }
};

typedef struct box_layout_case {
    const char *lang;
    UINT type;
    std::vector<std::pair<std::string, int>> buttons; // label, answer, in screen order
    bool closable;
} box_layout_case;

static std::vector<std::pair<std::string, int>> buttons_of(GtkWidget *box, GtkWidget *any_button)
{
    std::vector<std::pair<std::string, int>> found;
    GList *children = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(any_button)));
    for (GList *at = children; at != NULL; at = at->next) {
        GtkWidget *button = GTK_WIDGET(at->data);
        found.emplace_back(gtk_button_get_label(GTK_BUTTON(button)),
                           gtk_dialog_get_response_for_widget(GTK_DIALOG(box), button));
    }
    g_list_free(children);
    return found;
}

TEST_F(BuiltDialog, MessageBoxButtonsInTheUsersLanguage)
{
    const box_layout_case cases[] = {
        {"C.UTF-8", MB_YESNOCANCEL, {{"_Yes", IDYES}, {"_No", IDNO}, {"_Cancel", IDCANCEL}}, true},
        {"ja_JP.UTF-8", MB_YESNOCANCEL, {{"はい(_Y)", IDYES}, {"いいえ(_N)", IDNO}, {"キャンセル", IDCANCEL}}, true},
        {"C.UTF-8", MB_OK, {{"_OK", IDOK}}, true},
        {"C.UTF-8", MB_OKCANCEL, {{"_OK", IDOK}, {"_Cancel", IDCANCEL}}, true},
        {"C.UTF-8", MB_YESNO, {{"_Yes", IDYES}, {"_No", IDNO}}, false},
    };
    for (const box_layout_case &c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " type " + std::to_string(c.type));
        set_language(c.lang);
        GtkWidget *box = new_message_box("次のフレーム-はい 前のフレーム-いいえ 連続表示-キャンセル", "...", c.type);
        ASSERT_NE(box, nullptr);
        GtkWidget *first = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), c.buttons[0].second);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(buttons_of(box, first), c.buttons);
        EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(first)));
        EXPECT_EQ(gtk_window_get_default_widget(GTK_WINDOW(box)), first);
        EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(box)), first);
        EXPECT_EQ(gtk_window_get_deletable(GTK_WINDOW(box)), c.closable);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(box)), "...");
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(box)), nullptr);

        gchar *text = NULL;
        GtkMessageType icon = GTK_MESSAGE_INFO;
        g_object_get(box, "text", &text, "message-type", &icon, NULL);
        EXPECT_STREQ(text, "次のフレーム-はい 前のフレーム-いいえ 連続表示-キャンセル");
        EXPECT_EQ(icon, GTK_MESSAGE_OTHER);
        g_free(text);
        close_dialog_window(box);
    }
    EXPECT_EQ(new_message_box("text", "caption", 2u /* abort/retry/ignore */), nullptr);
}

static bool filter_shows(GtkFileFilter *filter, const char *name)
{
    GtkFileFilterInfo info;
    memset(&info, 0, sizeof(info));
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return gtk_file_filter_filter(filter, &info);
}

// The chooser changes folder asynchronously; let it settle (a hang guard,
// not a time limit on the answer).
static std::string current_folder_once_set(GtkFileChooser *chooser)
{
    gint64 give_up = g_get_monotonic_time() + 20 * G_TIME_SPAN_SECOND;
    for (;;) {
        gchar *folder = gtk_file_chooser_get_current_folder(chooser);
        if (folder != NULL) {
            std::string found = folder;
            g_free(folder);
            return found;
        }
        if (g_get_monotonic_time() > give_up)
            return "<never set>";
        gtk_main_iteration_do(FALSE);
        g_usleep(1000);
    }
}

static OPENFILENAMEA open_request(const char *filter_list, DWORD filter_index, const char *initial_dir)
{
    OPENFILENAMEA request;
    memset(&request, 0, sizeof(request));
    request.lpstrFilter = filter_list;
    request.nFilterIndex = filter_index;
    request.lpstrInitialDir = initial_dir;
    request.lpstrTitle = "AVIファイルを指定します";
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    return request;
}

TEST_F(BuiltDialog, OpenDialogTitleFiltersAndFolder)
{
    set_language("C.UTF-8");
    OPENFILENAMEA request = open_request("*.*\0*.*\0", 1, NULL);
    GtkWidget *dialog = new_open_dialog(&request);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "AVIファイルを指定します");
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), nullptr);
    EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_FALSE(gtk_file_chooser_get_select_multiple(chooser));

    GtkFileFilter *all = gtk_file_chooser_get_filter(chooser);
    ASSERT_NE(all, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(all), "*.*");
    for (const char *name : {"clip.avi", "nodot", "README", "a.b.c"})
        EXPECT_TRUE(filter_shows(all, name)) << name;

    char here[4096];
    ASSERT_NE(getcwd(here, sizeof(here)), nullptr);
    EXPECT_EQ(current_folder_once_set(chooser), here);
    close_dialog_window(dialog);
}

TEST_F(BuiltDialog, OpenDialogPicksTheFilterAndStartsInTheInitialFolder)
{
    set_language("C.UTF-8");
    OPENFILENAMEA request = open_request("Text\0*.txt\0Video\0*.avi;*.mov\0"
                                         "All\0*.*\0",
                                         2, "/tmp");
    GtkWidget *dialog = new_open_dialog(&request);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);

    GtkFileFilter *video = gtk_file_chooser_get_filter(chooser);
    ASSERT_NE(video, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(video), "Video");
    EXPECT_TRUE(filter_shows(video, "CLIP.AVI")); // names match whatever their case
    EXPECT_TRUE(filter_shows(video, "take.Mov"));
    EXPECT_FALSE(filter_shows(video, "notes.txt"));
    EXPECT_FALSE(filter_shows(video, "avi"));

    EXPECT_EQ(current_folder_once_set(chooser), "/tmp");
    close_dialog_window(dialog);
}

TEST(OpenDialogChoice, OnlyAnExistingFileWhenItMustExist)
{
    char folder_template[] = "/tmp/dialogs-XXXXXX";
    ASSERT_NE(mkdtemp(folder_template), nullptr);
    std::string folder = folder_template;
    std::string file = folder + "/nodot";
    FILE *created = fopen(file.c_str(), "w");
    ASSERT_NE(created, nullptr);
    fclose(created);

    OPENFILENAMEA must_exist = open_request("*.*\0*.*\0", 1, NULL);
    EXPECT_TRUE(open_dialog_accepts(&must_exist, file.c_str()));
    EXPECT_FALSE(open_dialog_accepts(&must_exist, (folder + "/missing").c_str()));
    EXPECT_FALSE(open_dialog_accepts(&must_exist, folder.c_str())); // a folder is no file
    EXPECT_FALSE(open_dialog_accepts(&must_exist, NULL));

    OPENFILENAMEA path_must_exist = open_request("*.*\0*.*\0", 1, NULL);
    path_must_exist.Flags = OFN_PATHMUSTEXIST;
    EXPECT_TRUE(open_dialog_accepts(&path_must_exist, (folder + "/new").c_str()));
    EXPECT_FALSE(open_dialog_accepts(&path_must_exist, (folder + "/none/new").c_str()));

    unlink(file.c_str());
    rmdir(folder.c_str());
}
