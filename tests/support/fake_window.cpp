// The window system: classes, one window per run with a small message
// queue, painting onto a client-sized RGB screen.
#include "fake_shared.h"

#include <chrono>
#include <string.h>

using namespace fake;

namespace {

const LONG_PTR fake_instance = 0x400000;
const int caption_height = 19;
const int frame_width = 3;
const int frame_height = 4; // differs from the width, so a swap shows

// The window this thread created: its queue is the one GetMessageA reads.
thread_local window *thread_window = nullptr;

HWND handle_of(window *w)
{
    return (HWND)w;
}

} // namespace

namespace fake {

window *find_window(HWND hwnd)
{
    for (auto &w : state().windows)
        if (handle_of(w.get()) == hwnd)
            return w.get();
    return nullptr;
}

int settle_window()
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    window *w = st.current;
    if (w == nullptr)
        return SHOWN_NOTHING;
    st.changed.wait_for(hold, std::chrono::seconds(10), [&] {
        return w->loop_ended || (!w->paint_pending && !w->busy && w->sent.empty());
    });
    if (!w->painted)
        return SHOWN_NOTHING;
    bool black = true;
    for (BYTE b : w->screen)
        black = black && b == 0;
    if (black)
        return SHOWN_BLACK;
    for (LONG n = 0; n < (LONG)st.plan.length && n < 64; n++)
        if (w->screen == frame_picture(n, w->client_width, w->client_height))
            return n;
    return SHOWN_UNKNOWN;
}

} // namespace fake

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *window_class)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("register");
    st.rec.classes.push_back(*window_class);
    st.rec.class_names.push_back(window_class->lpszClassName != nullptr ? window_class->lpszClassName
                                                                        : "");
    return (ATOM)(0xC000 + st.rec.classes.size());
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param)
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    log_locked("create");
    window_created c = {ex_style, class_name != nullptr ? class_name : "",
                        window_name != nullptr ? window_name : "", style, x, y, width, height,
                        parent, menu, instance, param};
    st.rec.windows.push_back(c);
    if (st.plan.window_creation_fails)
        return nullptr;

    WNDPROC proc = nullptr;
    for (size_t i = 0; i < st.rec.classes.size(); i++)
        if (st.rec.class_names[i] == c.class_name)
            proc = st.rec.classes[i].lpfnWndProc;
    if (proc == nullptr)
        return nullptr;

    st.windows.push_back(std::make_unique<window>());
    window *w = st.windows.back().get();
    w->proc = proc;
    w->title = c.title;
    w->client_width = width - 2 * frame_width;
    w->client_height = height - caption_height - 2 * frame_height;
    if (w->client_width > 0 && w->client_height > 0)
        w->screen.assign((size_t)w->client_width * w->client_height * 3, 0);
    st.current = w;
    thread_window = w;
    hold.unlock();

    // Creation notice, before anything is attached to the window.
    proc(handle_of(w), WM_CREATE, 0, 0);
    return handle_of(w);
}

LONG_PTR WINAPI GetWindowLongA(HWND hwnd, int index)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    if (hwnd == nullptr)
        return index == GWL_HINSTANCE ? fake_instance : 0;
    window *w = find_window(hwnd);
    return w != nullptr && index == 0 ? w->slot0 : 0;
}

LONG_PTR WINAPI SetWindowLongA(HWND hwnd, int index, LONG_PTR value)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    window *w = find_window(hwnd);
    if (w == nullptr || index != 0)
        return 0;
    LONG_PTR old = w->slot0;
    w->slot0 = value;
    return old;
}

int WINAPI GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CYCAPTION:
        return caption_height;
    case SM_CXDLGFRAME:
        return frame_width;
    case SM_CYDLGFRAME:
        return frame_height;
    case SM_CXSCREEN:
        return 1280;
    case SM_CYSCREEN:
        return 1024;
    default:
        return 0;
    }
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND, UINT, UINT)
{
    window *w = thread_window;
    if (w == nullptr)
        return -1;
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    memset(msg, 0, sizeof(*msg));
    for (;;) {
        if (!w->sent.empty()) {
            // Sent messages are handled inside the wait, as the platform does.
            sent_message *m = w->sent.front();
            w->sent.pop_front();
            w->busy = true;
            hold.unlock();
            LRESULT result = w->proc(handle_of(w), m->message, m->wparam, m->lparam);
            hold.lock();
            m->result = result;
            m->done = true;
            w->busy = false;
            st.changed.notify_all();
            continue;
        }
        if (w->quit) {
            msg->message = WM_QUIT;
            w->loop_ended = true;
            st.changed.notify_all();
            return FALSE;
        }
        if (w->paint_pending && !w->destroyed) {
            msg->hwnd = handle_of(w);
            msg->message = WM_PAINT;
            w->busy = true;
            return TRUE;
        }
        st.changed.wait(hold);
    }
}

