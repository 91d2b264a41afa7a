// The dialogs as a user meets them: shown by the probe, answered through
// the X server, the caller's result read back.
#include "probe_session.h"

#include <gtest/gtest.h>

#include <fstream>

// What the user does with one dialog: key presses, typed text, or the
// window manager's close request.
typedef struct user_step {
    enum { keys, text, close } kind;
    std::string what;
} user_step;

static void act(unsigned long window, const std::vector<user_step> &steps)
{
    for (const user_step &step : steps) {
        if (step.kind == user_step::keys)
            press_keys(window, step.what);
        else if (step.kind == user_step::text)
            type_text(step.what);
        else
            request_close(window);
    }
}

typedef struct box_case {
    const char *type;
    std::vector<user_step> steps;
    const char *answer;
} box_case;

TEST(AnsweredMessageBox, ButtonsKeysAndCloseGiveTheWindowsCodes)
{
    if (!x_display_available())
        GTEST_SKIP() << "no X display";
    const box_case cases[] = {
        {"3", {{user_step::keys, "Return"}}, "6"},
        {"3", {{user_step::keys, "alt+n"}}, "7"},
        {"3", {{user_step::keys, "alt+y"}}, "6"},
        {"3", {{user_step::keys, "Escape"}}, "2"},
        {"3", {{user_step::close, ""}}, "2"},
        {"3", {{user_step::keys, "Tab Tab space"}}, "2"},
        {"1", {{user_step::keys, "Escape"}}, "2"},
        {"0", {{user_step::keys, "Return"}}, "1"},
        // A Yes/No box cannot be dismissed; it waits for a button.
        {"4", {{user_step::close, ""}, {user_step::keys, "Escape"}, {user_step::keys, "alt+n"}}, "7"},
    };
    std::vector<std::string> args = {"box", "answered box", "Next frame?"};
    for (const box_case &c : cases)
        args.push_back(c.type);
    probe_run run = start_probe(args, ".", {{"LANG", "C.UTF-8"}});

    int number = 0;
    for (const box_case &c : cases) {
        number++;
        SCOPED_TRACE("box " + std::to_string(number));
        unsigned long window = wait_for_probe_window(run);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(window_title(window), "answered box " + std::to_string(number));
        act(window, c.steps);
        EXPECT_EQ(next_line(run), c.answer);
    }
    EXPECT_EQ(finish_probe(run), 0);
}

TEST(AnsweredMessageBox, JapaneseBoxKeepsItsCaptionAndAccessKeys)
{
    if (!x_display_available())
        GTEST_SKIP() << "no X display";
    const char *caption = "処理を強制終了しますか？";
    probe_run run = start_probe({"box", caption, "終了-はい 続行-いいえ ステップ表示-キャンセル", "3", "3"}, ".",
                                {{"LANG", "ja_JP.UTF-8"}});
    const char *keys[] = {"alt+y", "alt+n"};
    const char *answers[] = {"6", "7"};
    for (int i = 0; i < 2; i++) {
        unsigned long window = wait_for_probe_window(run);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(window_title(window), std::string(caption) + " " + std::to_string(i + 1));
        press_keys(window, keys[i]);
        EXPECT_EQ(next_line(run), answers[i]);
    }
    EXPECT_EQ(finish_probe(run), 0);
}

typedef struct open_case {
    std::string sizes; // nMaxFile:nMaxFileTitle
    std::vector<user_step> steps;
    std::string result; // "<chosen> [<file>] <offset> <extension> [<title>]"
} open_case;

static void make_file(const std::string &path)
{
    std::ofstream(path) << "x";
}

