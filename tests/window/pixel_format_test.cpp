// DIB pixels into X image layouts: every depth and byte order we may meet.
#include "pixel_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct layout_case {
    const char *name;
    pixel_format format;
    std::vector<BYTE> expected;  // the pixel blue 0x12, green 0x34, red 0x56
};

TEST(PixelFormat, WritesOnePixelInEachLayout)
{
    const layout_case cases[] = {
        {"32-bit RGB, LSB first", {32, 0xFF0000, 0x00FF00, 0x0000FF, false}, {0x12, 0x34, 0x56, 0}},
        {"32-bit RGB, MSB first", {32, 0xFF0000, 0x00FF00, 0x0000FF, true}, {0, 0x56, 0x34, 0x12}},
        {"32-bit BGR visual", {32, 0x0000FF, 0x00FF00, 0xFF0000, false}, {0x56, 0x34, 0x12, 0}},
        {"24-bit packed", {24, 0xFF0000, 0x00FF00, 0x0000FF, false}, {0x12, 0x34, 0x56}},
        // 565: red 0x56>>3 = 0x0A, green 0x34>>2 = 0x0D, blue 0x12>>3 = 0x02
        {"16-bit 565, LSB first", {16, 0xF800, 0x07E0, 0x001F, false}, {0xA2, 0x51}},
        {"16-bit 565, MSB first", {16, 0xF800, 0x07E0, 0x001F, true}, {0x51, 0xA2}},
        // 555: 0x0A << 10 | 0x06 << 5 | 0x02
        {"15-bit 555", {16, 0x7C00, 0x03E0, 0x001F, false}, {0xC2, 0x28}},
        // 10 bits a channel: 0x56 -> 0x159, 0x34 -> 0xD0, 0x12 -> 0x48
        {"30-bit", {32, 0x3FF00000, 0x000FFC00, 0x000003FF, false}, {0x48, 0x40, 0x93, 0x15}},
    };
    const BYTE bgr[3] = {0x12, 0x34, 0x56};
    const BYTE bgrx[4] = {0x12, 0x34, 0x56, 0xEE};
    for (const layout_case &c : cases) {
        channel_tables tables;
        ASSERT_TRUE(build_channel_tables(&c.format, &tables)) << c.name;
        for (unsigned source_bytes : {3u, 4u}) {
            std::vector<BYTE> out(c.expected.size() + 1, 0xCC);
            convert_pixels(source_bytes == 3 ? bgr : bgrx, source_bytes, out.data(), &c.format,
                           &tables, 1);
            EXPECT_EQ(std::vector<BYTE>(out.begin(), out.end() - 1), c.expected)
                << c.name << ", source of " << source_bytes << " bytes";
            EXPECT_EQ(out.back(), 0xCC) << c.name << ": wrote past the pixel";
        }
    }
}

TEST(PixelFormat, RefusesLayoutsItCannotWrite)
{
    const pixel_format refused[] = {
        {8, 0xE0, 0x1C, 0x03, false},
        {32, 0, 0x00FF00, 0x0000FF, false},
        {12, 0xF00, 0x0F0, 0x00F, false},
    };
    for (const pixel_format &format : refused) {
        channel_tables tables;
        EXPECT_FALSE(build_channel_tables(&format, &tables)) << format.bits_per_pixel;
    }
}

} // namespace
