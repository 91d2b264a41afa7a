#include "x_probe.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

int ignore_errors(Display *, XErrorEvent *)
{
    return 0;
}

unsigned mask_width(unsigned long mask)
{
    unsigned width = 0;
    for (; mask != 0; mask >>= 1)
        width += mask & 1u;
    return width;
}

// Drops the low bits a channel of the visual cannot hold.
uint32_t reduce(Display *display, uint32_t rgb)
{
    const Visual *visual = DefaultVisual(display, DefaultScreen(display));
    uint32_t keep_r = 0xFFu << (8 - std::min(8u, mask_width(visual->red_mask)));
    uint32_t keep_g = 0xFFu << (8 - std::min(8u, mask_width(visual->green_mask)));
    uint32_t keep_b = 0xFFu << (8 - std::min(8u, mask_width(visual->blue_mask)));
    return (rgb & ((keep_r & 0xFF) << 16)) | (rgb & ((keep_g & 0xFF) << 8)) | (rgb & (keep_b & 0xFF));
}

unsigned channel_of(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    unsigned shift = 0;
    while (((mask >> shift) & 1u) == 0)
        shift++;
    unsigned width = mask_width(mask);
    unsigned value = (unsigned)((pixel & mask) >> shift);
    return width >= 8 ? value >> (width - 8) : value << (8 - width);
}

} // namespace

Display *open_probe_display()
{
    const char *name = getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return nullptr;
    // A loaded server may refuse for a moment (EAGAIN or ECONNRESET).
    for (int attempt = 0;; attempt++) {
        errno = 0;
        Display *display = XOpenDisplay(name);
        if (display != nullptr || (errno != EAGAIN && errno != ECONNRESET) || attempt == 40)
            return display;
        usleep(50 * 1000);
    }
}

Window find_window_of_class(Display *display, const char *class_name)
{
    Window root_return, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    // Other tests' windows may vanish while we look at them.
    XSync(display, False);
    XErrorHandler previous = XSetErrorHandler(ignore_errors);
    if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count))
        count = 0;
    for (unsigned i = 0; i < count && found == 0; i++) {
        XClassHint hint = {};
        if (XGetClassHint(display, children[i], &hint)) {
            std::vector<long> pid = read_long_property(display, children[i], "_NET_WM_PID");
            if (hint.res_class != nullptr && std::string(hint.res_class) == class_name &&
                pid.size() == 1 && pid[0] == (long)getpid())
                found = children[i];
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    if (children != nullptr)
        XFree(children);
    XSync(display, False);
    XSetErrorHandler(previous);
    return found;
}

void keep_contents_when_covered(Display *display, Window window)
{
    int event_base, error_base;
    if (XCompositeQueryExtension(display, &event_base, &error_base))
        XCompositeRedirectWindow(display, window, CompositeRedirectAutomatic);
    XSync(display, False);
}

bool window_exists(Display *display, Window window)
{
    XSync(display, False);
    XErrorHandler previous = XSetErrorHandler(ignore_errors);
    XWindowAttributes attributes;
    Status ok = XGetWindowAttributes(display, window, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    return ok != 0;
}

bool window_viewable(Display *display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

bool wait_until(const std::function<bool()> &condition)
{
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

text_property read_text_property(Display *display, Window window, const char *name)
{
    text_property result;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success)
        return result;
    if (type != None) {
        char *type_name = XGetAtomName(display, type);
        result.type = type_name;
        XFree(type_name);
        result.value.assign((const char *)data, count);
    }
    if (data != nullptr)
        XFree(data);
    return result;
}

std::vector<long> read_long_property(Display *display, Window window, const char *name)
{
    std::vector<long> result;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 64, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success)
        return result;
    if (format == 32)
        result.assign((const long *)data, (const long *)data + count);
    if (data != nullptr)
        XFree(data);
    return result;
}

std::vector<uint32_t> capture_rgb(Display *display, Window window, int width, int height)
{
    std::vector<uint32_t> result;
    XImage *image =
        XGetImage(display, window, 0, 0, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return result;
    const Visual *visual = DefaultVisual(display, DefaultScreen(display));
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            unsigned long pixel = XGetPixel(image, x, y);
            result.push_back(channel_of(pixel, visual->red_mask) << 16 |
                             channel_of(pixel, visual->green_mask) << 8 |
                             channel_of(pixel, visual->blue_mask));
        }
    }
    XDestroyImage(image);
    return result;
}

std::vector<uint32_t> dib_rgb(Display *display, const BYTE *bits, int width, int height,
                              int bit_count, bool top_down)
{
    size_t stride = ((size_t)width * (size_t)bit_count + 31) / 32 * 4;
    size_t pixel_bytes = (size_t)bit_count / 8;
    std::vector<uint32_t> result;
    for (int y = 0; y < height; y++) {
        const BYTE *row = bits + (size_t)(top_down ? y : height - 1 - y) * stride;
        for (int x = 0; x < width; x++) {
            const BYTE *p = row + (size_t)x * pixel_bytes;
            result.push_back(reduce(display, (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0]));
        }
    }
    return result;
}

std::vector<BYTE> make_dib(int width, int height, int bit_count, int seed)
{
    size_t stride = ((size_t)width * (size_t)bit_count + 31) / 32 * 4;
    size_t pixel_bytes = (size_t)bit_count / 8;
    std::vector<BYTE> bits(stride * (size_t)height, 0xAB);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            BYTE *p = &bits[(size_t)y * stride + (size_t)x * pixel_bytes];
            p[0] = (BYTE)(x * 7 + y * 3 + seed);
            p[1] = (BYTE)(x * 3 + y * 11 + seed * 5);
            p[2] = (BYTE)((x ^ y) + seed * 9);
            if (pixel_bytes == 4)
                p[3] = 0x5A;  // unused byte of a 32-bit DIB
        }
    }
    return bits;
}

int thread_count()
{
    DIR *tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    int count = 0;
    while (struct dirent *entry = readdir(tasks))
        if (entry->d_name[0] != '.')
            count++;
    closedir(tasks);
    return count;
}

bool has_shared_segment()
{
    FILE *list = fopen("/proc/sysvipc/shm", "r");
    if (list == nullptr)
        return false;
    char line[512];
    bool found = false;
    if (fgets(line, sizeof(line), list) != nullptr) {  // the heading
        while (!found && fgets(line, sizeof(line), list) != nullptr) {
            long key, id, perms, cpid, lpid, attached;
            unsigned long size;
            if (sscanf(line, "%ld %ld %lo %lu %ld %ld %ld", &key, &id, &perms, &size, &cpid, &lpid,
                       &attached) == 7)
                found = cpid == (long)getpid() && attached > 0;
        }
    }
    fclose(list);
    return found;
}