BOOL WINAPI TranslateMessage(const MSG *)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    window *w = find_window(msg->hwnd);
    if (w == nullptr)
        return 0;
    hold.unlock();
    LRESULT result = w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    hold.lock();
    w->busy = false;
    st.changed.notify_all();
    return result;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM lparam)
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    window *w = find_window(hwnd);
    if (w == nullptr)
        return 0;
    switch (message) {
    case WM_SETTEXT:
        w->title = lparam != 0 ? (const char *)lparam : "";
        st.rec.titles.push_back(w->title);
        log_locked("title " + w->title);
        return TRUE;
    case WM_CLOSE:
        hold.unlock();
        // A paint may come at any time until the window is gone: one last
        // one here reads the frame buffer, so freeing it early shows.
        w->proc(hwnd, WM_PAINT, 0, 0);
        w->proc(hwnd, WM_DESTROY, 0, 0);
        hold.lock();
        w->destroyed = true;
        log_locked("destroyed");
        st.changed.notify_all();
        return 0;
    default:
        return 0;
    }
}

void WINAPI PostQuitMessage(int exit_code)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("quit " + std::to_string(exit_code));
    if (thread_window != nullptr)
        thread_window->quit = true;
    st.changed.notify_all();
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    window *w = find_window(hwnd);
    if (message != WM_SETTEXT)
        log_locked("send " + std::to_string(message));
    if (w == nullptr || w->loop_ended)
        return 0;
    if (w == thread_window) {
        hold.unlock();
        return w->proc(hwnd, message, wparam, lparam);
    }
    sent_message m = {message, wparam, lparam};
    w->sent.push_back(&m);
    st.changed.notify_all();
    st.changed.wait(hold, [&] { return m.done || w->loop_ended; });
    if (!m.done)
        for (auto it = w->sent.begin(); it != w->sent.end(); ++it)
            if (*it == &m) {
                w->sent.erase(it);
                break;
            }
    return m.result;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text)
{
    return (BOOL)SendMessageA(hwnd, WM_SETTEXT, 0, (LPARAM)text);
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("repaint");
    if (rect != nullptr || erase)
        st.rec.bad_repaint_request = true;
    window *w = find_window(hwnd);
    if (w == nullptr)
        return FALSE;
    w->paint_pending = true;
    st.changed.notify_all();
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    memset(paint, 0, sizeof(*paint));
    window *w = find_window(hwnd);
    if (w == nullptr)
        return nullptr;
    w->paint_pending = false;
    paint->hdc = (HDC)w;
    paint->rcPaint.right = w->client_width;
    paint->rcPaint.bottom = w->client_height;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *)
{
    return TRUE;
}

int WINAPI SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src,
                             int y_src, UINT start_scan, UINT scan_lines, const void *bits,
                             const BITMAPINFO *info, UINT color_use)
{
    if (info == nullptr || bits == nullptr)
        return 0;
    const BITMAPINFOHEADER h = info->bmiHeader;
    bool drawable = h.biBitCount == 24 && h.biCompression == BI_RGB && h.biHeight > 0 &&
                    h.biWidth > 0;

    // The device reads the whole source, rows of the DIB's own stride, and
    // without our lock: only the caller's own locking keeps a frame copy
    // from overlapping this read (and ThreadSanitizer sees if it does not).
    std::vector<BYTE> source;
    size_t stride = 0;
    if (drawable) {
        stride = (((size_t)h.biWidth * 24 + 31) / 32) * 4;
        source.assign((const BYTE *)bits, (const BYTE *)bits + stride * (size_t)h.biHeight);
    }

    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    window *w = find_window((HWND)dc);
    if (w == nullptr)
        return 0;
    st.rec.paints.push_back(
        {x_dest, y_dest, width, height, x_src, y_src, start_scan, scan_lines, h, color_use});
    if (!drawable)
        return 0;

    LONG draw_w = (LONG)width < w->client_width ? (LONG)width : w->client_width;
    LONG draw_h = (LONG)height < w->client_height ? (LONG)height : w->client_height;
    for (LONG y = 0; y < draw_h && y < h.biHeight; y++) {
        const BYTE *in = source.data() + (size_t)(h.biHeight - 1 - y) * stride;
        for (LONG x = 0; x < draw_w && x < h.biWidth; x++) {
            BYTE *out = &w->screen[((size_t)y * w->client_width + x) * 3];
            out[0] = in[x * 3 + 2];
            out[1] = in[x * 3 + 1];
            out[2] = in[x * 3];
        }
    }
    w->painted = true;
    return (int)scan_lines;
}

BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    window *w = find_window((HWND)dc);
    if (w == nullptr || rop != BLACKNESS)
        return FALSE;
    for (LONG row = y < 0 ? 0 : y; row < y + height && row < w->client_height; row++)
        for (LONG col = x < 0 ? 0 : x; col < x + width && col < w->client_width; col++)
            memset(&w->screen[((size_t)row * w->client_width + col) * 3], 0, 3);
    w->painted = true;
    return TRUE;
}
