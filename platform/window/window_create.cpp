// Creating and destroying top-level windows, their titles, extra bytes and
// the frame metrics that tie the outer size to the client size.
#include "window_records.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <string.h>
#include <unistd.h>

namespace {

// Classic Windows metrics. CreateWindowExA takes them off the outer size,
// so a caller's "client + frame" arithmetic leaves exactly its client.
const int caption_height = 19;
const int dialog_frame = 3;

// The Motif window manager hint record: flags, functions, decorations,
// input mode, status.
const long motif_hint_functions = 1L << 0;
const long motif_hint_decorations = 1L << 1;
const long motif_function_move = 1L << 2;
const long motif_decoration_border = 1L << 1;
const long motif_decoration_title = 1L << 3;

// A caption and a border, only moving: no close box, no window menu, no
// resizing, no minimise or maximise.
void set_frame_hints(Display *display, Window xwindow, int x, int y, int width, int height)
{
    XSizeHints *size = XAllocSizeHints();
    if (size != nullptr) {
        size->flags = USPosition | PPosition | PSize | PMinSize | PMaxSize | PWinGravity;
        size->x = x;
        size->y = y;
        size->width = size->min_width = size->max_width = width;
        size->height = size->min_height = size->max_height = height;
        size->win_gravity = NorthWestGravity;
        XSetWMNormalHints(display, xwindow, size);
        XFree(size);
    }

    long motif[5] = {motif_hint_functions | motif_hint_decorations, motif_function_move,
                     motif_decoration_border | motif_decoration_title, 0, 0};
    Atom motif_atom = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, xwindow, motif_atom, motif_atom, 32, PropModeReplace,
                    (const unsigned char *)motif, 5);

    // Asking for the close request lets us ignore it; without it the window
    // manager would kill the connection.
    Atom delete_atom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, xwindow, &delete_atom, 1);
}

// Which process and machine the window belongs to, for window managers and
// for tools that look for a program's windows.
void set_owner_properties(Display *display, Window xwindow)
{
    long pid = (long)getpid();
    XChangeProperty(display, xwindow, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, (const unsigned char *)&pid, 1);
    char host[256] = "";
    if (gethostname(host, sizeof(host) - 1) == 0)
        XChangeProperty(display, xwindow, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                        (const unsigned char *)host, (int)strlen(host));
}

void set_class_hint(Display *display, Window xwindow, const std::string &class_name)
{
    XClassHint *hint = XAllocClassHint();
    if (hint == nullptr)
        return;
    hint->res_name = const_cast<char *>(class_name.c_str());
    hint->res_class = const_cast<char *>(class_name.c_str());
    XSetClassHint(display, xwindow, hint);
    XFree(hint);
}

bool is_ascii(LPCSTR text)
{
    for (const unsigned char *c = (const unsigned char *)text; *c != 0; c++)
        if (*c >= 0x80)
            return false;
    return true;
}

// Reads or writes a pointer-sized long at `offset` of the extra bytes.
// Caller holds the registry lock.
bool extra_slot_fits(const window_rec *window, int offset)
{
    size_t size = window->extra.size();
    return offset >= 0 && size >= sizeof(LONG_PTR) && (size_t)offset <= size - sizeof(LONG_PTR);
}

} // namespace

