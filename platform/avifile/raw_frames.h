// Uncompressed video frames: what strf says about their layout, and their
// conversion to 24-bit bottom-up rows.
#pragma once

#include "vfw.h"

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct raw_channel {
    uint32_t mask;
    int shift;  // of the mask's lowest bit
    int bits;   // width of the mask
};

struct raw_layout {
    int32_t width;
    int32_t height;      // always positive
    bool top_down;       // strf's biHeight was negative
    int bits;            // 1, 4, 8, 16, 24 or 32
    raw_channel red, green, blue;  // for 16 and 32 bits
    uint64_t stride;     // of one source row
    uint64_t frame_bytes;
    std::vector<RGBQUAD> palette;  // for 1, 4 and 8 bits, from strf
};

// True when `format` (a whole strf chunk) describes uncompressed frames we
// can convert; `layout` is then filled.
bool raw_layout_from_format(const std::vector<uint8_t> &format, raw_layout *layout);
// True when strf's compression code names uncompressed frames at all.
bool raw_is_uncompressed(const std::vector<uint8_t> &format);

// Bytes a frame chunk must hold (its last row may go without padding).
uint64_t raw_bytes_needed(const raw_layout &layout);

// Converts one frame chunk into `out` (rows of dib_stride(width, 24) bytes,
// bottom-up). False when the chunk is too short for the frame.
bool raw_convert(const raw_layout &layout, const uint8_t *data, size_t size,
                 const RGBQUAD *palette, size_t palette_count, uint8_t *out);
