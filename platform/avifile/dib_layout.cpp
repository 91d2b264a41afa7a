#include "dib_layout.h"

#include <string.h>

static uint64_t max_pixels = (uint64_t)dib_max_dimension * dib_max_dimension;

uint64_t dib_max_pixels()
{
    return max_pixels;
}

void dib_set_max_pixels(uint64_t pixels)
{
    max_pixels = pixels;
}

size_t dib_packed_size(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > dib_max_dimension || height > dib_max_dimension)
        return 0;
    if ((uint64_t)width * (uint64_t)height > max_pixels)
        return 0;
    uint64_t image = dib_stride(width, 24) * (uint64_t)height;
    if (image > 0xFFFFFFFFu)
        return 0;
    return sizeof(BITMAPINFOHEADER) + (size_t)image;
}

void dib_write_header(uint8_t *dib, int32_t width, int32_t height)
{
    BITMAPINFOHEADER h;
    memset(&h, 0, sizeof(h));
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = (DWORD)(dib_stride(width, 24) * (uint64_t)height);
    memcpy(dib, &h, sizeof(h));
}
