// Converting DIB pixels (blue, green, red bytes) into the pixel layout of an
// X image, whatever its masks, depth and byte order.
#pragma once

#include "../types/win32_types.h"

#include <stddef.h>
#include <stdint.h>

struct pixel_format {
    unsigned bits_per_pixel;  // 16, 24 or 32
    uint32_t red_mask;
    uint32_t green_mask;
    uint32_t blue_mask;
    bool msb_first;           // the image's byte order
};

// Per channel, an 8-bit value already placed under its mask.
struct channel_tables {
    uint32_t red[256];
    uint32_t green[256];
    uint32_t blue[256];
};

// False when the format cannot be written (another pixel size, empty mask).
bool build_channel_tables(const pixel_format *format, channel_tables *tables);

// Converts `count` pixels of 3 (BGR) or 4 (BGRX) source bytes each.
void convert_pixels(const BYTE *source, unsigned source_bytes_per_pixel, BYTE *target,
                    const pixel_format *format, const channel_tables *tables, size_t count);
