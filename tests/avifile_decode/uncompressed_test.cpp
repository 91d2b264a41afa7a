// Uncompressed layouts, palettes, dropped and damaged frames, and the edges
// of the vfw calls, on files from the test-side RIFF writer.

#include "decode_fixtures.h"
#include "dib_layout.h"
#include "riff_writer.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

struct layout_case {
    const char *name;
    uint16_t bits;
    uint32_t compression;   // BI_RGB or BI_BITFIELDS
    uint32_t masks[3];      // red, green, blue for BI_BITFIELDS
    int32_t width;
    int32_t height;         // negative: rows stored top-down
};

const layout_case layouts[] = {
    {"pal8", 8, BI_RGB, {}, 64, 48},
    {"pal8_top_down", 8, BI_RGB, {}, 63, -47},
    {"pal4", 4, BI_RGB, {}, 33, 20},
    {"rgb555", 16, BI_RGB, {}, 65, 30},
    {"bitfields565", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 64, 48},
    {"bitfields555", 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 31, 17},
    {"bgr24_odd_width", 24, BI_RGB, {}, 321, 40},
    {"bgr24_top_down", 24, BI_RGB, {}, 50, -30},
    {"bgrx32", 32, BI_RGB, {}, 45, 25},
};

uint8_t widen(uint32_t v, int bits)
{
    return bits == 5 ? (uint8_t)((v << 3) | (v >> 2)) : (uint8_t)((v << 2) | (v >> 4));
}

RGBQUAD palette_entry(int i)
{
    return RGBQUAD{(uint8_t)i, (uint8_t)(255 - i), (uint8_t)(i * 7), 0};
}

// Frame f's pixel (x, y from the top): its stored value and the colour it stands for.
uint32_t stored_pixel(const layout_case &c, int x, int y, int f, uint8_t bgr[3])
{
    if (c.bits <= 8) {
        int index = (x + 3 * y + 7 * f) % (1 << c.bits);
        RGBQUAD q = palette_entry(index);
        bgr[0] = q.rgbBlue, bgr[1] = q.rgbGreen, bgr[2] = q.rgbRed;
        return (uint32_t)index;
    }
    if (c.bits == 16) {
        bool six_green = c.masks[1] == 0x07E0;
        uint32_t r = (uint32_t)(x + f) & 31, g = (uint32_t)(y * 2) & (six_green ? 63 : 31),
                 b = (uint32_t)(x + y) & 31;
        bgr[0] = widen(b, 5), bgr[1] = widen(g, six_green ? 6 : 5), bgr[2] = widen(r, 5);
        return six_green ? (r << 11 | g << 5 | b) : (r << 10 | g << 5 | b);
    }
    bgr[0] = (uint8_t)(x + f), bgr[1] = (uint8_t)y, bgr[2] = (uint8_t)(x ^ y);
    return (uint32_t)bgr[0] | (uint32_t)bgr[1] << 8 | (uint32_t)bgr[2] << 16 | 0xAB000000u;
}

std::vector<uint8_t> stored_frame(const layout_case &c, int f, bgr_picture *expected)
{
    int32_t height = c.height < 0 ? -c.height : c.height;
    size_t stride = ((size_t)c.width * c.bits + 31) / 32 * 4;
    std::vector<uint8_t> data(stride * height, 0);
    expected->width = c.width;
    expected->height = height;
    expected->pixels.assign((size_t)c.width * height * 3, 0);
    for (int y = 0; y < height; y++) {
        uint8_t *row = &data[stride * (size_t)(c.height < 0 ? y : height - 1 - y)];
        for (int x = 0; x < c.width; x++) {
            uint8_t *bgr = &expected->pixels[((size_t)y * c.width + x) * 3];
            uint32_t v = stored_pixel(c, x, y, f, bgr);
            if (c.bits == 4)
                row[x / 2] |= (uint8_t)(x % 2 == 0 ? v << 4 : v);
            else
                for (int b = 0; b < c.bits / 8; b++)
                    row[(size_t)x * (c.bits / 8) + b] = (uint8_t)(v >> (8 * b));
        }
    }
    return data;
}

