// The scripted stream's pictures and their DIBs in each layout.
#include "fake_platform.h"

#include <string.h>

namespace fake {

namespace {

// Channel values whose top 5 and top 6 bits, widened back by repeating the
// high bits, give the same byte: they pass through 555 and 565 unchanged.
const BYTE exact_levels[8] = {0x00, 0x08, 0x10, 0x18, 0xE7, 0xEF, 0xF7, 0xFF};

// Red tells the frame (never 0, so no frame is all black), green the
// column and blue the row.
BYTE red_of(LONG n) { return exact_levels[1 + n % 7]; }
BYTE green_of(LONG x) { return exact_levels[x % 8]; }
BYTE blue_of(LONG y) { return exact_levels[y % 8]; }

void put16(std::vector<BYTE> &v, size_t at, DWORD value)
{
    v[at] = (BYTE)value;
    v[at + 1] = (BYTE)(value >> 8);
}

void put32(std::vector<BYTE> &v, size_t at, DWORD value)
{
    for (int i = 0; i < 4; i++)
        v[at + i] = (BYTE)(value >> (8 * i));
}

} // namespace

std::vector<BYTE> frame_picture(LONG n, LONG width, LONG height)
{
    std::vector<BYTE> rgb((size_t)width * height * 3);
    for (LONG y = 0; y < height; y++)
        for (LONG x = 0; x < width; x++) {
            size_t at = ((size_t)y * width + x) * 3;
            rgb[at] = red_of(n);
            rgb[at + 1] = green_of(x);
            rgb[at + 2] = blue_of(y);
        }
    return rgb;
}

std::vector<BYTE> frame_dib(LONG n, LONG width, LONG height, layout l)
{
    WORD bits = 24;
    DWORD compression = BI_RGB;
    size_t extra = 0; // masks or colour table between header and pixels
    switch (l) {
    case LAYOUT_24:
    case LAYOUT_24_TOP_DOWN:
        break;
    case LAYOUT_32:
        bits = 32;
        break;
    case LAYOUT_16_555:
        bits = 16;
        break;
    case LAYOUT_16_565:
        bits = 16;
        compression = BI_BITFIELDS;
        extra = 12;
        break;
    case LAYOUT_8_PALETTE:
        bits = 8;
        extra = 256 * 4;
        break;
    }
    size_t stride = (((size_t)width * bits + 31) / 32) * 4;
    std::vector<BYTE> dib(40 + extra + stride * height, 0);

    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = l == LAYOUT_24_TOP_DOWN ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biSizeImage = (DWORD)(stride * height);
    memcpy(dib.data(), &h, sizeof(h));

    if (l == LAYOUT_16_565) {
        put32(dib, 40, 0xF800);
        put32(dib, 44, 0x07E0);
        put32(dib, 48, 0x001F);
    }
    if (l == LAYOUT_8_PALETTE) {
        // Entry (column % 8) * 8 + (row % 8); the rest of the table unused.
        for (int gx = 0; gx < 8; gx++)
            for (int by = 0; by < 8; by++) {
                size_t at = 40 + (size_t)(gx * 8 + by) * 4;
                dib[at] = blue_of(by);
                dib[at + 1] = green_of(gx);
                dib[at + 2] = red_of(n);
            }
    }

    size_t pixels = 40 + extra;
    for (LONG y = 0; y < height; y++) {
        LONG row = l == LAYOUT_24_TOP_DOWN ? y : height - 1 - y;
        size_t line = pixels + (size_t)row * stride;
        for (LONG x = 0; x < width; x++) {
            BYTE r = red_of(n), g = green_of(x), b = blue_of(y);
            switch (l) {
            case LAYOUT_24:
            case LAYOUT_24_TOP_DOWN:
                dib[line + x * 3] = b;
                dib[line + x * 3 + 1] = g;
                dib[line + x * 3 + 2] = r;
                break;
            case LAYOUT_32:
                dib[line + x * 4] = b;
                dib[line + x * 4 + 1] = g;
                dib[line + x * 4 + 2] = r;
                dib[line + x * 4 + 3] = 0xA5; // unused byte, not alpha
                break;
            case LAYOUT_16_555:
                put16(dib, line + x * 2, ((DWORD)(r >> 3) << 10) | ((DWORD)(g >> 3) << 5) | (b >> 3));
                break;
            case LAYOUT_16_565:
                put16(dib, line + x * 2, ((DWORD)(r >> 3) << 11) | ((DWORD)(g >> 2) << 5) | (b >> 3));
                break;
            case LAYOUT_8_PALETTE:
                dib[line + x] = (BYTE)((x % 8) * 8 + y % 8);
                break;
            }
        }
    }
    return dib;
}

} // namespace fake
