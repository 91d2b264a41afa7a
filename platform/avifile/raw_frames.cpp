#include "raw_frames.h"

#include "dib_layout.h"

#include <string.h>

static raw_channel make_channel(uint32_t mask)
{
    raw_channel c = {mask, 0, 0};
    if (mask == 0)
        return c;
    while (((mask >> c.shift) & 1) == 0)
        c.shift++;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1) != 0)
        c.bits++;
    return c;
}

// Scales a masked channel to 8 bits, repeating its high bits downwards so
// that full intensity stays 255.
static uint8_t expand(uint32_t pixel, const raw_channel &c)
{
    if (c.bits == 0)
        return 0;
    uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8)
        return (uint8_t)(v >> (c.bits - 8));
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << c.bits) | v;
        filled += c.bits;
    }
    return (uint8_t)(out >> (filled - 8));
}

static uint32_t read_u32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

bool raw_is_uncompressed(const std::vector<uint8_t> &format)
{
    if (format.size() < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER h;
    memcpy(&h, format.data(), sizeof(h));
    return h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS ||
           h.biCompression == mmioFOURCC('D', 'I', 'B', ' ') ||
           h.biCompression == mmioFOURCC('R', 'G', 'B', ' ') ||
           h.biCompression == mmioFOURCC('R', 'A', 'W', ' ');
}

bool raw_layout_from_format(const std::vector<uint8_t> &format, raw_layout *layout)
{
    if (!raw_is_uncompressed(format))
        return false;
    BITMAPINFOHEADER h;
    memcpy(&h, format.data(), sizeof(h));
    if (h.biHeight == INT32_MIN || dib_packed_size(h.biWidth, h.biHeight < 0 ? -(int64_t)h.biHeight : h.biHeight) == 0)
        return false;

    layout->width = h.biWidth;
    layout->top_down = h.biHeight < 0;
    layout->height = layout->top_down ? -h.biHeight : h.biHeight;
    layout->bits = h.biBitCount;
    layout->stride = dib_stride(layout->width, layout->bits);
    layout->frame_bytes = layout->stride * (uint64_t)layout->height;
    layout->palette.clear();

    // Writers disagree on biSize (some count the data after the header in
    // it), so the colour table is taken from the end of strf.
    const uint8_t *extra = format.data() + sizeof(BITMAPINFOHEADER);
    size_t extra_size = format.size() - sizeof(BITMAPINFOHEADER);

    switch (layout->bits) {
    case 1:
    case 4:
    case 8: {
        size_t full = (size_t)1 << layout->bits;
        size_t count = h.biClrUsed != 0 && h.biClrUsed < full ? h.biClrUsed : full;
        size_t present = extra_size / sizeof(RGBQUAD);
        if (present < count)
            count = present;
        layout->palette.resize(count);
        if (count != 0)
            memcpy(layout->palette.data(), extra + extra_size - count * sizeof(RGBQUAD),
                   count * sizeof(RGBQUAD));
        return h.biCompression != BI_BITFIELDS;
    }
    case 16:
    case 32: {
        uint32_t r = layout->bits == 16 ? 0x7C00 : 0x00FF0000;
        uint32_t g = layout->bits == 16 ? 0x03E0 : 0x0000FF00;
        uint32_t b = layout->bits == 16 ? 0x001F : 0x000000FF;
        if (h.biCompression == BI_BITFIELDS) {
            // The masks sit right after the 40-byte header, inside a larger header or not.
            if (format.size() - sizeof(BITMAPINFOHEADER) < 12)
                return false;
            const uint8_t *masks = format.data() + sizeof(BITMAPINFOHEADER);
            r = read_u32(masks);
            g = read_u32(masks + 4);
            b = read_u32(masks + 8);
        }
        layout->red = make_channel(r);
        layout->green = make_channel(g);
        layout->blue = make_channel(b);
        return true;
    }
    case 24:
        return h.biCompression != BI_BITFIELDS;
    default:
        return false;
    }
}

static void convert_row(const raw_layout &layout, const uint8_t *in, uint8_t *out,
                        const RGBQUAD *palette, size_t palette_count)
{
    int32_t count = layout.width;
    switch (layout.bits) {
    case 24:
        memcpy(out, in, (size_t)count * 3);
        return;
    case 32:
        if (layout.red.mask == 0x00FF0000 && layout.green.mask == 0x0000FF00 &&
            layout.blue.mask == 0x000000FF) {
            for (int32_t x = 0; x < count; x++, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
            return;
        }
        for (int32_t x = 0; x < count; x++, in += 4, out += 3) {
            uint32_t p = read_u32(in);
            out[0] = expand(p, layout.blue);
            out[1] = expand(p, layout.green);
            out[2] = expand(p, layout.red);
        }
        return;
    case 16:
        for (int32_t x = 0; x < count; x++, in += 2, out += 3) {
            uint32_t p = (uint32_t)in[0] | ((uint32_t)in[1] << 8);
            out[0] = expand(p, layout.blue);
            out[1] = expand(p, layout.green);
            out[2] = expand(p, layout.red);
        }
        return;
    default: {  // 1, 4 or 8 bits through the palette; an index past it is black
        int bits = layout.bits;
        int per_byte = 8 / bits;
        uint8_t mask = (uint8_t)((1u << bits) - 1);
        for (int32_t x = 0; x < count; x++, out += 3) {
            int shift = 8 - bits * (x % per_byte + 1);
            size_t index = (size_t)((in[x / per_byte] >> shift) & mask);
            if (index >= palette_count) {
                out[0] = out[1] = out[2] = 0;
                continue;
            }
            out[0] = palette[index].rgbBlue;
            out[1] = palette[index].rgbGreen;
            out[2] = palette[index].rgbRed;
        }
    }
    }
}

uint64_t raw_bytes_needed(const raw_layout &layout)
{
    uint64_t last_row = dib_stride(layout.width, layout.bits) * (uint64_t)(layout.height - 1);
    return last_row + ((uint64_t)layout.width * (uint64_t)layout.bits + 7) / 8;
}

bool raw_convert(const raw_layout &layout, const uint8_t *data, size_t size,
                 const RGBQUAD *palette, size_t palette_count, uint8_t *out)
{
    if (size < raw_bytes_needed(layout))
        return false;
    size_t out_stride = (size_t)dib_stride(layout.width, 24);
    for (int32_t y = 0; y < layout.height; y++) {
        // Output row 0 is the bottom one; so is the source's unless top-down.
        int32_t in_row = layout.top_down ? layout.height - 1 - y : y;
        convert_row(layout, data + (size_t)in_row * (size_t)layout.stride, out + (size_t)y * out_stride,
                    palette, palette_count);
    }
    return true;
}
