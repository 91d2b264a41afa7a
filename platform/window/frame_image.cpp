// The client's backing image: an MIT-SHM segment when the server offers one
// (the pixels then travel without a copy through the socket), a plain
// XImage sent with XPutImage otherwise (remote servers, VIEWER_NO_SHM=1).
#include "window_records.h"

#include <X11/Xutil.h>

#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

// XShmAttach reports failure asynchronously, as an X error; the handler is
// process-wide, so errors of other connections go to the previous handler.
std::mutex trap_lock;
Display *trapped_display = nullptr;
bool trapped_error = false;
XErrorHandler previous_handler = nullptr;

int trap_error(Display *display, XErrorEvent *error)
{
    if (display == trapped_display) {
        trapped_error = true;
        return 0;
    }
    return previous_handler != nullptr ? previous_handler(display, error) : 0;
}

bool shm_wanted(Display *display)
{
    const char *no_shm = getenv("VIEWER_NO_SHM");
    if (no_shm != nullptr && strcmp(no_shm, "1") == 0)
        return false;
    return XShmQueryExtension(display);
}

bool attach_segment(Display *display, XShmSegmentInfo *segment)
{
    std::lock_guard<std::mutex> hold(trap_lock);
    trapped_display = display;
    trapped_error = false;
    previous_handler = XSetErrorHandler(trap_error);
    bool attached = XShmAttach(display, segment) != 0;
    XSync(display, False);
    XSetErrorHandler(previous_handler);
    trapped_display = nullptr;
    return attached && !trapped_error;
}

XImage *create_shared_image(window_rec *window)
{
    Display *display = window->display;
    int screen = DefaultScreen(display);
    XShmSegmentInfo *segment = &window->image.segment;
    XImage *image = XShmCreateImage(display, DefaultVisual(display, screen),
                                    (unsigned)DefaultDepth(display, screen), ZPixmap, nullptr,
                                    segment, (unsigned)window->client_width,
                                    (unsigned)window->client_height);
    if (image == nullptr)
        return nullptr;
    segment->shmid = shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * (size_t)image->height,
                            IPC_CREAT | 0600);
    if (segment->shmid < 0) {
        XDestroyImage(image);
        return nullptr;
    }
    segment->shmaddr = image->data = (char *)shmat(segment->shmid, nullptr, 0);
    segment->readOnly = False;
    bool attached = segment->shmaddr != (char *)-1 && attach_segment(display, segment);
    // Marked for removal now: it goes away by itself once both sides detach.
    shmctl(segment->shmid, IPC_RMID, nullptr);
    if (!attached) {
        if (segment->shmaddr != (char *)-1)
            shmdt(segment->shmaddr);
        image->data = nullptr;
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

XImage *create_plain_image(window_rec *window)
{
    Display *display = window->display;
    int screen = DefaultScreen(display);
    XImage *image = XCreateImage(display, DefaultVisual(display, screen),
                                 (unsigned)DefaultDepth(display, screen), ZPixmap, 0, nullptr,
                                 (unsigned)window->client_width, (unsigned)window->client_height,
                                 32, 0);
    if (image == nullptr)
        return nullptr;
    image->data = (char *)calloc((size_t)image->bytes_per_line, (size_t)image->height);
    if (image->data == nullptr) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

} // namespace

bool ensure_frame_image(window_rec *window)
{
    if (window->image.image != nullptr)
        return true;
    if (!window->shm_refused && shm_wanted(window->display)) {
        window->image.image = create_shared_image(window);
        window->image.shared = window->image.image != nullptr;
        window->shm_refused = !window->image.shared;
    }
    if (window->image.image == nullptr)
        window->image.image = create_plain_image(window);
    return window->image.image != nullptr;
}

void put_frame_image(window_rec *window, int x, int y, int width, int height)
{
    XImage *image = window->image.image;
    if (image == nullptr || width <= 0 || height <= 0)
        return;
    if (window->image.shared) {
        XShmPutImage(window->display, window->xwindow, window->gc, image, x, y, x, y,
                     (unsigned)width, (unsigned)height, False);
        // The server reads the segment later; wait so the next frame can
        // be written into it.
        XSync(window->display, False);
    } else {
        XPutImage(window->display, window->xwindow, window->gc, image, x, y, x, y,
                  (unsigned)width, (unsigned)height);
        XFlush(window->display);
    }
}

void release_frame_image(window_rec *window)
{
    XImage *image = window->image.image;
    if (image == nullptr)
        return;
    if (window->image.shared) {
        XShmDetach(window->display, &window->image.segment);
        XSync(window->display, False);
        shmdt(window->image.segment.shmaddr);
        image->data = nullptr;
    }
    XDestroyImage(image);  // frees a plain image's pixels too
    window->image = frame_image();
}
