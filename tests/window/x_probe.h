// Looks at the service's windows from a second X connection, as a user's
// screen would show them.
#pragma once

#include "win32.h"

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

// Null when there is no usable display (the tests then skip).
Display *open_probe_display();

// This process's top-level window whose WM_CLASS class is `class_name`, or
// 0. Other tests may have windows of the same class on the same server.
Window find_window_of_class(Display *display, const char *class_name);

// Other programs' windows may cover ours: have the server keep the window's
// contents off screen (Composite), so XGetImage reads what was drawn.
void keep_contents_when_covered(Display *display, Window window);

bool window_exists(Display *display, Window window);
bool window_viewable(Display *display, Window window);

// Polls `condition` until it holds or ten seconds pass.
bool wait_until(const std::function<bool()> &condition);

struct text_property {
    std::string type;   // atom name, "" when absent
    std::string value;
};
text_property read_text_property(Display *display, Window window, const char *name);
std::vector<long> read_long_property(Display *display, Window window, const char *name);

// The client's pixels as 0xRRGGBB, reduced to what the visual can show.
std::vector<uint32_t> capture_rgb(Display *display, Window window, int width, int height);

// The pixels a DIB should put on the screen, top row first, reduced alike.
std::vector<uint32_t> dib_rgb(Display *display, const BYTE *bits, int width, int height,
                              int bit_count, bool top_down);

// A DIB with a pattern that differs per `seed`; row padding holds 0xAB.
std::vector<BYTE> make_dib(int width, int height, int bit_count, int seed);

int thread_count();

// True while this process has a shared-memory segment attached.
bool has_shared_segment();
