#include "pixel_format.h"

namespace {

bool build_channel(uint32_t mask, uint32_t table[256])
{
    if (mask == 0)
        return false;
    unsigned shift = 0;
    while (((mask >> shift) & 1u) == 0)
        shift++;
    unsigned width = 0;
    while (shift + width < 32 && ((mask >> (shift + width)) & 1u) != 0)
        width++;

    for (uint32_t value = 0; value < 256; value++) {
        uint64_t scaled;
        if (width <= 8)
            scaled = value >> (8 - width);
        else  // wider channels (30-bit visuals): spread 0..255 over the whole range
            scaled = (uint64_t)value * ((1ull << width) - 1) / 255;
        table[value] = (uint32_t)(scaled << shift) & mask;
    }
    return true;
}

} // namespace

bool build_channel_tables(const pixel_format *format, channel_tables *tables)
{
    unsigned bits = format->bits_per_pixel;
    if (bits != 16 && bits != 24 && bits != 32)
        return false;
    return build_channel(format->red_mask, tables->red) &&
           build_channel(format->green_mask, tables->green) &&
           build_channel(format->blue_mask, tables->blue);
}

void convert_pixels(const BYTE *source, unsigned source_bytes_per_pixel, BYTE *target,
                    const pixel_format *format, const channel_tables *tables, size_t count)
{
    unsigned target_bytes = format->bits_per_pixel / 8;
    for (size_t i = 0; i < count; i++) {
        const BYTE *bgr = source + i * source_bytes_per_pixel;
        uint32_t pixel = tables->blue[bgr[0]] | tables->green[bgr[1]] | tables->red[bgr[2]];
        BYTE *out = target + i * target_bytes;
        for (unsigned b = 0; b < target_bytes; b++) {
            unsigned byte_shift = format->msb_first ? 8 * (target_bytes - 1 - b) : 8 * b;
            out[b] = (BYTE)(pixel >> byte_shift);
        }
    }
}
