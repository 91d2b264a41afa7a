// What the player asks of the dialog and the window system, and its titles
// for paths too long for the title buffer.
#include "flow_checks.h"

#include "image_rec.h"

#include <gtest/gtest.h>

#include <string.h>

using namespace fake;

namespace {

TEST(file_chooser, asks_for_one_existing_file_of_any_name)
{
    reset({.dialog_cancels = true});
    int status = -1;
    run_player(&status);
    const dialog_request &d = last().dialog;
    ASSERT_TRUE(d.called);
    const OPENFILENAMEA &f = d.fields;
    EXPECT_EQ(f.lStructSize, 76u);
    EXPECT_EQ(f.hwndOwner, (HWND)NULL);
    EXPECT_EQ(f.hInstance, (HINSTANCE)NULL);
    EXPECT_EQ(d.filter, std::string("*.*\0*.*\0\0", 9));
    EXPECT_EQ(f.lpstrCustomFilter, nullptr);
    EXPECT_EQ(f.nMaxCustFilter, 0u);
    EXPECT_EQ(f.nFilterIndex, 1u);
    EXPECT_NE(f.lpstrFile, nullptr);
    EXPECT_EQ(f.nMaxFile, 256u);
    EXPECT_NE(f.lpstrFileTitle, nullptr);
    EXPECT_EQ(f.nMaxFileTitle, 63u);
    EXPECT_EQ(f.lpstrInitialDir, nullptr);
    EXPECT_EQ(d.title, "AVIファイルを指定します");
    EXPECT_EQ(f.Flags, 0x1004u);
    EXPECT_EQ(f.lpstrDefExt, nullptr);
    EXPECT_EQ(f.lCustData, 0);
    EXPECT_EQ(f.lpfnHook, nullptr);
    EXPECT_EQ(f.lpTemplateName, nullptr);
    EXPECT_EQ(f.FlagsEx, 0u);
}

TEST(file_chooser, a_255_byte_path_is_used_whole)
{
    // The dialog also fills the file title to its stated limit.
    std::string path = "/" + std::string(190, 'd') + "/" + std::string(63, 'f');
    ASSERT_EQ(path.size(), 255u);
    reset({.path = path, .keys = {'x'}, .length = 1});
    int status = -1;
    run_player(&status);
    EXPECT_EQ(last().open_path, path);
}

TEST(image_window, class_and_window_as_the_player_needs_them)
{
    reset({.keys = {'x'}, .length = 1, .width = 7, .height = 5});
    int status = -1;
    run_player(&status);
    const record &r = last();

    ASSERT_EQ(r.classes.size(), 1u);
    const WNDCLASSEXA &c = r.classes[0];
    EXPECT_EQ(c.cbSize, 48u);
    EXPECT_EQ(c.style, 0u);
    EXPECT_EQ(c.lpfnWndProc, &image_window_proc);
    EXPECT_EQ(c.cbClsExtra, 0);
    EXPECT_EQ(c.cbWndExtra, 10);
    EXPECT_EQ(c.hInstance, (HINSTANCE)GetWindowLongA(NULL, GWL_HINSTANCE));
    EXPECT_EQ(c.hIcon, (HICON)NULL);
    EXPECT_EQ(c.hCursor, (HCURSOR)NULL);
    EXPECT_EQ(c.hbrBackground, (HBRUSH)NULL);
    EXPECT_EQ(c.lpszMenuName, nullptr);
    EXPECT_EQ(r.class_names[0], "GRC0");
    EXPECT_EQ(c.hIconSm, (HICON)NULL);

    ASSERT_EQ(r.windows.size(), 1u);
    const window_created &w = r.windows[0];
    EXPECT_EQ(w.ex_style, 0u);
    EXPECT_EQ(w.class_name, "GRC0");
    EXPECT_EQ(w.title, "...");
    EXPECT_EQ(w.style, (DWORD)WS_VISIBLE);
    EXPECT_EQ(w.x, 100);
    EXPECT_EQ(w.y, 100);
    int frame_x = GetSystemMetrics(SM_CXDLGFRAME), frame_y = GetSystemMetrics(SM_CYDLGFRAME);
    EXPECT_EQ(w.width, 7 + 2 * frame_x);
    EXPECT_EQ(w.height, 5 + GetSystemMetrics(SM_CYCAPTION) + 2 * frame_y);
    EXPECT_EQ(w.parent, (HWND)NULL);
    EXPECT_EQ(w.menu, (HMENU)NULL);
    EXPECT_EQ(w.instance, c.hInstance);
    EXPECT_EQ(w.param, nullptr);

    // The class is registered before the window is made from it.
    const std::vector<std::string> &ev = r.events;
    auto reg = std::find(ev.begin(), ev.end(), "register");
    auto made = std::find(ev.begin(), ev.end(), "create");
    EXPECT_LT(reg, made);
    check_run_invariants({.keys = {'x'}, .length = 1, .width = 7, .height = 5}, r, true);
}

// Paths of 255 bytes whose multibyte characters straddle the place where a
// title must be cut, at every offset, for one- and two-digit frame numbers.
TEST(window_title, long_paths_are_cut_at_character_boundaries)
{
    const std::string wide[] = {"処", "é", "😀"}; // 3, 2 and 4 bytes
    for (const std::string &ch : wide)
        for (size_t lead = 150; lead < 175; lead++) {
            std::string path = "/" + std::string(lead, 'a');
            while (path.size() + ch.size() <= 255 - 40)
                path += ch;
            path += std::string(255 - path.size(), 'z');
            ASSERT_EQ(path.size(), 255u);

            script s = {.path = path, .keys = {'x'}, .length = 11, .width = 2, .height = 2};
            reset(s);
            int status = -1;
            run_player(&status);
            const record &r = last();
            ASSERT_EQ(r.titles.size(), 11u);
            for (size_t n = 0; n < r.titles.size(); n++) {
                const std::string &t = r.titles[n];
                std::string frame_part = "] frame " + std::to_string(n) + "/11 ";
                SCOPED_TRACE(printable(t));
                EXPECT_LT(t.size(), 100u);
                // Room is used: at most one character's bytes go unused.
                EXPECT_GE(t.size(), 99u - 3u);
                EXPECT_TRUE(valid_utf8(t));
                ASSERT_GT(t.size(), frame_part.size());
                EXPECT_EQ(t.substr(t.size() - frame_part.size()), frame_part);
                EXPECT_EQ(t.rfind("[...", 0), 0u);
                // What stays of the path is its end.
                std::string kept = t.substr(4, t.size() - 4 - frame_part.size());
                EXPECT_EQ(path.substr(path.size() - kept.size()), kept);
            }
            check_run_invariants(s, r, true);
        }
}

TEST(window_title, a_title_that_fits_is_kept_whole)
{
    // 99 bytes with the frame part: the longest title that fits.
    std::string frame_part = "] frame 0/1 ";
    std::string path = "/" + std::string(99 - 1 - frame_part.size() - 1, 'p');
    script s = {.path = path, .keys = {'x'}, .length = 1};
    reset(s);
    int status = -1;
    run_player(&status);
    ASSERT_EQ(last().titles.size(), 1u);
    EXPECT_EQ(last().titles[0], title_for(path, 0, 1));
    EXPECT_EQ(last().titles[0].size(), 99u);
}

} // namespace

namespace {

TEST(image_window, a_paint_before_the_first_frame_is_black)
{
    // No frame ever comes: the window's first paint has no pixels to show.
    script s = {.keys = {'s'}, .length = 0, .width = 6, .height = 4};
    reset(s);
    int status = -1;
    run_player(&status);
    EXPECT_EQ(last().shown_at_last_key, SHOWN_BLACK);
    EXPECT_TRUE(last().paints.empty());
    check_run_invariants(s, last(), true);
}

} // namespace