avi_test_stream video_stream(const layout_case &c, const char *compression_tag, uint32_t frames)
{
    avi_strh_fields strh;
    strh.length = frames;
    std::vector<uint8_t> strf = avi_bitmap_header(c.width, c.height, c.bits,
                                                  compression_tag ? fourcc_value(compression_tag) : c.compression);
    if (c.compression == BI_BITFIELDS)
        for (uint32_t m : c.masks)
            le32(&strf, m);
    if (c.bits <= 8)
        for (int i = 0; i < (1 << c.bits); i++) {
            RGBQUAD q = palette_entry(i);
            strf.insert(strf.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
        }
    return {avi_strh(strh), strf, "", {}};
}

class layouts_test : public testing::TestWithParam<layout_case> {};

TEST_P(layouts_test, frames_arrive_as_24_bit_bottom_up)
{
    const layout_case &c = GetParam();
    const int frames = 3;
    avi_test_file file;
    file.streams.push_back(video_stream(c, nullptr, frames));
    std::vector<bgr_picture> expected(frames);
    for (int f = 0; f < frames; f++)
        file.chunks.push_back({"00db", stored_frame(c, f, &expected[f]), true});
    std::string path = test_folder(c.name) + "/layout.avi";
    ASSERT_TRUE(write_avi_file(path, file));

    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    for (int f : {2, 0, 1}) {
        bgr_picture got;
        ASSERT_TRUE(get_frame(stream, f, &got)) << "frame " << f;
        EXPECT_EQ(got.width, expected[f].width);
        EXPECT_EQ(got.height, expected[f].height);
        EXPECT_TRUE(got.pixels == expected[f].pixels) << "frame " << f;
    }
    AVIStreamRelease(stream);
}

INSTANTIATE_TEST_SUITE_P(uncompressed, layouts_test, testing::ValuesIn(layouts),
                         [](const testing::TestParamInfo<layout_case> &info) { return info.param.name; });

const layout_case pal8 = {"pal8", 8, BI_RGB, {}, 16, 8};

// A palette-change chunk setting entries [first, first + count) to one colour.
avi_test_chunk palette_change(int first, int count, RGBQUAD colour)
{
    std::vector<uint8_t> data = {(uint8_t)first, (uint8_t)count, 0, 0};
    for (int i = 0; i < count; i++)
        data.insert(data.end(), {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0});
    return {"00pc", data, false};
}

// Microsoft RLE8 of a picture of palette indexes, rows from the bottom, in runs.
std::vector<uint8_t> rle8(const std::vector<uint8_t> &indexes, int width, int height)
{
    std::vector<uint8_t> out;
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            int run = 1;
            uint8_t v = indexes[(size_t)y * width + x];
            while (x + run < width && run < 255 && indexes[(size_t)y * width + x + run] == v)
                run++;
            out.insert(out.end(), {(uint8_t)run, v});
            x += run - 1;
        }
        out.insert(out.end(), {0, 0});
    }
    out.back() = 1;  // the last end of line becomes the end of the picture
    return out;
}

// Frames 0 and 1 use strf's colour table; a change before frame 2 turns
// entries 0..7 red. Asked out of order, each frame still shows its own table.
void expect_palette_change_honoured(bool run_length)
{
    const int frames = 4;
    avi_test_file file;
    file.streams.push_back(video_stream(pal8, run_length ? "\x01\0\0\0" : nullptr, frames));
    const RGBQUAD red = {0, 0, 255, 0};
    std::vector<bgr_picture> expected(frames);
    for (int f = 0; f < frames; f++) {
        if (f == 2)
            file.chunks.push_back(palette_change(0, 8, red));
        std::vector<uint8_t> data = stored_frame(pal8, 0, &expected[f]);
        if (run_length) {
            std::vector<uint8_t> top_down(data.size());
            for (int y = 0; y < pal8.height; y++)
                memcpy(&top_down[(size_t)y * pal8.width], &data[(size_t)(pal8.height - 1 - y) * pal8.width],
                       pal8.width);
            data = rle8(top_down, pal8.width, pal8.height);
        }
        file.chunks.push_back({"00dc", data, f == 0});
        if (f >= 2)
            for (int i = 0; i < pal8.width * pal8.height; i++)
                if ((i % pal8.width + 3 * (i / pal8.width)) % 256 < 8)
                    memcpy(&expected[f].pixels[(size_t)i * 3], "\0\0\xff", 3);
    }
    std::string path = test_folder(run_length ? "rle_palette" : "raw_palette") + "/palette.avi";
    ASSERT_TRUE(write_avi_file(path, file));

    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    for (int f : {3, 1, 2, 0, 3}) {
        bgr_picture got;
        ASSERT_TRUE(get_frame(stream, f, &got)) << "frame " << f;
        EXPECT_TRUE(got.pixels == expected[f].pixels) << "frame " << f;
    }
    AVIStreamRelease(stream);
}

