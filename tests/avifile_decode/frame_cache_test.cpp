// The frame cache: a step back costs no decoding, a group is decoded once
// when walked backwards, and the cache stays within its budget.

#include "avi_decode_testing.h"
#include "decode_fixtures.h"

#include <gtest/gtest.h>

namespace {

const int width = 96, height = 64, frames = 48;
const size_t picture_bytes = 40 + (size_t)width * 3 * height;

class frame_cache : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!have_ffmpeg())
            return;
        path = new std::string(test_folder("cache") + "/clip.avi");
        if (!make_test_video(*path, width, height, frames,
                             "-c:v libx264 -preset veryfast -bf 2 -g 24 -pix_fmt yuv420p") &&
            !make_test_video(*path, width, height, frames, "-c:v mpeg4 -bf 2 -g 24 -flags +cgop -sc_threshold 1000000000"))
            return;
        reference = new std::vector<bgr_picture>(reference_frames(*path, width, height));
    }
    void SetUp() override
    {
        if (reference == nullptr || reference->size() != (size_t)frames)
            GTEST_SKIP() << "no ffmpeg tool to make the clip";
        stream = open_stream(*path);
        ASSERT_NE(stream, nullptr);
    }
    void TearDown() override
    {
        if (stream != nullptr)
            AVIStreamRelease(stream);
    }
    void expect_frame(long n)
    {
        bgr_picture got;
        ASSERT_TRUE(get_frame(stream, n, &got)) << "frame " << n;
        EXPECT_TRUE(got.pixels == (*reference)[n].pixels) << "frame " << n;
    }
    static std::string *path;
    static std::vector<bgr_picture> *reference;
    PAVISTREAM stream = nullptr;
};

std::string *frame_cache::path;
std::vector<bgr_picture> *frame_cache::reference;

TEST_F(frame_cache, a_step_back_decodes_nothing)
{
    for (long n = 0; n <= 30; n++)
        expect_frame(n);
    uint64_t decodes = avi_stream_decode_count(stream);
    expect_frame(29);
    expect_frame(28);
    EXPECT_EQ(avi_stream_decode_count(stream), decodes);
}

TEST_F(frame_cache, walking_back_through_a_group_decodes_it_once)
{
    expect_frame(23);  // the last frame of the first group, straight away
    uint64_t decodes = avi_stream_decode_count(stream);
    for (long n = 22; n >= 0; n--)
        expect_frame(n);
    EXPECT_EQ(avi_stream_decode_count(stream), decodes);
}

TEST_F(frame_cache, stepping_forward_decodes_one_frame_a_step)
{
    expect_frame(10);
    uint64_t decodes = avi_stream_decode_count(stream);
    expect_frame(11);
    EXPECT_EQ(avi_stream_decode_count(stream), decodes + 1);
}

TEST_F(frame_cache, stays_within_its_budget_and_frames_stay_right)
{
    avi_stream_set_cache_budget(stream, 5 * picture_bytes + 1000);
    for (long n : {0, 10, 20, 30, 40, 47, 46, 45, 30, 29, 28, 3, 2, 1, 0}) {
        expect_frame(n);
        EXPECT_LE(avi_stream_cache_bytes(stream), 5 * picture_bytes + 1000) << "after frame " << n;
    }
}

TEST_F(frame_cache, a_budget_too_small_for_one_picture_still_gives_frames)
{
    avi_stream_set_cache_budget(stream, 100);
    for (long n : {5, 4, 30, 29})
        expect_frame(n);
    EXPECT_EQ(avi_stream_cache_bytes(stream), 0u);
}

} // namespace
