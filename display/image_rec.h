// The image record the player fills and the image window paints from, and
// the window's entry points.
#pragma once

#include "win32.h"

struct image_rec {
    HINSTANCE hinst;
    int x;
    int y;
    HWND hwnd;             // null until the window thread has created the window
    BYTE *pixels;          // rows to paint, as bih describes; null until the first frame
    BITMAPINFOHEADER bih;  // 24-bit bottom-up, no colour table

    // Set up by open_image_window. `lock` guards `hwnd`, `create_done`,
    // `pixels` and the pixel rows, so a paint never overlaps a frame copy.
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE created;
    int create_done;       // the window thread has tried to create the window
};

ATOM register_image_class(void);

// Starts the window thread and returns once it has tried to create the
// window: rec->hwnd is then the window, or null if it could not be created.
void open_image_window(image_rec *rec);

// The player brackets each change of the pixel rows with these.
void lock_image(image_rec *rec);
void unlock_image(image_rec *rec);

DWORD WINAPI image_window_thread(LPVOID param);
LRESULT CALLBACK image_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