TEST(palette_change, applies_from_its_frame_on_uncompressed)
{
    expect_palette_change_honoured(false);
}

TEST(palette_change, applies_from_its_frame_on_run_length)
{
    expect_palette_change_honoured(true);
}

const layout_case bgr24 = {"bgr24", 24, BI_RGB, {}, 20, 10};

// Frames: 0 dropped, 1 good, 2 and 3 dropped, 4 short by one byte, 5 good.
std::string damaged_file(std::vector<bgr_picture> *expected)
{
    avi_test_file file;
    file.streams.push_back(video_stream(bgr24, nullptr, 6));
    expected->resize(6);
    for (int f = 0; f < 6; f++) {
        std::vector<uint8_t> data = stored_frame(bgr24, f, &(*expected)[f]);
        if (f == 0 || f == 2 || f == 3)
            data.clear();
        if (f == 4)
            data.pop_back();
        file.chunks.push_back({"00db", data, true});
    }
    std::string path = test_folder("damaged") + "/damaged.avi";
    return write_avi_file(path, file) ? path : "";
}

TEST(dropped_frames, show_the_previous_picture)
{
    std::vector<bgr_picture> expected;
    std::string path = damaged_file(&expected);
    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    bgr_picture got;
    EXPECT_FALSE(get_frame(stream, 0, &got)) << "nothing before frame 0 to repeat";
    for (int f : {3, 2, 1}) {
        ASSERT_TRUE(get_frame(stream, f, &got)) << "frame " << f;
        EXPECT_TRUE(got.pixels == expected[1].pixels) << "frame " << f;
    }
    AVIStreamRelease(stream);
}

TEST(short_frame, fails_alone)
{
    std::vector<bgr_picture> expected;
    std::string path = damaged_file(&expected);
    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    bgr_picture got;
    EXPECT_FALSE(get_frame(stream, 4, &got));
    ASSERT_TRUE(get_frame(stream, 5, &got));
    EXPECT_TRUE(got.pixels == expected[5].pixels);
    AVIStreamRelease(stream);
}

TEST(short_frame, of_a_huge_picture_fails_without_taking_its_memory)
{
    const layout_case huge = {"huge", 8, BI_RGB, {}, 27144, 16644};
    avi_test_file file;
    file.streams.push_back(video_stream(huge, nullptr, 2));
    for (int f = 0; f < 2; f++)
        file.chunks.push_back({"00db", std::vector<uint8_t>(32, 1), true});
    std::string path = test_folder("huge") + "/huge.avi";
    ASSERT_TRUE(write_avi_file(path, file));
    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    bgr_picture got;
    EXPECT_FALSE(get_frame(stream, 1, &got));
    EXPECT_FALSE(get_frame(stream, 0, &got));
    AVIStreamRelease(stream);
}

