// The window service below the image window: extra bytes, creation that
// fails cleanly, messages sent across threads, coalesced paints and the DIB
// layouts SetDIBitsToDevice takes.
#include <gtest/gtest.h>  // before Xlib, whose macros clash with it

#include "image_rec.h"
#include "x_probe.h"


#include <stdlib.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const UINT WM_TEST_DOUBLE = 0x0401;  // returns wparam * 2
const UINT WM_TEST_HOLD = 0x0402;    // waits until the test releases it

class WindowService : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe = open_probe_display();
        if (probe == nullptr)
            GTEST_SKIP() << "no X display";
    }
    void TearDown() override
    {
        if (probe != nullptr)
            XCloseDisplay(probe);
    }
    Display *probe = nullptr;
};

ATOM register_class(const char *name, WNDPROC proc, int extra_bytes)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = 48;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extra_bytes;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc);
}

// --- extra bytes and creation ---------------------------------------------

std::vector<UINT> seen_messages;
LPVOID seen_create_param = nullptr;

LRESULT CALLBACK recording_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    seen_messages.push_back(message);
    if (message == WM_CREATE)
        seen_create_param = ((const CREATESTRUCTA *)lparam)->lpCreateParams;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST_F(WindowService, ExtraBytesHoldWholePointersWithinTheirBounds)
{
    static std::once_flag registered;
    std::call_once(registered, [] { register_class("LongsTest", recording_proc, 10); });
    seen_messages.clear();
    int param = 0;
    HINSTANCE instance = (HINSTANCE)(uintptr_t)0x1234;
    HWND hwnd = CreateWindowExA(0, "LongsTest", "longs", 0, 0, 0, 60, 60, NULL, NULL, instance,
                                &param);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_FALSE(seen_messages.empty());
    EXPECT_EQ(seen_messages.front(), (UINT)WM_CREATE);
    EXPECT_EQ(seen_create_param, &param);

    const LONG_PTR pointer_value = (LONG_PTR)(uintptr_t)0x8877665544332211ull;
    struct slot_case {
        int offset;
        bool fits;
    };
    // 10 bytes hold an 8-byte slot at offsets 0 to 2 only.
    const slot_case cases[] = {{0, true}, {2, true}, {3, false}, {10, false}, {-1, false}};
    for (const slot_case &c : cases) {
        EXPECT_EQ(SetWindowLongA(hwnd, c.offset, pointer_value), 0) << c.offset;  // was zero
        EXPECT_EQ(GetWindowLongA(hwnd, c.offset), c.fits ? pointer_value : 0) << c.offset;
        EXPECT_EQ(SetWindowLongA(hwnd, c.offset, 0), c.fits ? pointer_value : 0) << c.offset;
    }
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_HINSTANCE), (LONG_PTR)instance);
    EXPECT_EQ(GetWindowLongA(NULL, GWL_HINSTANCE), 0);

    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);  // same thread: runs at once
    EXPECT_EQ(seen_messages.back(), (UINT)WM_DESTROY);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_HINSTANCE), 0);
}

