// Frame-exact access in any order, across group boundaries, with B-frames:
// every frame asked for equals the ffmpeg tool's decode of that frame.

#include "decode_fixtures.h"

#include <gtest/gtest.h>

namespace {

struct access_case {
    const char *name;
    const char *args;
};

// Groups of 12 frames; B-frames reorder the pictures, and MPEG-4's open
// groups put B-frames that lean on the previous group after each key frame.
const access_case codecs[] = {
    {"mpeg4_open_gop", "-c:v mpeg4 -bf 2 -g 12 -q:v 4"},
    {"mpeg4_closed_gop", "-c:v mpeg4 -bf 2 -g 12 -flags +cgop -sc_threshold 1000000000 -q:v 4"},
    {"h264", "-c:v libx264 -preset veryfast -bf 3 -g 12 -pix_fmt yuv420p"},
    {"mjpeg", "-c:v mjpeg -q:v 3"},
};

const std::vector<long> sequences[] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},        // forward over a boundary
    {47, 46, 45, 44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33},   // back over a boundary
    {30, 11, 12, 13, 24, 23, 22, 47, 0, 36, 35, 34, 5, 25, 26, 12}, // jumps
    {12, 13, 14, 10, 11, 24, 25, 26, 23, 35, 36},                   // around key frames
};

class random_access : public testing::TestWithParam<access_case> {};

TEST_P(random_access, gives_exactly_the_frame_asked_for)
{
    const access_case &c = GetParam();
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    const int frames = 48;
    std::string path = test_folder(c.name) + "/clip.avi";
    if (!make_test_video(path, 96, 64, frames, c.args))
        GTEST_SKIP() << "this ffmpeg cannot encode " << c.name;
    std::vector<bgr_picture> reference = reference_frames(path, 96, 64);
    ASSERT_EQ(reference.size(), (size_t)frames);

    for (const std::vector<long> &sequence : sequences) {
        PAVISTREAM stream = open_stream(path);  // a fresh stream each: no help from an earlier cache
        ASSERT_NE(stream, nullptr);
        for (long n : sequence) {
            bgr_picture got;
            ASSERT_TRUE(get_frame(stream, n, &got)) << "frame " << n;
            EXPECT_TRUE(got.pixels == reference[n].pixels) << "frame " << n;
        }
        AVIStreamRelease(stream);
    }
}

INSTANTIATE_TEST_SUITE_P(codecs, random_access, testing::ValuesIn(codecs),
                         [](const testing::TestParamInfo<access_case> &info) { return info.param.name; });

} // namespace