// The fuzzer lowers the picture limit to keep its memory small; the
// converting and the decoding path must both honour it.
TEST(picture_limit, is_honoured_by_conversion_and_decoding)
{
    const uint64_t pixels = (uint64_t)pal8.width * (uint64_t)pal8.height;
    const uint64_t usual = dib_max_pixels();
    for (bool run_length : {false, true}) {
        avi_test_file file;
        file.streams.push_back(video_stream(pal8, run_length ? "\x01\0\0\0" : nullptr, 1));
        bgr_picture unused;
        std::vector<uint8_t> data = run_length
            ? rle8(std::vector<uint8_t>((size_t)pixels, 5), pal8.width, pal8.height)
            : stored_frame(pal8, 0, &unused);
        file.chunks.push_back({"00dc", data, true});
        std::string path = test_folder(run_length ? "limit_rle" : "limit_raw") + "/limit.avi";
        ASSERT_TRUE(write_avi_file(path, file));
        for (uint64_t limit : {pixels - 1, pixels}) {
            dib_set_max_pixels(limit);
            PAVISTREAM stream = open_stream(path);
            ASSERT_NE(stream, nullptr);
            bgr_picture got;
            EXPECT_EQ(get_frame(stream, 0, &got), limit == pixels)
                << (run_length ? "run-length" : "uncompressed") << ", limit " << limit;
            AVIStreamRelease(stream);
        }
    }
    dib_set_max_pixels(usual);
}

TEST(frame_numbers, outside_the_stream_give_no_frame)
{
    std::vector<bgr_picture> expected;
    PAVISTREAM stream = open_stream(damaged_file(&expected));
    ASSERT_NE(stream, nullptr);
    PGETFRAME decoder = AVIStreamGetFrameOpen(stream, NULL);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(AVIStreamGetFrame(decoder, -1), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(decoder, 6), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(decoder, 0x7FFFFFFF), nullptr);
    EXPECT_NE(AVIStreamGetFrame(decoder, 5), nullptr);
    AVIStreamGetFrameClose(decoder);
    AVIStreamRelease(stream);
}

TEST(frame_decoder, is_had_for_24_bit_or_best_format_only)
{
    std::vector<bgr_picture> expected;
    PAVISTREAM stream = open_stream(damaged_file(&expected));
    ASSERT_NE(stream, nullptr);
    BITMAPINFOHEADER wanted = {};
    wanted.biSize = 40;
    wanted.biBitCount = 24;
    PGETFRAME decoder = AVIStreamGetFrameOpen(stream, &wanted);
    EXPECT_NE(decoder, nullptr);
    AVIStreamGetFrameClose(decoder);
    wanted.biBitCount = 16;
    EXPECT_EQ(AVIStreamGetFrameOpen(stream, &wanted), nullptr);
    AVIStreamRelease(stream);
}

TEST(stream_info, copies_only_the_bytes_asked_for)
{
    std::vector<bgr_picture> expected;
    PAVISTREAM stream = open_stream(damaged_file(&expected));
    ASSERT_NE(stream, nullptr);
    AVISTREAMINFOA info;
    memset(&info, 0x5A, sizeof(info));
    EXPECT_EQ(AVIStreamInfoA(stream, &info, 8), 0);
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.dwScale, 0x5A5A5A5Au);
    EXPECT_EQ(AVIStreamInfoA(stream, &info, sizeof(info)), 0);
    EXPECT_EQ(info.dwLength, 6u);
    AVIStreamRelease(stream);
}

TEST(open, a_missing_file_fails_and_leaves_no_stream)
{
    PAVISTREAM stream = (PAVISTREAM)&stream;
    EXPECT_NE(AVIStreamOpenFromFileA(&stream, "/nonexistent/x.avi", streamtypeVIDEO, 0, OF_READ, NULL), 0);
    EXPECT_EQ(stream, nullptr);
}

TEST(unknown_codec, opens_and_its_frames_fail_with_one_line)
{
    avi_test_file file;
    file.streams.push_back(video_stream(bgr24, "QQQQ", 3));
    for (int f = 0; f < 3; f++)
        file.chunks.push_back({"00dc", std::vector<uint8_t>(100, 1), true});
    std::string path = test_folder("unknown") + "/unknown.avi";
    ASSERT_TRUE(write_avi_file(path, file));
    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    testing::internal::CaptureStdout();
    bgr_picture got;
    for (int f = 0; f < 3; f++)
        EXPECT_FALSE(get_frame(stream, f, &got));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no decoder for video codec 'QQQQ'\n");
    AVIStreamRelease(stream);
}

} // namespace
