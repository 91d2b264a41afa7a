// The 24-bit bottom-up DIB every decoded frame is delivered as.
#pragma once

#include "vfw.h"

#include <stddef.h>
#include <stdint.h>

const int32_t dib_max_dimension = 32768;

// Pictures with more pixels than this are not delivered. Every size the
// format allows, unless a fuzzer lowers it to keep its memory small.
uint64_t dib_max_pixels();
void dib_set_max_pixels(uint64_t pixels);

// Bytes in one row of `width` pixels at `bits` per pixel, padded to 4 bytes.
inline uint64_t dib_stride(int64_t width, int bits)
{
    return (((uint64_t)width * (uint64_t)bits + 31) / 32) * 4;
}

// Whole size of the packed DIB (header and rows) for a width x height
// picture, or 0 when such a picture is not deliverable.
size_t dib_packed_size(int64_t width, int64_t height);
// Writes the header of a 24-bit bottom-up DIB at the start of `dib`.
void dib_write_header(uint8_t *dib, int32_t width, int32_t height);
