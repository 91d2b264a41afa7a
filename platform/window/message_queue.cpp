// Per-thread message queues: sent messages from other threads first, then
// posted ones, then X events, then the pending paint. Waits in poll() on the
// X connection and an eventfd, so an idle window thread burns nothing.
#include "window_records.h"

#include <errno.h>
#include <list>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

thread_local thread_queue *this_thread_queue = nullptr;

// Every queue ever made, kept for the life of the process: a window's
// record names its owner's queue, and a sender may reach it after the
// owning thread has ended. Never destroyed, so a thread still running at
// exit finds it intact.
std::mutex &all_queues_lock()
{
    static std::mutex lock;
    return lock;
}

std::list<thread_queue> &all_queues()
{
    static std::list<thread_queue> *queues = new std::list<thread_queue>;
    return *queues;
}

LRESULT call_window_proc(HWND handle, UINT message, WPARAM wparam, LPARAM lparam)
{
    window_rec *window = find_live_window(handle);
    if (window == nullptr)
        return 0;
    return window->proc(handle, message, wparam, lparam);
}

// Runs one message sent from another thread, if any. True when it ran one.
bool run_one_sent_message(thread_queue *queue)
{
    sent_message *message;
    {
        std::lock_guard<std::mutex> hold(queue->lock);
        if (queue->sent.empty())
            return false;
        message = queue->sent.front();
        queue->sent.pop_front();
    }
    LRESULT result =
        call_window_proc(message->window, message->message, message->wparam, message->lparam);

    std::lock_guard<std::mutex> hold(queue->lock);
    message->result = result;
    message->done = true;
    message->replied.notify_all();
    return true;
}

window_rec *window_of_xwindow(thread_queue *queue, Window xwindow)
{
    for (window_rec *window : queue->windows)
        if (window->xwindow == xwindow)
            return window;
    return nullptr;
}

// Expose marks the window for a paint; a close request from the window
// manager is ignored (the player closes the window); the rest is not used.
void read_x_events(thread_queue *queue)
{
    Display *display = queue->display;
    if (display == nullptr)
        return;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose) {
            window_rec *window = window_of_xwindow(queue, event.xexpose.window);
            if (window != nullptr)
                window->paint_pending = true;
        }
    }
}

window_rec *window_needing_paint(thread_queue *queue)
{
    for (window_rec *window : queue->windows)
        if (window->paint_pending)
            return window;
    return nullptr;
}

void wait_for_work(thread_queue *queue)
{
    struct pollfd fds[2];
    int count = 0;
    fds[count++] = {queue->wake_fd, POLLIN, 0};
    if (queue->display != nullptr) {
        // Flushing may read events off the socket into Xlib's queue, where
        // poll() would never see them: flush and look once more.
        if (XPending(queue->display) > 0)
            return;
        fds[count++] = {ConnectionNumber(queue->display), POLLIN, 0};
    }
    while (poll(fds, (nfds_t)count, -1) < 0 && errno == EINTR) {
    }
    if (fds[0].revents & POLLIN) {
        uint64_t wakes;
        ssize_t ignored = read(queue->wake_fd, &wakes, sizeof(wakes));
        (void)ignored;
    }
}

void fill_message(LPMSG msg, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    msg->hwnd = window;
    msg->message = message;
    msg->wParam = wparam;
    msg->lParam = lparam;
    msg->time = 0;
    msg->pt.x = 0;
    msg->pt.y = 0;
}

} // namespace

thread_queue *current_queue_if_any()
{
    return this_thread_queue;
}

thread_queue *current_queue()
{
    if (this_thread_queue != nullptr)
        return this_thread_queue;
    int wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd < 0)
        return nullptr;
    thread_queue *queue;
    {
        std::lock_guard<std::mutex> hold(all_queues_lock());
        queue = &all_queues().emplace_back();
    }
    queue->wake_fd = wake_fd;
    this_thread_queue = queue;
    return queue;
}

void wake_queue(thread_queue *queue)
{
    uint64_t one = 1;
    ssize_t ignored = write(queue->wake_fd, &one, sizeof(one));
    (void)ignored;  // a full counter still wakes the reader
}

