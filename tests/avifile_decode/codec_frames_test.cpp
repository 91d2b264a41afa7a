// Frames 0, 1, a middle one and the last, per codec, against the ffmpeg
// tool's decode of the same file.

#include "decode_fixtures.h"

#include <gtest/gtest.h>

namespace {

struct codec_case {
    const char *name;
    const char *args;
    int width, height, frames;
    bool lossless;  // the decode must be identical; else it must be the right frame, nearly identical
};

const codec_case cases[] = {
    {"raw_bgr24", "-c:v rawvideo -pix_fmt bgr24", 160, 120, 20, true},
    {"huffyuv_rgb", "-c:v huffyuv -pix_fmt rgb24", 160, 120, 20, true},
    {"huffyuv_yuv", "-c:v huffyuv -pix_fmt yuv422p", 160, 120, 20, true},
    {"ffvhuff", "-c:v ffvhuff -pix_fmt yuv420p", 160, 120, 20, true},
    {"ffv1", "-c:v ffv1 -g 8", 160, 120, 20, true},
    {"utvideo", "-c:v utvideo -pix_fmt yuv422p", 160, 120, 20, true},
    {"png", "-c:v png", 96, 64, 10, true},
    {"cinepak", "-c:v cinepak", 160, 120, 20, true},
    {"msvideo1", "-c:v msvideo1", 160, 120, 20, true},
    {"mjpeg", "-c:v mjpeg -q:v 3", 160, 120, 20, false},
    {"mpeg4_bframes", "-c:v mpeg4 -bf 2 -g 12 -q:v 4", 160, 120, 40, false},
    {"xvid_tag", "-c:v mpeg4 -vtag XVID -bf 1 -g 10 -q:v 4", 160, 120, 30, false},
    {"msmpeg4v3", "-c:v msmpeg4 -g 10 -q:v 4", 160, 120, 30, false},
    {"msmpeg4v2", "-c:v msmpeg4v2 -g 10 -q:v 4", 160, 120, 30, false},
    {"h263", "-c:v h263 -g 10 -q:v 4", 176, 144, 30, false},
    {"h264_bframes", "-c:v libx264 -preset veryfast -bf 2 -g 12 -pix_fmt yuv420p", 160, 120, 40, false},
    {"dv", "-c:v dvvideo -pix_fmt yuv420p", 720, 576, 6, false},
};

class codec_frames : public testing::TestWithParam<codec_case> {};

TEST_P(codec_frames, match_the_ffmpeg_decode)
{
    const codec_case &c = GetParam();
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    std::string path = test_folder(c.name) + "/clip.avi";
    if (!make_test_video(path, c.width, c.height, c.frames, c.args))
        GTEST_SKIP() << "this ffmpeg cannot encode " << c.name;
    std::vector<bgr_picture> reference = reference_frames(path, c.width, c.height);
    ASSERT_EQ(reference.size(), (size_t)c.frames);

    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    AVISTREAMINFOA info = {};
    AVIStreamInfoA(stream, &info, sizeof(info));
    ASSERT_EQ(info.dwLength, (DWORD)c.frames);

    const long picks[] = {0, 1, c.frames / 2, c.frames - 1};
    for (long n : picks) {
        bgr_picture ours;
        ASSERT_TRUE(get_frame(stream, n, &ours)) << "frame " << n;
        if (c.lossless) {
            EXPECT_TRUE(ours.width == c.width && ours.height == c.height &&
                        ours.pixels == reference[n].pixels) << "frame " << n;
            continue;
        }
        double here = picture_distance(ours, reference[n]);
        EXPECT_LT(here, 1.0) << "frame " << n;
        for (long other = n - 2; other <= n + 2; other++) {
            if (other != n && other >= 0 && other < c.frames) {
                EXPECT_LT(here, picture_distance(ours, reference[other])) << "frame " << n << " vs " << other;
            }
        }
    }
    AVIStreamRelease(stream);
}

INSTANTIATE_TEST_SUITE_P(codecs, codec_frames, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<codec_case> &info) { return info.param.name; });

} // namespace
