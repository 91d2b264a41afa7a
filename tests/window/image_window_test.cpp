// The image window as the player drives it, looked at from the X server:
// placement, hints, titles, pixels, repaint requests and closing.
#include <gtest/gtest.h>  // before Xlib, whose macros clash with it

#include "image_rec.h"
#include "private_server.h"
#include "x_probe.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>


#include <stdlib.h>
#include <string.h>

#include <string>
#include <thread>

namespace {

// An odd width, so every row carries padding.
const int frame_width = 321;
const int frame_height = 50;

class ImageWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe = open_probe_display();
        if (probe == nullptr)
            GTEST_SKIP() << "no X display";
        register_image_class();  // once per process; later calls change nothing
    }

    void TearDown() override
    {
        close_window();
        unsetenv("VIEWER_NO_SHM");
        if (probe != nullptr)
            XCloseDisplay(probe);
    }

    // Fills the record as the player does and opens the window.
    void open_window()
    {
        // Sanitizer runtimes start a helper thread with the first thread the
        // process makes; let that happen before counting.
        std::thread([] {}).join();
        threads_before = thread_count();
        memset(&rec, 0, sizeof(rec));
        rec.bih.biSize = 40;
        rec.bih.biWidth = frame_width;
        rec.bih.biHeight = frame_height;
        rec.bih.biPlanes = 1;
        rec.bih.biBitCount = 24;
        rec.bih.biCompression = BI_RGB;
        rec.bih.biSizeImage = (DWORD)make_dib(frame_width, frame_height, 24, 0).size();
        rec.hinst = (HINSTANCE)GetWindowLongA(NULL, GWL_HINSTANCE);
        rec.x = 100;
        rec.y = 100;
        open_image_window(&rec);
        ASSERT_NE(rec.hwnd, nullptr);
        ASSERT_TRUE(wait_until([this] {
            xwindow = find_window_of_class(probe, "GRC0");
            return xwindow != 0 && window_viewable(probe, xwindow);
        }));
        keep_contents_when_covered(probe, xwindow);
    }

    void close_window()
    {
        if (rec.hwnd == nullptr)
            return;
        SendMessageA(rec.hwnd, WM_CLOSE, 0, 0);
        rec.hwnd = nullptr;
        EXPECT_TRUE(wait_until([this] { return thread_count() == threads_before; }))
            << "the window thread did not end";
    }

    // What the player does for each frame.
    void show_frame(const std::vector<BYTE> &dib)
    {
        lock_image(&rec);
        frame = dib;
        rec.pixels = frame.data();
        unlock_image(&rec);
        InvalidateRect(rec.hwnd, NULL, FALSE);
    }

    void check_frames_through_both_paths()
    {
        struct path_case {
            const char *name;
            bool no_shm;
        };
        const path_case cases[] = {{"MIT-SHM", false}, {"XPutImage", true}};
        for (const path_case &c : cases) {
            SCOPED_TRACE(c.name);
            if (c.no_shm)
                setenv("VIEWER_NO_SHM", "1", 1);
            else
                unsetenv("VIEWER_NO_SHM");
            open_window();
            if (HasFatalFailure())
                return;
            for (int seed : {1, 2}) {
                std::vector<BYTE> dib = make_dib(frame_width, frame_height, 24, seed);
                show_frame(dib);
                EXPECT_TRUE(client_shows(dib)) << "frame " << seed;
            }
            int major, minor;
            Bool pixmaps;
            bool server_offers_shm = XShmQueryVersion(probe, &major, &minor, &pixmaps);
            EXPECT_EQ(has_shared_segment(), server_offers_shm && !c.no_shm);
            close_window();
        }
    }

    bool client_shows(const std::vector<BYTE> &dib)
    {
        std::vector<uint32_t> expected =
            dib_rgb(probe, dib.data(), frame_width, frame_height, 24, false);
        return wait_until([&] {
            return capture_rgb(probe, xwindow, frame_width, frame_height) == expected;
        });
    }

    Display *probe = nullptr;
    Window xwindow = 0;
    image_rec rec = {};
    std::vector<BYTE> frame;
    int threads_before = 0;
};

TEST_F(ImageWindow, OpensAtItsPositionWithAFixedClientOfTheFrameSize)
{
    open_window();
    Window root = DefaultRootWindow(probe), child;
    int x, y;
    ASSERT_TRUE(XTranslateCoordinates(probe, xwindow, root, 0, 0, &x, &y, &child));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 100);
    unsigned width, height, border, depth;
    ASSERT_TRUE(XGetGeometry(probe, xwindow, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width, (unsigned)frame_width);
    EXPECT_EQ(height, (unsigned)frame_height);

    XSizeHints hints = {};
    long supplied;
    ASSERT_TRUE(XGetWMNormalHints(probe, xwindow, &hints, &supplied));
    EXPECT_TRUE(hints.flags & USPosition);
    EXPECT_TRUE((hints.flags & (PMinSize | PMaxSize)) == (PMinSize | PMaxSize));
    EXPECT_EQ(hints.min_width, frame_width);
    EXPECT_EQ(hints.max_width, frame_width);
    EXPECT_EQ(hints.min_height, frame_height);
    EXPECT_EQ(hints.max_height, frame_height);

    // Functions: move only. Decorations: border and title (no menu, no close box).
    std::vector<long> motif = read_long_property(probe, xwindow, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[0], 1 | 2);
    EXPECT_EQ(motif[1], 4);
    EXPECT_EQ(motif[2], 2 | 8);

    Atom *protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(probe, xwindow, &protocols, &count));
    std::vector<Atom> listed(protocols, protocols + count);
    XFree(protocols);
    EXPECT_NE(std::find(listed.begin(), listed.end(), XInternAtom(probe, "WM_DELETE_WINDOW", False)),
              listed.end());
}

