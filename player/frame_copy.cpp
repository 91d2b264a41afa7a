#include "frame_copy.h"

#include <stdint.h>
#include <string.h>

namespace {

const LONG max_dimension = 32768;

struct channel {
    DWORD mask;
    int shift;  // of the mask's lowest bit
    int bits;   // width of the mask
};

channel make_channel(DWORD mask)
{
    channel c = {mask, 0, 0};
    if (mask == 0)
        return c;
    while (((mask >> c.shift) & 1) == 0)
        c.shift++;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1) != 0)
        c.bits++;
    return c;
}

// Scales a masked channel value to 8 bits, replicating high bits downwards
// so that full intensity stays 255.
BYTE expand(DWORD pixel, const channel &c)
{
    if (c.bits == 0)
        return 0;
    DWORD v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8)
        return (BYTE)(v >> (c.bits - 8));
    DWORD out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << c.bits) | v;
        filled += c.bits;
    }
    return (BYTE)(out >> (filled - 8));
}

struct source_layout {
    const BYTE *pixels;
    const RGBQUAD *palette;
    DWORD palette_size;
    channel red, green, blue;
    DWORD stride;
    LONG width;
    LONG height;
    bool top_down;
};

// Works out where the pixels are and how to read them, or why not.
frame_copy_result describe(const BITMAPINFOHEADER *dib, source_layout *src)
{
    if (dib->biSize < sizeof(BITMAPINFOHEADER) || dib->biSize > 4096)
        return FRAME_BAD_HEADER;
    if (dib->biWidth <= 0 || dib->biWidth > max_dimension || dib->biHeight == 0 ||
        dib->biHeight < -max_dimension || dib->biHeight > max_dimension)
        return FRAME_BAD_HEADER;

    src->width = dib->biWidth;
    src->top_down = dib->biHeight < 0;
    src->height = src->top_down ? -dib->biHeight : dib->biHeight;
    src->stride = dib_row_stride(src->width, dib->biBitCount);
    src->palette = NULL;
    src->palette_size = 0;

    const BYTE *after_header = (const BYTE *)dib + dib->biSize;
    WORD bits = dib->biBitCount;

    if (bits == 1 || bits == 4 || bits == 8) {
        if (dib->biCompression != BI_RGB)
            return FRAME_UNSUPPORTED;
        DWORD full = 1u << bits;
        if (dib->biClrUsed > full)
            return FRAME_BAD_HEADER;
        src->palette_size = dib->biClrUsed != 0 ? dib->biClrUsed : full;
        src->palette = (const RGBQUAD *)after_header;
        src->pixels = after_header + src->palette_size * sizeof(RGBQUAD);
        return FRAME_COPIED;
    }
    if (bits != 16 && bits != 24 && bits != 32)
        return FRAME_UNSUPPORTED;

    if (dib->biCompression == BI_BITFIELDS) {
        if (bits == 24)
            return FRAME_UNSUPPORTED;
        // The three masks follow the header, unless a larger header holds them.
        const DWORD *masks = dib->biSize >= 52 ? (const DWORD *)((const BYTE *)dib + 40)
                                               : (const DWORD *)after_header;
        src->red = make_channel(masks[0]);
        src->green = make_channel(masks[1]);
        src->blue = make_channel(masks[2]);
        src->pixels = after_header + (dib->biSize >= 52 ? 0 : 3 * sizeof(DWORD));
        return FRAME_COPIED;
    }
    if (dib->biCompression != BI_RGB)
        return FRAME_UNSUPPORTED;
    if (bits == 16) {
        src->red = make_channel(0x7C00);
        src->green = make_channel(0x03E0);
        src->blue = make_channel(0x001F);
    } else {
        src->red = make_channel(0x00FF0000);
        src->green = make_channel(0x0000FF00);
        src->blue = make_channel(0x000000FF);
    }
    src->pixels = after_header;
    return FRAME_COPIED;
}

void convert_row(const BYTE *in, BYTE *out, LONG count, WORD bits, const source_layout &src)
{
    switch (bits) {
    case 24:
        memcpy(out, in, (size_t)count * 3);
        return;
    case 32:
        for (LONG x = 0; x < count; x++, in += 4, out += 3) {
            DWORD p = (DWORD)in[0] | ((DWORD)in[1] << 8) | ((DWORD)in[2] << 16) |
                      ((DWORD)in[3] << 24);
            out[0] = expand(p, src.blue);
            out[1] = expand(p, src.green);
            out[2] = expand(p, src.red);
        }
        return;
    case 16:
        for (LONG x = 0; x < count; x++, in += 2, out += 3) {
            DWORD p = (DWORD)in[0] | ((DWORD)in[1] << 8);
            out[0] = expand(p, src.blue);
            out[1] = expand(p, src.green);
            out[2] = expand(p, src.red);
        }
        return;
    default: { // 1, 4 or 8 bits through the palette
        int per_byte = 8 / bits;
        BYTE mask = (BYTE)((1u << bits) - 1);
        for (LONG x = 0; x < count; x++, out += 3) {
            int shift = 8 - bits * (int)(x % per_byte + 1);
            DWORD index = (DWORD)((in[x / per_byte] >> shift) & mask);
            if (index >= src.palette_size) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            out[0] = src.palette[index].rgbBlue;
            out[1] = src.palette[index].rgbGreen;
            out[2] = src.palette[index].rgbRed;
        }
    }
    }
}

} // namespace

DWORD dib_row_stride(LONG width, WORD bits)
{
    return (DWORD)((((uint64_t)width * bits + 31) / 32) * 4);
}

frame_copy_result copy_frame_to_buffer(const BITMAPINFOHEADER *dib, BYTE *frame_buf, LONG width,
                                       LONG height)
{
    source_layout src = {};
    frame_copy_result result = describe(dib, &src);
    if (result != FRAME_COPIED)
        return result;

    DWORD out_stride = dib_row_stride(width, 24);
    WORD bits = dib->biBitCount;

    // The common case: already the frame buffer's own layout.
    if (bits == 24 && dib->biCompression == BI_RGB && !src.top_down && src.width == width &&
        src.height == height) {
        memcpy(frame_buf, src.pixels, (size_t)out_stride * height);
        return FRAME_COPIED;
    }

    LONG copy_width = src.width < width ? src.width : width;
    LONG copy_height = src.height < height ? src.height : height;
    memset(frame_buf, 0, (size_t)out_stride * height);

    // Row y counts from the top of the picture in both images.
    for (LONG y = 0; y < copy_height; y++) {
        LONG in_row = src.top_down ? y : src.height - 1 - y;
        const BYTE *in = src.pixels + (size_t)in_row * src.stride;
        BYTE *out = frame_buf + (size_t)(height - 1 - y) * out_stride;
        convert_row(in, out, copy_width, bits, src);
    }
    return FRAME_COPIED;
}
