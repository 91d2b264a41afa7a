// Copying a delivered frame into the 24-bit bottom-up frame buffer: every
// layout against a reference built here from per-pixel colours.
#include "frame_copy.h"

#include <gtest/gtest.h>

#include <functional>
#include <string.h>

namespace {

struct rgb {
    BYTE r, g, b;
    bool operator==(const rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};

// Channel levels that survive 5- and 6-bit storage unchanged.
const BYTE exact[8] = {0x00, 0x08, 0x10, 0x18, 0xE7, 0xEF, 0xF7, 0xFF};

rgb any_colour(LONG x, LONG y) { return {(BYTE)(x * 37 + y * 11 + 5), (BYTE)(x * 3 + 200), (BYTE)(y * 29 + 1)}; }
rgb exact_colour(LONG x, LONG y) { return {exact[(x + 1) % 8], exact[y % 8], exact[(x + y + 3) % 8]}; }

const RGBQUAD palette[16] = {
    {0x10, 0x20, 0x30, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0}, {0x00, 0x00, 0xFF, 0},
    {0x11, 0x22, 0x33, 0}, {0x44, 0x55, 0x66, 0}, {0x77, 0x88, 0x99, 0}, {0xAA, 0xBB, 0xCC, 0},
    {0xDD, 0xEE, 0xF0, 0}, {0x01, 0x02, 0x03, 0}, {0x80, 0x80, 0x80, 0}, {0xFE, 0xFD, 0xFC, 0},
    {0x12, 0x34, 0x56, 0}, {0x65, 0x43, 0x21, 0}, {0x0F, 0xF0, 0x0F, 0}, {0xC0, 0x0C, 0xC0, 0},
};

enum encoding { E24, E32, E32_RGBX_MASKS, E16_555, E16_565, E_INDEX };

struct copy_case {
    const char *name;
    encoding enc;
    WORD bits;
    DWORD compression;
    LONG width;
    LONG height;        // negative: top-down
    LONG buf_width;
    LONG buf_height;
    DWORD header_size = 40;
    DWORD colours_used = 0; // palette entries for indexed layouts (0: all)
};

// Palette index of pixel (x, y) for an indexed frame of `entries` colours.
int index_of(LONG x, LONG y, int entries) { return (int)((x * 5 + y * 3) % entries); }

int palette_entries(const copy_case &c)
{
    return c.colours_used != 0 ? (int)c.colours_used : 1 << c.bits;
}

rgb colour_of(const copy_case &c, LONG x, LONG y)
{
    if (c.enc == E_INDEX) {
        RGBQUAD q = palette[index_of(x, y, palette_entries(c)) % 16];
        return {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    return c.enc == E16_555 || c.enc == E16_565 ? exact_colour(x, y) : any_colour(x, y);
}

std::vector<BYTE> build_dib(const copy_case &c)
{
    LONG h = c.height < 0 ? -c.height : c.height;
    size_t stride = (((size_t)c.width * c.bits + 31) / 32) * 4;
    size_t table = 0;
    bool masks_in_header = c.header_size >= 52;
    if (c.compression == BI_BITFIELDS && !masks_in_header)
        table = 12;
    if (c.enc == E_INDEX)
        table = (size_t)palette_entries(c) * 4;
    std::vector<BYTE> dib(c.header_size + table + stride * h, 0xCD);
    memset(dib.data(), 0, c.header_size + table);

    BITMAPINFOHEADER bih = {};
    bih.biSize = c.header_size;
    bih.biWidth = c.width;
    bih.biHeight = c.height;
    bih.biPlanes = 1;
    bih.biBitCount = c.bits;
    bih.biCompression = c.compression;
    bih.biSizeImage = (DWORD)(stride * h);
    bih.biClrUsed = c.colours_used;
    memcpy(dib.data(), &bih, sizeof(bih));

    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    if (c.enc == E32_RGBX_MASKS) {
        masks[0] = 0x000000FF;
        masks[1] = 0x0000FF00;
        masks[2] = 0x00FF0000;
    }
    if (c.compression == BI_BITFIELDS)
        memcpy(dib.data() + (masks_in_header ? 40 : c.header_size), masks, sizeof(masks));
    if (c.enc == E_INDEX)
        for (int i = 0; i < palette_entries(c); i++)
            memcpy(dib.data() + c.header_size + i * 4, &palette[i % 16], 4);

    BYTE *pixels = dib.data() + c.header_size + table;
    for (LONG y = 0; y < h; y++) {
        BYTE *row = pixels + (size_t)(c.height < 0 ? y : h - 1 - y) * stride;
        for (LONG x = 0; x < c.width; x++) {
            rgb p = colour_of(c, x, y);
            switch (c.enc) {
            case E24:
                row[x * 3] = p.b, row[x * 3 + 1] = p.g, row[x * 3 + 2] = p.r;
                break;
            case E32:
                row[x * 4] = p.b, row[x * 4 + 1] = p.g, row[x * 4 + 2] = p.r, row[x * 4 + 3] = 0x99;
                break;
            case E32_RGBX_MASKS:
                row[x * 4] = p.r, row[x * 4 + 1] = p.g, row[x * 4 + 2] = p.b, row[x * 4 + 3] = 0x99;
                break;
            case E16_555: {
                DWORD v = ((DWORD)(p.r >> 3) << 10) | ((DWORD)(p.g >> 3) << 5) | (p.b >> 3);
                row[x * 2] = (BYTE)v, row[x * 2 + 1] = (BYTE)(v >> 8);
                break;
            }
            case E16_565: {
                DWORD v = ((DWORD)(p.r >> 3) << 11) | ((DWORD)(p.g >> 2) << 5) | (p.b >> 3);
                row[x * 2] = (BYTE)v, row[x * 2 + 1] = (BYTE)(v >> 8);
                break;
            }
            case E_INDEX: {
                int index = index_of(x, y, palette_entries(c));
                int per_byte = 8 / c.bits;
                int shift = 8 - c.bits * (x % per_byte + 1); // leftmost pixel in the high bits
                BYTE &byte = row[x / per_byte];
                if (x % per_byte == 0)
                    byte = 0;
                byte |= (BYTE)(index << shift);
                break;
            }
            }
        }
    }
    return dib;
}

size_t buffer_stride(LONG width) { return ((size_t)width * 3 + 3) / 4 * 4; }

rgb buffer_pixel(const std::vector<BYTE> &buf, LONG width, LONG height, LONG x, LONG y)
{
    const BYTE *p = &buf[(size_t)(height - 1 - y) * buffer_stride(width) + x * 3];
    return {p[2], p[1], p[0]};
}

const copy_case layouts[] = {
    {"bgr24_bottom_up", E24, 24, BI_RGB, 4, 3, 4, 3},
    {"bgr24_top_down", E24, 24, BI_RGB, 4, -3, 4, 3},
    {"bgr24_width_321", E24, 24, BI_RGB, 321, 2, 321, 2},
    {"bgr24_width_5_rows_padded", E24, 24, BI_RGB, 5, 3, 5, 3},
    {"bgr24_v5_header", E24, 24, BI_RGB, 3, 2, 3, 2, 124},
    {"bgrx32", E32, 32, BI_RGB, 3, 3, 3, 3},
    {"bgrx32_top_down", E32, 32, BI_RGB, 3, -2, 3, 2},
    {"rgbx32_bit_fields", E32_RGBX_MASKS, 32, BI_BITFIELDS, 3, 2, 3, 2},
    {"rgb555", E16_555, 16, BI_RGB, 8, 8, 8, 8},
    {"rgb555_width_321", E16_555, 16, BI_RGB, 321, 2, 321, 2},
    {"rgb555_top_down", E16_555, 16, BI_RGB, 5, -3, 5, 3},
    {"rgb565_bit_fields", E16_565, 16, BI_BITFIELDS, 8, 8, 8, 8},
    {"rgb565_masks_in_v4_header", E16_565, 16, BI_BITFIELDS, 3, 3, 3, 3, 108},
    {"palette_8_bits_full", E_INDEX, 8, BI_RGB, 7, 3, 7, 3},
    {"palette_8_bits_short_table", E_INDEX, 8, BI_RGB, 6, 2, 6, 2, 40, 5},
    {"palette_8_bits_width_321", E_INDEX, 8, BI_RGB, 321, 2, 321, 2},
    {"palette_8_bits_top_down", E_INDEX, 8, BI_RGB, 3, -4, 3, 4},
    {"palette_4_bits_odd_width", E_INDEX, 4, BI_RGB, 5, 3, 5, 3},
    {"palette_1_bit", E_INDEX, 1, BI_RGB, 9, 2, 9, 2},
    // Frames of another size: the overlap at the top left, the rest black.
    {"smaller_frame", E24, 24, BI_RGB, 2, 2, 4, 3},
    {"larger_frame", E24, 24, BI_RGB, 6, 5, 4, 3},
    {"smaller_frame_16_bits", E16_555, 16, BI_RGB, 3, 1, 4, 3},
    {"larger_frame_top_down", E32, 32, BI_RGB, 5, -4, 3, 2},
};

void PrintTo(const copy_case &c, std::ostream *os)
{
    *os << c.name;
}

class frame_copy_layouts : public ::testing::TestWithParam<copy_case> {};

TEST_P(frame_copy_layouts, matches_the_reference_picture)
{
    const copy_case &c = GetParam();
    std::vector<BYTE> dib = build_dib(c);
    std::vector<BYTE> buf(buffer_stride(c.buf_width) * c.buf_height, 0x77);
    ASSERT_EQ(copy_frame_to_buffer((const BITMAPINFOHEADER *)dib.data(), buf.data(), c.buf_width,
                                   c.buf_height),
              FRAME_COPIED);

    LONG h = c.height < 0 ? -c.height : c.height;
    for (LONG y = 0; y < c.buf_height; y++)
        for (LONG x = 0; x < c.buf_width; x++) {
            rgb want = x < c.width && y < h ? colour_of(c, x, y) : rgb{0, 0, 0};
            rgb got = buffer_pixel(buf, c.buf_width, c.buf_height, x, y);
            ASSERT_EQ(got, want) << "pixel " << x << "," << y << " (from the top)";
        }
}

INSTANTIATE_TEST_SUITE_P(layouts, frame_copy_layouts, ::testing::ValuesIn(layouts),
                         [](const ::testing::TestParamInfo<copy_case> &info) {
                             return std::string(info.param.name);
                         });

// Headers that describe no sane bitmap, and layouts the copy cannot read:
// refused, with the buffer (and so the window) left as it was.
struct refused_case {
    const char *name;
    std::function<void(BITMAPINFOHEADER &)> spoil;
    frame_copy_result expected;
};

const refused_case refusals[] = {
    {"header_too_small", [](BITMAPINFOHEADER &h) { h.biSize = 12; }, FRAME_BAD_HEADER},
    {"header_size_absurd", [](BITMAPINFOHEADER &h) { h.biSize = 0x7FFFFFFF; }, FRAME_BAD_HEADER},
    {"width_0", [](BITMAPINFOHEADER &h) { h.biWidth = 0; }, FRAME_BAD_HEADER},
    {"width_negative", [](BITMAPINFOHEADER &h) { h.biWidth = -4; }, FRAME_BAD_HEADER},
    {"width_32769", [](BITMAPINFOHEADER &h) { h.biWidth = 32769; }, FRAME_BAD_HEADER},
    {"height_0", [](BITMAPINFOHEADER &h) { h.biHeight = 0; }, FRAME_BAD_HEADER},
    {"height_32769", [](BITMAPINFOHEADER &h) { h.biHeight = 32769; }, FRAME_BAD_HEADER},
    {"height_minus_32769", [](BITMAPINFOHEADER &h) { h.biHeight = -32769; }, FRAME_BAD_HEADER},
    {"height_most_negative", [](BITMAPINFOHEADER &h) { h.biHeight = INT32_MIN; }, FRAME_BAD_HEADER},
    {"palette_larger_than_the_depth",
     [](BITMAPINFOHEADER &h) { h.biBitCount = 8, h.biClrUsed = 257; }, FRAME_BAD_HEADER},
    {"rle8", [](BITMAPINFOHEADER &h) { h.biBitCount = 8, h.biCompression = BI_RLE8; },
     FRAME_UNSUPPORTED},
    {"rle4", [](BITMAPINFOHEADER &h) { h.biBitCount = 4, h.biCompression = BI_RLE4; },
     FRAME_UNSUPPORTED},
    {"bit_fields_at_24_bits", [](BITMAPINFOHEADER &h) { h.biCompression = BI_BITFIELDS; },
     FRAME_UNSUPPORTED},
    {"bit_fields_at_8_bits",
     [](BITMAPINFOHEADER &h) { h.biBitCount = 8, h.biCompression = BI_BITFIELDS; },
     FRAME_UNSUPPORTED},
    {"codec_four_cc", [](BITMAPINFOHEADER &h) { h.biCompression = 0x47504A4D; }, FRAME_UNSUPPORTED},
    {"depth_0", [](BITMAPINFOHEADER &h) { h.biBitCount = 0; }, FRAME_UNSUPPORTED},
    {"depth_2", [](BITMAPINFOHEADER &h) { h.biBitCount = 2; }, FRAME_UNSUPPORTED},
    {"depth_48", [](BITMAPINFOHEADER &h) { h.biBitCount = 48; }, FRAME_UNSUPPORTED},
};

void PrintTo(const refused_case &c, std::ostream *os)
{
    *os << c.name;
}

class frame_copy_refusals : public ::testing::TestWithParam<refused_case> {};

TEST_P(frame_copy_refusals, leave_the_buffer_alone)
{
    copy_case base = {"", E24, 24, BI_RGB, 4, 3, 4, 3};
    std::vector<BYTE> dib = build_dib(base);
    // Room for a palette and more, so a refusal is never an over-read.
    dib.resize(dib.size() + 2048, 0);
    GetParam().spoil(*(BITMAPINFOHEADER *)dib.data());
    std::vector<BYTE> buf(buffer_stride(4) * 3, 0x5A);
    EXPECT_EQ(copy_frame_to_buffer((const BITMAPINFOHEADER *)dib.data(), buf.data(), 4, 3),
              GetParam().expected);
    EXPECT_EQ(buf, std::vector<BYTE>(buf.size(), 0x5A));
}

INSTANTIATE_TEST_SUITE_P(refusals, frame_copy_refusals, ::testing::ValuesIn(refusals),
                         [](const ::testing::TestParamInfo<refused_case> &info) {
                             return std::string(info.param.name);
                         });

// Narrow channels widen to the full 0..255 range, evenly.
TEST(frame_copy_channels, every_5_and_6_bit_level_widens_to_its_8_bit_share)
{
    struct channel_case {
        DWORD compression;
        DWORD masks[3];
        int levels;
        int shift;
    } cases[] = {
        {BI_RGB, {0, 0, 0}, 32, 10},                        // 555 red
        {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 64, 5},    // 565 green
        {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 32, 0},    // 565 blue
    };
    for (const channel_case &c : cases) {
        const LONG width = c.levels;
        std::vector<BYTE> dib(40 + 12 + ((size_t)width * 2 + 3) / 4 * 4, 0);
        BITMAPINFOHEADER h = {40, width, 1, 1, 16, c.compression, 0, 0, 0, 0, 0};
        memcpy(dib.data(), &h, sizeof(h));
        size_t pixels = 40;
        if (c.compression == BI_BITFIELDS) {
            memcpy(dib.data() + 40, c.masks, 12);
            pixels += 12;
        }
        for (int v = 0; v < c.levels; v++) {
            DWORD p = (DWORD)v << c.shift;
            dib[pixels + v * 2] = (BYTE)p;
            dib[pixels + v * 2 + 1] = (BYTE)(p >> 8);
        }
        std::vector<BYTE> buf(buffer_stride(width), 0);
        ASSERT_EQ(copy_frame_to_buffer((const BITMAPINFOHEADER *)dib.data(), buf.data(), width, 1),
                  FRAME_COPIED);
        for (int v = 0; v < c.levels; v++) {
            rgb got = buffer_pixel(buf, width, 1, v, 0);
            BYTE level = c.shift == 10 ? got.r : c.shift == 5 ? got.g : got.b;
            double share = v * 255.0 / (c.levels - 1);
            EXPECT_NEAR(level, share, 1.0) << "level " << v << " of " << c.levels;
        }
    }
}

TEST(frame_copy_stride, rows_are_padded_to_four_bytes)
{
    struct { LONG width; WORD bits; DWORD stride; } cases[] = {
        {1, 24, 4}, {4, 24, 12}, {5, 24, 16}, {321, 24, 964}, {321, 16, 644}, {321, 8, 324},
        {5, 4, 4}, {9, 1, 4}, {33, 1, 8}, {3, 32, 12}, {32768, 24, 98304},
    };
    for (const auto &c : cases)
        EXPECT_EQ(dib_row_stride(c.width, c.bits), c.stride) << c.width << " x " << c.bits;
}

} // namespace
