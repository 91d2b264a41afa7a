// An MPEG-4 picture marked "not coded" (what some encoders write for a
// dropped frame) holds no picture of its own: it shows the one before, and
// the frames after it keep their numbers.

#include "avi_container.h"
#include "decode_fixtures.h"
#include "riff_writer.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

// A P-picture header with vop_coded = 0, for a time increment of 5 bits
// (a stream at 25 frames a second): start code, then the bits
// 01 (P) 0 (no whole second) 1 (marker) 00000 (increment) 1 (marker)
// 0 (not coded) 01111 (stuffing to the byte).
const std::vector<uint8_t> not_coded = {0x00, 0x00, 0x01, 0xB6, 0x50, 0x4F};

TEST(not_coded_frame, repeats_the_picture_before)
{
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    std::string folder = test_folder("not_coded");
    std::string source = folder + "/source.avi";
    ASSERT_TRUE(make_test_video(source, 96, 64, 12, "-c:v mpeg4 -bf 0 -g 12 -q:v 4"));
    std::vector<bgr_picture> reference = reference_frames(source, 96, 64);
    ASSERT_EQ(reference.size(), 12u);

    // The same stream with the not-coded picture after frame 5.
    avi_video_stream video;
    ASSERT_EQ(avi_open_video(source.c_str(), 0, &video), AVIERR_OK);
    avi_strh_fields strh;
    strh.handler = "FMP4";
    strh.length = 13;
    avi_test_file file;
    file.streams.push_back({avi_strh(strh), video.format, "", {}});
    std::vector<uint8_t> data;
    for (uint32_t n = 0; n < 12; n++) {
        ASSERT_TRUE(avi_read_frame(&video, n, &data));
        file.chunks.push_back({"00dc", data, (video.frames[n].flags & AVI_FRAME_KEY) != 0});
        if (n == 5)
            file.chunks.push_back({"00dc", not_coded, false});
    }
    avi_close_video(&video);
    std::string path = folder + "/not_coded.avi";
    ASSERT_TRUE(write_avi_file(path, file));

    PAVISTREAM stream = open_stream(path);
    ASSERT_NE(stream, nullptr);
    // Shown frame -> the source frame it must equal.
    const std::pair<long, long> expected[] = {{5, 5}, {6, 5}, {7, 6}, {12, 11}, {6, 5}, {4, 4}, {8, 7}};
    for (auto [shown, source_frame] : expected) {
        bgr_picture got;
        ASSERT_TRUE(get_frame(stream, shown, &got)) << "frame " << shown;
        EXPECT_TRUE(got.pixels == reference[source_frame].pixels) << "frame " << shown;
    }
    AVIStreamRelease(stream);
}

} // namespace