TEST(WindowCreation, FailsCleanlyWithoutAClassOrAServer)
{
    EXPECT_EQ(register_class("", recording_proc, 0), 0);
    EXPECT_EQ(register_class("NoProc", nullptr, 0), 0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_VISIBLE, 0, 0, 50, 50, NULL, NULL, NULL,
                              NULL),
              nullptr);

    // No server: the image window reports back instead of waiting for ever.
    const char *display = getenv("DISPLAY");
    std::string saved = display != nullptr ? display : "";
    setenv("DISPLAY", ":31999", 1);
    register_image_class();
    image_rec rec = {};
    rec.bih.biWidth = 32;
    rec.bih.biHeight = 16;
    rec.x = rec.y = 100;
    open_image_window(&rec);
    EXPECT_EQ(rec.hwnd, nullptr);
    if (display != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

// --- a window thread of the test's own ------------------------------------

std::mutex log_lock;
std::vector<UINT> window_log;
std::thread::id window_thread_id;
std::promise<void> *hold_entered = nullptr;
std::shared_future<void> hold_release;

LRESULT CALLBACK threaded_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    {
        std::lock_guard<std::mutex> hold(log_lock);
        window_log.push_back(message);
    }
    switch (message) {
    case WM_TEST_DOUBLE:
        return std::this_thread::get_id() == window_thread_id ? (LRESULT)(wparam * 2) : -1;
    case WM_TEST_HOLD:
        hold_entered->set_value();
        hold_release.wait();
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

// Creates a window of `class_name` on a new thread that runs its loop.
std::thread start_window_thread(const char *class_name, DWORD style, int x, int y, int width,
                                int height, HWND *hwnd)
{
    std::promise<HWND> created;
    std::future<HWND> result = created.get_future();
    std::thread thread([&created, class_name, style, x, y, width, height] {
        window_thread_id = std::this_thread::get_id();
        HWND made = CreateWindowExA(0, class_name, "test", style, x, y, width, height, NULL,
                                    NULL, NULL, NULL);
        created.set_value(made);
        if (made == nullptr)
            return;
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    });
    *hwnd = result.get();
    return thread;
}

TEST_F(WindowService, SentMessagesRunOnTheWindowThreadAndPaintsCoalesceBehindThem)
{
    static std::once_flag registered;
    std::call_once(registered, [] { register_class("ThreadTest", threaded_proc, 8); });
    window_log.clear();
    HWND hwnd = nullptr;
    std::thread window_thread = start_window_thread("ThreadTest", 0, 0, 0, 60, 60, &hwnd);
    ASSERT_NE(hwnd, nullptr);

    // Several senders at once; each gets its own answer from the window thread.
    std::vector<std::thread> senders;
    std::atomic<int> wrong{0};
    for (int s = 0; s < 4; s++)
        senders.emplace_back([&, s] {
            for (int i = 0; i < 200; i++)
                if (SendMessageA(hwnd, WM_TEST_DOUBLE, (WPARAM)(s * 1000 + i), 0) !=
                    (LRESULT)(s * 1000 + i) * 2)
                    wrong++;
        });
    for (std::thread &sender : senders)
        sender.join();
    EXPECT_EQ(wrong.load(), 0);

    // While the window thread is busy, repaint requests return at once and
    // pile up into a single paint.
    std::promise<void> entered, release;
    hold_entered = &entered;
    hold_release = release.get_future().share();
    std::future<LRESULT> held =
        std::async(std::launch::async, [hwnd] { return SendMessageA(hwnd, WM_TEST_HOLD, 0, 0); });
    entered.get_future().wait();
    for (int i = 0; i < 50; i++)
        ASSERT_TRUE(InvalidateRect(hwnd, NULL, FALSE));
    release.set_value();
    EXPECT_EQ(held.get(), 1);
    EXPECT_TRUE(wait_until([] {
        std::lock_guard<std::mutex> hold(log_lock);
        return window_log.back() == WM_PAINT;
    }));

    EXPECT_EQ(SendMessageA(hwnd, WM_CLOSE, 0, 0), 0);
    window_thread.join();  // the quit message ended its loop
    std::vector<UINT> paints;
    for (UINT message : window_log)
        if (message == WM_PAINT)
            paints.push_back(message);
    EXPECT_EQ(paints.size(), 1u) << "the window is never shown, so only the requests paint";
    EXPECT_EQ(window_log.back(), (UINT)WM_DESTROY);
}

// --- DIB layouts ----------------------------------------------------------

struct dib_to_paint {
    std::vector<BYTE> bits;
    BITMAPINFOHEADER header;
    int result;
} dib_job;

LRESULT CALLBACK dib_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message != WM_PAINT)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    LONG height = dib_job.header.biHeight < 0 ? -dib_job.header.biHeight : dib_job.header.biHeight;
    dib_job.result = SetDIBitsToDevice(dc, 0, 0, (DWORD)dib_job.header.biWidth, (DWORD)height, 0,
                                       0, 0, (UINT)height, dib_job.bits.data(),
                                       (const BITMAPINFO *)&dib_job.header, DIB_RGB_COLORS);
    EndPaint(hwnd, &ps);
    return 0;
}

TEST_F(WindowService, DrawsEveryDibLayoutItTakesThroughBothPaths)
{
    static std::once_flag registered;
    std::call_once(registered, [] { register_class("DibTest", dib_proc, 8); });
    const int width = 7;
    const int height = 5;
    struct layout_case {
        int bit_count;
        bool top_down;
    };
    const layout_case layouts[] = {{24, false}, {24, true}, {32, false}, {32, true}};
    for (bool no_shm : {false, true}) {
        for (const layout_case &c : layouts) {
            SCOPED_TRACE(::testing::Message() << c.bit_count << "-bit"
                                              << (c.top_down ? " top-down" : " bottom-up")
                                              << (no_shm ? ", XPutImage" : ", MIT-SHM"));
            if (no_shm)
                setenv("VIEWER_NO_SHM", "1", 1);
            else
                unsetenv("VIEWER_NO_SHM");
            dib_job.bits = make_dib(width, height, c.bit_count, c.bit_count + c.top_down);
            dib_job.header = {};
            dib_job.header.biSize = 40;
            dib_job.header.biWidth = width;
            dib_job.header.biHeight = c.top_down ? -height : height;
            dib_job.header.biPlanes = 1;
            dib_job.header.biBitCount = (WORD)c.bit_count;
            dib_job.result = -1;

            HWND hwnd = nullptr;
            // Outer size from the same metrics the image window uses.
            std::thread window_thread = start_window_thread(
                "DibTest", WS_VISIBLE, 200, 300, width + 2 * GetSystemMetrics(SM_CXDLGFRAME),
                height + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME),
                &hwnd);
            ASSERT_NE(hwnd, nullptr);
            Window xwindow = 0;
            ASSERT_TRUE(wait_until([&] {
                xwindow = find_window_of_class(probe, "DibTest");
                return xwindow != 0 && window_viewable(probe, xwindow);
            }));
            keep_contents_when_covered(probe, xwindow);
            std::vector<uint32_t> expected =
                dib_rgb(probe, dib_job.bits.data(), width, height, c.bit_count, c.top_down);
            EXPECT_TRUE(wait_until(
                [&] { return capture_rgb(probe, xwindow, width, height) == expected; }));
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            window_thread.join();
            EXPECT_EQ(dib_job.result, height);
        }
    }
    unsetenv("VIEWER_NO_SHM");
}

} // namespace