void drop_sent_messages(thread_queue *queue, window_rec *window)
{
    std::lock_guard<std::mutex> hold(queue->lock);
    for (auto it = queue->sent.begin(); it != queue->sent.end();) {
        sent_message *message = *it;
        if (message->window != handle_of(window)) {
            ++it;
            continue;
        }
        it = queue->sent.erase(it);
        message->result = 0;
        message->done = true;
        message->replied.notify_all();
    }
}

// The window and range filters are not applied: the viewer's loop asks for
// every message of its thread.
BOOL WINAPI GetMessageA(LPMSG msg, HWND, UINT, UINT)
{
    thread_queue *queue = current_queue();
    if (msg == nullptr)
        return -1;
    if (queue == nullptr)
        return FALSE;  // no queue, so no window can live on this thread
    for (;;) {
        if (run_one_sent_message(queue))
            continue;
        {
            std::lock_guard<std::mutex> hold(queue->lock);
            if (!queue->posted.empty()) {
                *msg = queue->posted.front();
                queue->posted.pop_front();
                return msg->message != WM_QUIT;
            }
            if (queue->quit_posted) {
                queue->quit_posted = false;
                fill_message(msg, nullptr, WM_QUIT, (WPARAM)queue->quit_code, 0);
                return FALSE;
            }
        }
        read_x_events(queue);
        window_rec *to_paint = window_needing_paint(queue);
        if (to_paint != nullptr) {
            // Stays pending until BeginPaint validates the window.
            fill_message(msg, handle_of(to_paint), WM_PAINT, 0, 0);
            return TRUE;
        }
        wait_for_work(queue);
    }
}

BOOL WINAPI TranslateMessage(const MSG *)
{
    return FALSE;  // no keyboard input reaches these windows
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    if (msg == nullptr)
        return 0;
    return call_window_proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int exit_code)
{
    thread_queue *queue = current_queue();
    if (queue == nullptr)
        return;
    std::lock_guard<std::mutex> hold(queue->lock);
    queue->quit_posted = true;
    queue->quit_code = exit_code;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wparam, LPARAM lparam)
{
    sent_message sent;
    sent.window = handle;
    sent.message = message;
    sent.wparam = wparam;
    sent.lparam = lparam;
    sent.result = 0;
    sent.done = false;

    thread_queue *target;
    {
        // Queued under the registry lock: destroying the window unregisters
        // it first and then answers whatever is still queued for it.
        std::lock_guard<std::mutex> hold(window_registry_lock());
        window_rec *window = find_live_window_locked(handle);
        if (window == nullptr)
            return 0;
        target = window->owner;
        if (target != current_queue_if_any()) {
            std::lock_guard<std::mutex> hold_queue(target->lock);
            target->sent.push_back(&sent);
        }
    }
    if (target == current_queue_if_any())
        return call_window_proc(handle, message, wparam, lparam);

    wake_queue(target);
    std::unique_lock<std::mutex> wait(target->lock);
    sent.replied.wait(wait, [&sent] { return sent.done; });
    return sent.result;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text)
{
    return SendMessageA(window, WM_SETTEXT, 0, (LPARAM)text) != 0;
}

BOOL WINAPI InvalidateRect(HWND handle, const RECT *, BOOL)
{
    // The whole client is repainted whatever the rectangle: paints here
    // always draw the whole image.
    std::lock_guard<std::mutex> hold(window_registry_lock());
    window_rec *window = find_live_window_locked(handle);
    if (window == nullptr)
        return FALSE;
    window->paint_pending = true;
    wake_queue(window->owner);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM, LPARAM lparam)
{
    window_rec *window = find_own_window(handle);
    if (window == nullptr)
        return 0;
    switch (message) {
    case WM_CLOSE:
        destroy_window(window);
        return 0;
    case WM_SETTEXT:
        set_window_title(window, (LPCSTR)lparam);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        EndPaint(handle, &paint);
        return 0;
    }
    default:
        return 0;
    }
}
