// MPEG-4 streams as some AVI writers store them. A picture marked "not
// coded" (a dropped frame) shows the one before, and the frames after it keep
// their numbers. "Packed" B-frames ride in the chunk of the picture before
// them, with a not-coded placeholder in their own chunk: frame n is still
// the n-th picture shown.

#include "avi_container.h"
#include "decode_fixtures.h"
#include "riff_writer.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

// A P-picture header with vop_coded = 0, for a time increment of 5 bits
// (a stream at 25 frames a second): start code, then the bits
// 01 (P) 0 (no whole second) 1 (marker) 00000 (increment) 1 (marker)
// 0 (not coded) 01111 (stuffing to the byte).
const std::vector<uint8_t> not_coded = {0x00, 0x00, 0x01, 0xB6, 0x50, 0x4F};

// The coding type of a chunk's first picture: 0 I, 1 P, 2 B; -1 none.
int first_picture_type(const std::vector<uint8_t> &data)
{
    for (size_t i = 0; i + 4 < data.size(); i++)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6)
            return data[i + 4] >> 6;
    return -1;
}

// An ffmpeg-made MPEG-4 file, its decode, and its chunks.
struct source_stream {
    std::vector<bgr_picture> reference;
    std::vector<uint8_t> format;
    std::vector<avi_test_chunk> chunks;
};

bool make_source(const std::string &folder, const std::string &args, int frames, source_stream *out)
{
    std::string source = folder + "/source.avi";
    if (!make_test_video(source, 96, 64, frames, args))
        return false;
    out->reference = reference_frames(source, 96, 64);
    avi_video_stream video;
    if (out->reference.size() != (size_t)frames || avi_open_video(source.c_str(), 0, &video) != AVIERR_OK)
        return false;
    out->format = video.format;
    std::vector<uint8_t> data;
    for (uint32_t n = 0; n < video.frames.size(); n++)
        if (avi_read_frame(&video, n, &data))
            out->chunks.push_back({"00dc", data, (video.frames[n].flags & AVI_FRAME_KEY) != 0});
    avi_close_video(&video);
    return out->chunks.size() == (size_t)frames;
}

std::string write_stream(const std::string &path, const source_stream &source,
                         const std::vector<avi_test_chunk> &chunks)
{
    avi_strh_fields strh;
    strh.handler = "DX50";
    strh.length = (uint32_t)chunks.size();
    avi_test_file file;
    file.streams.push_back({avi_strh(strh), source.format, "", {}});
    file.chunks = chunks;
    return write_avi_file(path, file) ? path : "";
}

TEST(packed_b_frames, give_the_frames_in_display_order)
{
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    std::string folder = test_folder("packed");
    source_stream source;
    ASSERT_TRUE(make_source(folder, "-c:v mpeg4 -bf 1 -g 12 -flags +cgop -sc_threshold 1000000000 -q:v 4", 30,
                            &source));

    // Each B-frame joins the chunk before it and leaves a placeholder; the
    // user data string tells the decoder that the stream is packed.
    std::vector<avi_test_chunk> packed;
    for (size_t i = 0; i < source.chunks.size(); i++) {
        avi_test_chunk chunk = source.chunks[i];
        if (i + 1 < source.chunks.size() && first_picture_type(source.chunks[i + 1].data) == 2) {
            const std::vector<uint8_t> &b = source.chunks[i + 1].data;
            chunk.data.insert(chunk.data.end(), b.begin(), b.end());
            packed.push_back(chunk);
            packed.push_back({"00dc", not_coded, false});
            i++;
            continue;
        }
        packed.push_back(chunk);
    }
    ASSERT_EQ(packed.size(), source.chunks.size());
    std::vector<uint8_t> &first = packed[0].data;
    const char user_data[] = "\x00\x00\x01\xB2" "DivX503b1393p";
    for (size_t i = 0; i + 3 < first.size(); i++)
        if (first[i] == 0 && first[i + 1] == 0 && first[i + 2] == 1 && first[i + 3] == 0xB6) {
            first.insert(first.begin() + (long)i, user_data, user_data + sizeof(user_data) - 1);
            break;
        }
    std::string path = write_stream(folder + "/packed.avi", source, packed);
    ASSERT_FALSE(path.empty());

    for (const std::vector<long> &sequence : {std::vector<long>{0, 1, 2, 3, 4, 5, 6, 29, 28},
                                              std::vector<long>{13, 12, 11, 25, 24, 23, 22, 1}}) {
        PAVISTREAM stream = open_stream(path);
        ASSERT_NE(stream, nullptr);
        for (long n : sequence) {
            bgr_picture got;
            ASSERT_TRUE(get_frame(stream, n, &got)) << "frame " << n;
            EXPECT_TRUE(got.pixels == source.reference[n].pixels) << "frame " << n;
        }
        AVIStreamRelease(stream);
    }
}

TEST(not_coded_frame, repeats_the_picture_before)
{
    if (!have_ffmpeg())
        GTEST_SKIP() << "no ffmpeg tool";
    std::string folder = test_folder("not_coded");
    source_stream source;
    ASSERT_TRUE(make_source(folder, "-c:v mpeg4 -bf 0 -g 12 -q:v 4", 12, &source));
    const std::vector<bgr_picture> &reference = source.reference;

    // The same stream with the not-coded picture after frame 5.
    std::vector<avi_test_chunk> chunks = source.chunks;
    chunks.insert(chunks.begin() + 6, avi_test_chunk{"00dc", not_coded, false});
    std::string path = write_stream(folder + "/not_coded.avi", source, chunks);
    ASSERT_FALSE(path.empty());

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
