// The records behind window handles and per-thread message queues, shared by
// the window service's files. Not part of the viewer-facing API.
#pragma once

#include "user32.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct window_rec;

// A message sent from another thread; lives on the sender's stack until
// `done` is set under the target queue's lock.
struct sent_message {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    LRESULT result;
    bool done;
    std::condition_variable replied;
};

// One per thread that has used the window service. Kept in a process-wide
// list and never freed: a sender on another thread may still hold it after
// its thread has ended.
struct thread_queue {
    std::mutex lock;  // guards sent, posted and the quit fields
    std::deque<sent_message *> sent;
    std::deque<MSG> posted;
    bool quit_posted = false;
    int quit_code = 0;
    int wake_fd = -1;  // eventfd: any thread writes it to wake GetMessageA

    // Touched only by the owning thread.
    Display *display = nullptr;
    std::vector<window_rec *> windows;
};

// The client's backing image, reused across paints while the size holds.
struct frame_image {
    XImage *image = nullptr;
    bool shared = false;
    XShmSegmentInfo segment = {};
};

// What a window handle points at. Records of destroyed windows are kept (not
// alive, in the registry's list of retired records) so a stale handle is
// refused instead of read after free, and no new window takes its address.
struct window_rec {
    thread_queue *owner = nullptr;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    std::vector<unsigned char> extra;  // cbWndExtra bytes; guarded by the registry lock
    Display *display = nullptr;
    Window xwindow = 0;
    GC gc = nullptr;
    int client_width = 0;
    int client_height = 0;
    std::atomic<bool> paint_pending{false};
    frame_image image;
    bool shm_refused = false;
};

// Registry of live windows (window_registry.cpp).
std::mutex &window_registry_lock();
void register_live_window(window_rec *window);
// The record stays allocated, retired, for the life of the process.
void unregister_live_window(window_rec *window);
// Caller holds window_registry_lock().
window_rec *find_live_window_locked(HWND handle);
// Takes the lock for the look-up only.
window_rec *find_live_window(HWND handle);
// The live window when it belongs to the calling thread, else null.
window_rec *find_own_window(HWND handle);

// Message queues (message_queue.cpp).
thread_queue *current_queue();           // creates it on first use; null if that fails
thread_queue *current_queue_if_any();
void wake_queue(thread_queue *queue);
// Replies 0 to every message still waiting for `window`, once it is gone.
void drop_sent_messages(thread_queue *queue, window_rec *window);

// Window classes (window_classes.cpp).
struct window_class_info {
    WNDPROC proc;
    int extra_bytes;
    HINSTANCE instance;
    std::string name;
};
bool find_window_class(LPCSTR name, window_class_info *found);

// X connection of a thread (x_connection.cpp).
Display *open_thread_display(thread_queue *queue);
void close_thread_display_if_unused(thread_queue *queue);

// Window life (window_create.cpp).
void destroy_window(window_rec *window);
void set_window_title(window_rec *window, LPCSTR text);

// Backing image (frame_image.cpp).
bool ensure_frame_image(window_rec *window);
void put_frame_image(window_rec *window, int x, int y, int width, int height);
void release_frame_image(window_rec *window);

inline HWND handle_of(window_rec *window)
{
    return reinterpret_cast<HWND>(window);
}