void set_window_title(window_rec *window, LPCSTR text)
{
    if (text == nullptr)
        text = "";
    Display *display = window->display;
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    int length = (int)strnlen(text, 0x7FFFFFFF);
    // The narrow code page is UTF-8 here; plain ASCII stays a classic STRING.
    XChangeProperty(display, window->xwindow, XA_WM_NAME, is_ascii(text) ? XA_STRING : utf8, 8,
                    PropModeReplace, (const unsigned char *)text, length);
    XChangeProperty(display, window->xwindow, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, (const unsigned char *)text, length);
    // The caller of SetWindowTextA may look at the title as soon as it returns.
    XSync(display, False);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                            int y, int width, int height, HWND, HMENU, HINSTANCE instance,
                            LPVOID param)
{
    window_class_info window_class;
    if (!find_window_class(class_name, &window_class))
        return nullptr;
    thread_queue *queue = current_queue();
    if (queue == nullptr)
        return nullptr;
    Display *display = open_thread_display(queue);
    if (display == nullptr)
        return nullptr;

    // X has no empty windows; a frame smaller than its decorations gets one pixel.
    int client_width = width - 2 * dialog_frame;
    int client_height = height - caption_height - 2 * dialog_frame;
    if (client_width < 1)
        client_width = 1;
    if (client_height < 1)
        client_height = 1;

    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(display, screen);  // never painted = black
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    Window xwindow = XCreateWindow(display, RootWindow(display, screen), x, y,
                                   (unsigned)client_width, (unsigned)client_height, 0,
                                   CopyFromParent, InputOutput, CopyFromParent,
                                   CWBackPixel | CWEventMask, &attributes);
    if (xwindow == 0) {
        close_thread_display_if_unused(queue);
        return nullptr;
    }
    set_frame_hints(display, xwindow, x, y, client_width, client_height);
    set_class_hint(display, xwindow, window_class.name);
    set_owner_properties(display, xwindow);

    window_rec *window = new window_rec;
    window->owner = queue;
    window->proc = window_class.proc;
    window->instance = instance;
    window->extra.assign((size_t)window_class.extra_bytes, 0);
    window->display = display;
    window->xwindow = xwindow;
    window->gc = XCreateGC(display, xwindow, 0, nullptr);
    window->client_width = client_width;
    window->client_height = client_height;
    set_window_title(window, window_name);

    queue->windows.push_back(window);
    register_live_window(window);

    CREATESTRUCTA create = {param, instance, nullptr, nullptr, height, width, y, x,
                            (LONG)style, window_name, class_name, 0};
    if (window->proc(handle_of(window), WM_CREATE, 0, (LPARAM)&create) == -1) {
        destroy_window(window);
        return nullptr;
    }
    if (style & WS_VISIBLE)
        XMapWindow(display, xwindow);
    XFlush(display);
    return handle_of(window);
}

void destroy_window(window_rec *window)
{
    HWND handle = handle_of(window);
    window->proc(handle, WM_DESTROY, 0, 0);

    unregister_live_window(window);
    drop_sent_messages(window->owner, window);

    release_frame_image(window);
    XFreeGC(window->display, window->gc);
    XDestroyWindow(window->display, window->xwindow);
    XSync(window->display, False);  // gone on the server when the caller returns

    thread_queue *queue = window->owner;
    for (auto it = queue->windows.begin(); it != queue->windows.end(); ++it) {
        if (*it == window) {
            queue->windows.erase(it);
            break;
        }
    }
    window->extra.clear();
    close_thread_display_if_unused(queue);
    window->display = nullptr;
}

LONG_PTR WINAPI GetWindowLongA(HWND handle, int index)
{
    std::lock_guard<std::mutex> hold(window_registry_lock());
    window_rec *window = find_live_window_locked(handle);
    if (window == nullptr)
        return 0;
    if (index == GWL_HINSTANCE)
        return (LONG_PTR)window->instance;
    if (!extra_slot_fits(window, index))
        return 0;
    LONG_PTR value;
    memcpy(&value, window->extra.data() + index, sizeof(value));
    return value;
}

LONG_PTR WINAPI SetWindowLongA(HWND handle, int index, LONG_PTR value)
{
    std::lock_guard<std::mutex> hold(window_registry_lock());
    window_rec *window = find_live_window_locked(handle);
    if (window == nullptr || !extra_slot_fits(window, index))
        return 0;
    LONG_PTR previous;
    memcpy(&previous, window->extra.data() + index, sizeof(previous));
    memcpy(window->extra.data() + index, &value, sizeof(value));
    return previous;
}

int WINAPI GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CYCAPTION:
        return caption_height;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return dialog_frame;
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        thread_queue *queue = current_queue_if_any();
        Display *display = queue != nullptr ? queue->display : nullptr;
        bool own = display == nullptr;
        if (own)
            display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return 0;
        int screen = DefaultScreen(display);
        int size = index == SM_CXSCREEN ? DisplayWidth(display, screen)
                                        : DisplayHeight(display, screen);
        if (own)
            XCloseDisplay(display);
        return size;
    }
    default:
        return 0;
    }
}