TEST_F(ImageWindow, TitleStartsAsDotsAndFollowsSetWindowTextFromThePlayerThread)
{
    open_window();
    struct title_case {
        const char *set;        // null: the title at creation
        const char *expected;
        const char *wm_name_type;
    };
    const title_case cases[] = {
        {nullptr, "...", "STRING"},
        {"[/tmp/\xE5\x8B\x95\xE7\x94\xBB \xC3\xBC.avi] frame 0/3 ",
         "[/tmp/\xE5\x8B\x95\xE7\x94\xBB \xC3\xBC.avi] frame 0/3 ", "UTF8_STRING"},
        {"[/tmp/a.avi] frame 2/3 ", "[/tmp/a.avi] frame 2/3 ", "STRING"},
    };
    for (const title_case &c : cases) {
        if (c.set != nullptr) {
            EXPECT_TRUE(SetWindowTextA(rec.hwnd, c.set));
        }
        text_property net_name = read_text_property(probe, xwindow, "_NET_WM_NAME");
        text_property wm_name = read_text_property(probe, xwindow, "WM_NAME");
        EXPECT_EQ(net_name.type, "UTF8_STRING") << c.expected;
        EXPECT_EQ(net_name.value, c.expected);
        EXPECT_EQ(wm_name.type, c.wm_name_type) << c.expected;
        EXPECT_EQ(wm_name.value, c.expected);
    }
}

TEST_F(ImageWindow, IsBlackBeforeTheFirstFrame)
{
    open_window();
    InvalidateRect(rec.hwnd, NULL, FALSE);  // a paint with no frame yet
    std::vector<uint32_t> black((size_t)frame_width * frame_height, 0);
    EXPECT_TRUE(wait_until(
        [&] { return capture_rgb(probe, xwindow, frame_width, frame_height) == black; }));
    EXPECT_EQ(GetWindowLongA(rec.hwnd, 0), (LONG_PTR)&rec);  // still running
}

// Both ways of getting pixels to the server give the frame exactly, and a
// second frame replaces the first in the reused image.
TEST_F(ImageWindow, PaintsEachFrameExactlyThroughSharedMemoryAndWithout)
{
    check_frames_through_both_paths();
}

// A 16-bit server: the same frames, to the bits its visual keeps.
class ImageWindowOnSixteenBits : public ImageWindow {
protected:
    void SetUp() override
    {
        if (!start_private_server("640x480x16", &server))
            GTEST_SKIP() << "no Xvfb for a 16-bit server";
        const char *shared = getenv("DISPLAY");
        had_display = shared != nullptr;
        saved_display = had_display ? shared : "";
        setenv("DISPLAY", server.display.c_str(), 1);
        ImageWindow::SetUp();
    }
    void TearDown() override
    {
        ImageWindow::TearDown();
        if (server.pid > 0) {
            if (had_display)
                setenv("DISPLAY", saved_display.c_str(), 1);
            else
                unsetenv("DISPLAY");
        }
        stop_private_server(&server);
    }
    private_server server;
    bool had_display = false;
    std::string saved_display;
};

TEST_F(ImageWindowOnSixteenBits, PaintsEachFrameThroughBothPaths)
{
    ASSERT_EQ(DefaultDepth(probe, DefaultScreen(probe)), 16);
    check_frames_through_both_paths();
}

TEST_F(ImageWindow, IgnoresTheWindowManagersCloseRequest)
{
    open_window();
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = xwindow;
    request.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = (long)XInternAtom(probe, "WM_DELETE_WINDOW", False);
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(probe, xwindow, False, NoEventMask, &request);
    XSync(probe, False);

    // The window thread reads its X events before it paints, so once the
    // frame shows, the request has been seen.
    std::vector<BYTE> dib = make_dib(frame_width, frame_height, 24, 3);
    show_frame(dib);
    EXPECT_TRUE(client_shows(dib));
    EXPECT_TRUE(window_exists(probe, xwindow));
    EXPECT_EQ(GetWindowLongA(rec.hwnd, 0), (LONG_PTR)&rec);
}

TEST_F(ImageWindow, RepaintRequestsDoNotBlockWhileThePaintWaitsForTheFrame)
{
    open_window();
    std::vector<BYTE> dib = make_dib(frame_width, frame_height, 24, 4);
    lock_image(&rec);  // as during a frame copy: the window thread's paint must wait
    frame = dib;
    rec.pixels = frame.data();
    EXPECT_TRUE(InvalidateRect(rec.hwnd, NULL, FALSE));
    Sleep(100);  // lets the window thread get into its paint
    for (int i = 0; i < 1000; i++)
        ASSERT_TRUE(InvalidateRect(rec.hwnd, NULL, FALSE));
    unlock_image(&rec);
    EXPECT_TRUE(client_shows(dib));
}

TEST_F(ImageWindow, CloseDestroysTheWindowAndEndsItsThread)
{
    open_window();
    HWND hwnd = rec.hwnd;
    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
    rec.hwnd = nullptr;
    EXPECT_FALSE(window_exists(probe, xwindow));
    EXPECT_TRUE(wait_until([this] { return thread_count() == threads_before; }));
    // The stale handle is refused, not used.
    EXPECT_EQ(GetWindowLongA(hwnd, 0), 0);
    EXPECT_FALSE(SetWindowTextA(hwnd, "late"));
    EXPECT_FALSE(InvalidateRect(hwnd, NULL, FALSE));
}

} // namespace
