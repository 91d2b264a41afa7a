// A compressed frame whose data is garbage fails alone: the frames around
// it, before and after, still decode to exactly the right pictures.

#include "avi_container.h"
#include "decode_fixtures.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Overwrites frame n's chunk data in place with bytes no decoder accepts.
bool spoil_frame(const std::string &path, uint32_t n)
{
    avi_video_stream video;
    if (avi_open_video(path.c_str(), 0, &video) != AVIERR_OK)
        return false;
    bool ok = n < video.frames.size();
    avi_frame_entry entry = ok ? video.frames[n] : avi_frame_entry{};
    avi_close_video(&video);
    int fd = open(path.c_str(), O_WRONLY);
    if (!ok || fd < 0)
        return false;
    std::vector<uint8_t> junk(entry.size, 0xFF);
    ok = pwrite(fd, junk.data(), junk.size(), (off_t)entry.offset) == (ssize_t)junk.size();
    close(fd);
    return ok;
}

TEST(damaged_frame, fails_alone)
{
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    std::string path = test_folder("spoilt") + "/clip.avi";
    ASSERT_TRUE(make_test_video(path, 96, 64, 12, "-c:v mjpeg -q:v 3"));
    std::vector<bgr_picture> reference = reference_frames(path, 96, 64);
    ASSERT_EQ(reference.size(), 12u);
    ASSERT_TRUE(spoil_frame(path, 5));

    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    bgr_picture got;
    for (long n : {3, 4, 5, 6, 7, 5, 4, 11}) {
        if (n == 5) {
            EXPECT_FALSE(get_frame(stream, n, &got));
            continue;
        }
        ASSERT_TRUE(get_frame(stream, n, &got)) << "frame " << n;
        EXPECT_TRUE(got.pixels == reference[n].pixels) << "frame " << n;
    }
    AVIStreamRelease(stream);
}

} // namespace