TEST(AnsweredOpenDialog, TypedPathsAndDismissals)
{
    if (!x_display_available())
        GTEST_SKIP() << "no X display";
    std::string folder = make_temp_folder();
    ASSERT_FALSE(folder.empty());
    make_file(folder + "/nodot");
    make_file(folder + "/clip.avi");
    const std::string nodot = folder + "/nodot";
    const std::string clip = folder + "/clip.avi";
    const std::string name_at = std::to_string(folder.size() + 1);
    const std::string clip_fits = std::to_string(clip.size() + 1);
    const std::string clip_short = std::to_string(clip.size());

    const open_case cases[] = {
        // A name that does not exist is refused; the dialog stays, its location
        // entry still open (ctrl+l again would close it), for the next try.
        {"256:63",
         {{user_step::keys, "ctrl+l"}, {user_step::text, folder + "/missing"}, {user_step::keys, "Return"},
          {user_step::keys, "ctrl+a"}, {user_step::text, nodot}, {user_step::keys, "Return"}},
         "1 [" + nodot + "] " + name_at + " " + std::to_string(nodot.size()) + " [nodot]"},
        // A relative name is taken from the current folder, where the dialog starts.
        {"256:5",
         {{user_step::keys, "ctrl+l"}, {user_step::text, "clip.avi"}, {user_step::keys, "Return"}},
         "1 [" + clip + "] " + name_at + " " + std::to_string(clip.size() - 3) + " [clip]"},
        // Exactly room for the path and its terminator.
        {clip_fits + ":63",
         {{user_step::keys, "ctrl+l"}, {user_step::text, clip}, {user_step::keys, "Return"}},
         "1 [" + clip + "] " + name_at + " " + std::to_string(clip.size() - 3) + " [clip.avi]"},
        {clip_short + ":63",
         {{user_step::keys, "ctrl+l"}, {user_step::text, clip}, {user_step::keys, "Return"}},
         "0 [] 0 0 []"},
        {"256:63", {{user_step::keys, "Escape"}}, "0 [] 0 0 []"},
        {"256:63", {{user_step::close, ""}}, "0 [] 0 0 []"},
    };
    std::vector<std::string> args = {"open", "answered open"};
    for (const open_case &c : cases)
        args.push_back(c.sizes);
    probe_run run = start_probe(args, folder, {{"LANG", "C.UTF-8"}});

    int number = 0;
    for (const open_case &c : cases) {
        number++;
        SCOPED_TRACE("dialog " + std::to_string(number));
        unsigned long window = wait_for_probe_window(run);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(window_title(window), "answered open " + std::to_string(number));
        act(window, c.steps);
        EXPECT_EQ(next_line(run), c.result);
    }
    EXPECT_EQ(finish_probe(run), 0);
}

TEST(AnsweredOpenDialog, NameWithoutDotIsListed)
{
    if (!x_display_available())
        GTEST_SKIP() << "no X display";
    std::string folder = make_temp_folder();
    ASSERT_FALSE(folder.empty());
    make_file(folder + "/plain");
    probe_run run = start_probe({"open", "listed", "256:63"}, folder, {{"LANG", "C.UTF-8"}});
    unsigned long window = wait_for_probe_window(run);
    ASSERT_NE(window, 0u);

    // The folder is read in the background: until it is listed, Down finds
    // no row and Return opens nothing, so try again a few times.
    std::string answer = "<no answer>";
    for (int attempt = 0; attempt < 5 && answer == "<no answer>"; attempt++) {
        press_keys(window, "Down Return");
        answer = next_line(run, 2);
    }
    EXPECT_EQ(answer, "1 [" + folder + "/plain] " + std::to_string(folder.size() + 1) + " " +
                          std::to_string(folder.size() + 6) + " [plain]");
    EXPECT_EQ(finish_probe(run), 0);
}

TEST(DialogsWithoutDisplay, FailAtOnceAndPrintNothing)
{
    env_changes no_display = {{"DISPLAY", NULL}, {"WAYLAND_DISPLAY", NULL}};
    probe_run boxes = start_probe({"box", "caption", "text", "3"}, ".", no_display);
    EXPECT_EQ(next_line(boxes), "2");
    EXPECT_EQ(next_line(boxes), "<no answer>");
    EXPECT_EQ(finish_probe(boxes), 0);

    probe_run chooser = start_probe({"open", "title", "256:63"}, ".", no_display);
    EXPECT_EQ(next_line(chooser), "0 [] 0 0 []");
    EXPECT_EQ(finish_probe(chooser), 0);
}
