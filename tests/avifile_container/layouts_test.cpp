// Well-formed AVI 1.0 layouts: header fields, both idx1 offset styles,
// streams before the video, 'rec ' lists, several movi lists, index rebuild,
// dropped frames and palette changes.

#include "container_test_util.h"
#include "riff_writer.h"

#include <string.h>

namespace {

avi_test_stream video_stream(const avi_strh_fields &strh, int32_t width, int32_t height)
{
    return {avi_strh(strh), avi_bitmap_header(width, height, 24, 0, 0), "", {}};
}

avi_test_stream audio_stream()
{
    avi_strh_fields strh;
    strh.type = "auds";
    strh.handler = "\1\0\0\0";
    strh.sample_size = 4;
    std::vector<uint8_t> wave = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    return {avi_strh(strh), wave, "", {}};
}

// `count` video frames for stream `stream` with an audio chunk of stream
// `audio` (when >= 0) after each.
avi_test_file interleaved_file(int audio, int video, uint32_t count)
{
    avi_strh_fields strh;
    strh.length = count;
    avi_test_file file;
    if (audio == 0)
        file.streams.push_back(audio_stream());
    file.streams.push_back(video_stream(strh, 4, 2));
    if (audio == 1)
        file.streams.push_back(audio_stream());
    char video_tag[5] = {'0', (char)('0' + video), 'd', 'c', 0};
    char audio_tag[5] = {'0', (char)('0' + audio), 'w', 'b', 0};
    for (uint32_t i = 0; i < count; i++) {
        file.chunks.push_back({video_tag, numbered_bytes(i, 24 + i), i % 3 == 0});
        if (audio >= 0)
            file.chunks.push_back({audio_tag, numbered_bytes(100 + i, 7), true});
    }
    return file;
}

void expect_frames(const avi_video_stream &stream, uint32_t count, bool keys_known = true)
{
    ASSERT_EQ(stream.frames.size(), count);
    for (uint32_t i = 0; i < count; i++) {
        EXPECT_EQ(frame_data(stream, i), numbered_bytes(i, 24 + i)) << "frame " << i;
        if (keys_known) {
            EXPECT_EQ(stream.frames[i].flags & AVI_FRAME_KEY, i % 3 == 0 ? AVI_FRAME_KEY : 0u) << i;
        }
    }
}

TEST(ContainerHeaders, InfoHoldsStrhExactlyAndNameFromStrn)
{
    avi_strh_fields strh;
    strh.handler = "MJPG";
    strh.flags = 0x10000;
    strh.priority = 3;
    strh.language = 0x411;
    strh.initial_frames = 2;
    strh.scale = 1001;
    strh.rate = 30000;
    strh.start = 7;
    strh.length = 1234567;
    strh.suggested_buffer_size = 65536;
    strh.quality = 8000;
    strh.sample_size = 0;
    strh.frame[0] = -2;
    strh.frame[1] = 1;
    strh.frame[2] = 320;
    strh.frame[3] = 240;
    avi_test_file file;
    file.streams.push_back({avi_strh(strh), avi_bitmap_header(320, 240, 24, fourcc_value("MJPG")), "my clip", {}});
    file.streams[0].strf.insert(file.streams[0].strf.end(), {9, 8, 7});  // codec data after the header
    file.chunks.push_back({"00dc", {1, 2, 3}, true});
    std::string path = temp_path("info.avi");
    ASSERT_TRUE(write_avi_file(path, file));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    const AVISTREAMINFOA &info = v.stream.info;
    EXPECT_EQ(info.fccType, fourcc_value("vids"));
    EXPECT_EQ(info.fccHandler, fourcc_value("MJPG"));
    EXPECT_EQ(info.dwFlags, 0x10000u);
    EXPECT_EQ(info.wPriority, 3);
    EXPECT_EQ(info.wLanguage, 0x411);
    EXPECT_EQ(info.dwInitialFrames, 2u);
    EXPECT_EQ(info.dwScale, 1001u);
    EXPECT_EQ(info.dwRate, 30000u);
    EXPECT_EQ(info.dwStart, 7u);
    EXPECT_EQ(info.dwLength, 1234567u);
    EXPECT_EQ(info.dwSuggestedBufferSize, 65536u);
    EXPECT_EQ(info.dwQuality, 8000u);
    EXPECT_EQ(info.dwSampleSize, 0u);
    EXPECT_EQ(info.rcFrame.left, -2);
    EXPECT_EQ(info.rcFrame.top, 1);
    EXPECT_EQ(info.rcFrame.right, 320);
    EXPECT_EQ(info.rcFrame.bottom, 240);
    EXPECT_STREQ(info.szName, "my clip");
    EXPECT_EQ(v.stream.format, file.streams[0].strf);
    EXPECT_EQ(v.stream.file_size, read_whole_file(path).size());
    EXPECT_FALSE(v.stream.index_rebuilt);
}

TEST(ContainerHeaders, EmptyFrameRectComesFromStrfWithPositiveHeight)
{
    avi_test_file file = simple_video_file(5, -3, 24, 1);  // top-down
    std::string path = temp_path("rect.avi");
    ASSERT_TRUE(write_avi_file(path, file));
    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_EQ(v.stream.info.rcFrame.left, 0);
    EXPECT_EQ(v.stream.info.rcFrame.top, 0);
    EXPECT_EQ(v.stream.info.rcFrame.right, 5);
    EXPECT_EQ(v.stream.info.rcFrame.bottom, 3);
}

class Idx1Styles : public ::testing::TestWithParam<avi_index_style> {};

TEST_P(Idx1Styles, FramesComeFromIdx1WithKeyFlags)
{
    avi_test_file file = interleaved_file(-1, 0, 7);
    file.index = GetParam();
    avi_test_layout where;
    std::string path = temp_path("idx1_style.avi");
    ASSERT_TRUE(write_avi_file(path, file, &where));
    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    expect_frames(v.stream, 7);
    EXPECT_EQ(v.stream.frames[2].offset, where.chunk_headers[2] + 8);
}

INSTANTIATE_TEST_SUITE_P(BothOffsetStyles, Idx1Styles,
                         ::testing::Values(AVI_IDX1_FROM_MOVI, AVI_IDX1_FROM_FILE_START));

struct stream_order_case {
    const char *name;
    int audio;      // the audio stream's number, -1: none
    int video;      // the video stream's number
    size_t per_rec; // chunks per 'rec ' list, 0: none
    avi_index_style index;
};

class StreamOrder : public ::testing::TestWithParam<stream_order_case> {};

TEST_P(StreamOrder, OnlyTheVideoStreamsChunksAreFrames)
{
    const stream_order_case &c = GetParam();
    avi_test_file file = interleaved_file(c.audio, c.video, 6);
    file.chunks_per_rec = c.per_rec;
    file.index = c.index;
    std::string path = temp_path(std::string(c.name) + ".avi");
    ASSERT_TRUE(write_avi_file(path, file));
    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_EQ(v.stream.info.fccType, fourcc_value("vids"));
    EXPECT_EQ(v.stream.index_rebuilt, c.index == AVI_NO_IDX1);
    expect_frames(v.stream, 6, c.index != AVI_NO_IDX1);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, StreamOrder,
    ::testing::Values(stream_order_case{"audio_first", 0, 1, 0, AVI_IDX1_FROM_MOVI},
                      stream_order_case{"audio_after", 1, 0, 0, AVI_IDX1_FROM_FILE_START},
                      stream_order_case{"rec_lists", 0, 1, 2, AVI_IDX1_FROM_MOVI},
                      stream_order_case{"rec_lists_scanned", 0, 1, 2, AVI_NO_IDX1},
                      stream_order_case{"audio_first_scanned", 0, 1, 0, AVI_NO_IDX1}),
    [](const ::testing::TestParamInfo<stream_order_case> &info) { return std::string(info.param.name); });

TEST(ContainerStreams, StreamNumberCountsVideoStreamsOnly)
{
    avi_strh_fields first;
    first.rate = 10;
    avi_strh_fields second;
    second.rate = 20;
    avi_test_file file;
    file.streams = {audio_stream(), video_stream(first, 2, 2), video_stream(second, 2, 2)};
    file.chunks = {{"01db", {1}, true}, {"02db", {2, 2}, true}, {"02db", {3, 3}, true}};
    std::string path = temp_path("two_videos.avi");
    ASSERT_TRUE(write_avi_file(path, file));

    opened_video second_video(path, 1);
    ASSERT_EQ(second_video.result, AVIERR_OK);
    EXPECT_EQ(second_video.stream.info.dwRate, 20u);
    ASSERT_EQ(second_video.stream.frames.size(), 2u);
    EXPECT_EQ(frame_data(second_video.stream, 1), (std::vector<uint8_t>{3, 3}));

    opened_video third_video(path, 2);
    EXPECT_EQ(third_video.result, AVIERR_NODATA);
    opened_video negative(path, -1);
    EXPECT_NE(negative.result, AVIERR_OK);
}

TEST(ContainerStreams, AudioOnlyFileHasNoVideoStream)
{
    avi_test_file file;
    file.streams = {audio_stream()};
    file.chunks = {{"00wb", {1, 2, 3, 4}, true}};
    std::string path = temp_path("audio_only.avi");
    ASSERT_TRUE(write_avi_file(path, file));
    opened_video v(path);
    EXPECT_EQ(v.result, AVIERR_NODATA);
}

// Two movi lists in the first RIFF, idx1 offsets counted from the first.
std::string write_two_movi_file(const std::string &name, bool with_idx1)
{
    avi_test_file file = interleaved_file(-1, 0, 6);
    std::string path = temp_path(name);
    riff_writer w;
    EXPECT_TRUE(riff_create(&w, path));
    riff_begin_list(&w, "RIFF", "AVI ");
    riff_begin_list(&w, "LIST", "hdrl");
    riff_chunk(&w, "avih", std::vector<uint8_t>(56, 0));
    riff_begin_list(&w, "LIST", "strl");
    riff_chunk(&w, "strh", file.streams[0].strh);
    riff_chunk(&w, "strf", file.streams[0].strf);
    riff_end_list(&w);
    riff_end_list(&w);
    uint64_t movi = 0;
    std::vector<uint8_t> idx1;
    for (int list = 0; list < 2; list++) {
        riff_begin_list(&w, "LIST", "movi");
        if (list == 0)
            movi = riff_pos(&w) - 4;
        for (size_t i = 3 * (size_t)list; i < 3 * (size_t)list + 3; i++) {
            fourcc(&idx1, "00dc");
            le32(&idx1, file.chunks[i].key ? 0x10 : 0);
            le32(&idx1, (uint32_t)(riff_pos(&w) - movi));
            le32(&idx1, (uint32_t)file.chunks[i].data.size());
            riff_chunk(&w, "00dc", file.chunks[i].data);
        }
        riff_end_list(&w);
        riff_chunk(&w, "JUNK", std::vector<uint8_t>(10, 0));
    }
    if (with_idx1)
        riff_chunk(&w, "idx1", idx1);
    riff_end_list(&w);
    EXPECT_TRUE(riff_finish(&w));
    return path;
}

TEST(ContainerMovi, SeveralMoviListsWithAndWithoutIdx1)
{
    for (bool with_idx1 : {true, false}) {
        SCOPED_TRACE(with_idx1 ? "idx1" : "scan");
        opened_video v(write_two_movi_file("two_movi.avi", with_idx1));
        ASSERT_EQ(v.result, AVIERR_OK);
        EXPECT_EQ(v.stream.index_rebuilt, !with_idx1);
        expect_frames(v.stream, 6, with_idx1);
    }
}

// The index is damaged in some way: frames are found by scanning instead.
struct damage_case {
    const char *name;
    void (*damage)(std::vector<uint8_t> *bytes, const avi_test_layout &where);
};

void set_u32(std::vector<uint8_t> *bytes, uint64_t at, uint32_t v)
{
    std::vector<uint8_t> le;
    le32(&le, v);
    memcpy(bytes->data() + at, le.data(), 4);
}

class IndexRebuild : public ::testing::TestWithParam<damage_case> {};

TEST_P(IndexRebuild, ScanFindsEveryFrame)
{
    avi_test_file file = interleaved_file(0, 1, 5);
    avi_test_layout where;
    std::string path = temp_path(std::string("rebuild_") + GetParam().name + ".avi");
    ASSERT_TRUE(write_avi_file(path, file, &where));
    std::vector<uint8_t> bytes = read_whole_file(path);
    GetParam().damage(&bytes, where);
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_TRUE(v.stream.index_rebuilt);
    expect_frames(v.stream, 5, false);
    EXPECT_EQ(v.stream.frames[0].flags & AVI_FRAME_KEY, AVI_FRAME_KEY);
}

// idx1 entries are 16 bytes after its 8-byte header; entry 2k is frame k.
INSTANTIATE_TEST_SUITE_P(
    Damage, IndexRebuild,
    ::testing::Values(
        damage_case{"idx1_removed",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) { memcpy(b->data() + w.idx1, "JUNK", 4); }},
        damage_case{"idx1_past_the_end",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) {
                        for (int i = 0; i < 10; i++)
                            set_u32(b, w.idx1 + 8 + 16 * i + 8, 0x7FFFFF00u + 16 * i);
                    }},
        damage_case{"idx1_later_entry_past_the_end",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) {
                        set_u32(b, w.idx1 + 8 + 16 * 6 + 8, 0xFFFFFFF0u);
                    }},
        damage_case{"idx1_wrong_tags",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) {
                        // every entry points at the chunk after its own
                        for (int i = 0; i < 9; i++)
                            set_u32(b, w.idx1 + 8 + 16 * i + 8, (uint32_t)(w.chunk_headers[i + 1] - w.movi_fourcc));
                    }},
        damage_case{"unfinished_writer_sizes_zero",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) {
                        set_u32(b, 4, 0);                       // RIFF
                        set_u32(b, w.movi_fourcc - 4, 0);       // movi
                        b->resize(w.idx1);                      // no idx1 yet
                    }},
        damage_case{"idx1_wrong_size",
                    [](std::vector<uint8_t> *b, const avi_test_layout &w) { set_u32(b, w.idx1 + 8 + 12, 3); }}),
    [](const ::testing::TestParamInfo<damage_case> &info) { return std::string(info.param.name); });

TEST(ContainerFrames, ZeroSizeChunksAreDroppedFramesKeepingTheNumbering)
{
    for (avi_index_style index : {AVI_IDX1_FROM_MOVI, AVI_NO_IDX1}) {
        SCOPED_TRACE(index == AVI_NO_IDX1 ? "scan" : "idx1");
        avi_test_file file = simple_video_file(2, 2, 24, 4);
        file.chunks[1].data.clear();
        file.chunks[2].data.clear();
        file.index = index;
        std::string path = temp_path("dropped.avi");
        ASSERT_TRUE(write_avi_file(path, file));
        opened_video v(path);
        ASSERT_EQ(v.result, AVIERR_OK);
        ASSERT_EQ(v.stream.frames.size(), 4u);
        EXPECT_EQ(v.stream.frames[1].size, 0u);
        EXPECT_EQ(v.stream.frames[2].size, 0u);
        EXPECT_TRUE(frame_data(v.stream, 1).empty());
        EXPECT_EQ(frame_data(v.stream, 3), file.chunks[3].data);
    }
}

TEST(ContainerFrames, DroppedFrameWithoutAChunkKeepsIdx1)
{
    avi_test_file file = simple_video_file(2, 2, 24, 3);
    avi_test_layout where;
    std::string path = temp_path("dropped_no_chunk.avi");
    ASSERT_TRUE(write_avi_file(path, file, &where));
    std::vector<uint8_t> bytes = read_whole_file(path);
    set_u32(&bytes, where.idx1 + 8 + 8, 0);   // frame 0: offset 0
    set_u32(&bytes, where.idx1 + 8 + 12, 0);  // and size 0
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    ASSERT_EQ(v.stream.frames.size(), 3u);
    EXPECT_EQ(v.stream.frames[0].size, 0u);
    EXPECT_EQ(frame_data(v.stream, 2), file.chunks[2].data);
}

TEST(ContainerFrames, Idx1WithoutKeyFlagsStartsDecodingAtTheFirstFrame)
{
    avi_test_file file = interleaved_file(-1, 0, 3);
    for (avi_test_chunk &c : file.chunks)
        c.key = false;
    std::string path = temp_path("no_key_flags.avi");
    ASSERT_TRUE(write_avi_file(path, file));
    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    ASSERT_EQ(v.stream.frames.size(), 3u);
    EXPECT_EQ(v.stream.frames[0].flags & AVI_FRAME_KEY, AVI_FRAME_KEY);
    EXPECT_EQ(v.stream.frames[1].flags & AVI_FRAME_KEY, 0u);
    EXPECT_EQ(v.stream.frames[2].flags & AVI_FRAME_KEY, 0u);
}

TEST(ContainerFrames, PaletteChangeIsKeptWithTheFrameItPrecedes)
{
    for (avi_index_style index : {AVI_IDX1_FROM_FILE_START, AVI_NO_IDX1}) {
        SCOPED_TRACE(index == AVI_NO_IDX1 ? "scan" : "idx1");
        avi_test_file file = simple_video_file(4, 4, 8, 3);
        for (avi_test_chunk &c : file.chunks)
            c.tag = "00dc";
        // first entry 5, two entries, flags; then R, G, B, flags each
        avi_test_chunk change{"00pc", {5, 2, 0, 0, 0x10, 0x20, 0x30, 0, 0xA0, 0xB0, 0xC0, 0}, true};
        file.chunks.insert(file.chunks.begin() + 2, change);
        file.index = index;
        std::string path = temp_path("palette.avi");
        ASSERT_TRUE(write_avi_file(path, file));
        opened_video v(path);
        ASSERT_EQ(v.result, AVIERR_OK);
        EXPECT_EQ(v.stream.frames.size(), 3u);
        ASSERT_EQ(v.stream.palette_changes.size(), 1u);
        const avi_palette_change &pc = v.stream.palette_changes[0];
        EXPECT_EQ(pc.frame, 2u);
        EXPECT_EQ(pc.first, 5u);
        ASSERT_EQ(pc.entries.size(), 2u);
        EXPECT_EQ(pc.entries[0].rgbRed, 0x10);
        EXPECT_EQ(pc.entries[0].rgbGreen, 0x20);
        EXPECT_EQ(pc.entries[0].rgbBlue, 0x30);
        EXPECT_EQ(pc.entries[1].rgbRed, 0xA0);
        EXPECT_EQ(pc.entries[1].rgbBlue, 0xC0);
    }
}

TEST(ContainerFrames, TruncatedFileKeepsTheCutFrameButCannotReadIt)
{
    avi_test_file file = simple_video_file(4, 4, 24, 4);
    file.index = AVI_NO_IDX1;
    avi_test_layout where;
    std::string path = temp_path("truncated.avi");
    ASSERT_TRUE(write_avi_file(path, file, &where));
    std::vector<uint8_t> bytes = read_whole_file(path);
    bytes.resize(where.chunk_headers[3] + 8 + 10);  // in the middle of frame 3
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    ASSERT_EQ(v.stream.frames.size(), 4u);
    EXPECT_EQ(frame_data(v.stream, 2), file.chunks[2].data);
    std::vector<uint8_t> data;
    EXPECT_FALSE(avi_read_frame(&v.stream, 3, &data));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(avi_read_frame(&v.stream, 4, &data));
}

TEST(ContainerFrames, FileCutWhileOpenFailsFramesOneByOne)
{
    avi_test_file file = simple_video_file(4, 4, 24, 4);
    avi_test_layout where;
    std::string path = temp_path("cut_while_open.avi");
    ASSERT_TRUE(write_avi_file(path, file, &where));
    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    ASSERT_EQ(truncate(path.c_str(), (off_t)where.chunk_headers[2]), 0);
    std::vector<uint8_t> data;
    EXPECT_TRUE(avi_read_frame(&v.stream, 1, &data));
    EXPECT_FALSE(avi_read_frame(&v.stream, 2, &data));
    EXPECT_FALSE(avi_read_frame(&v.stream, 3, &data));
}

TEST(ContainerFrames, ScanningAHugeFileSaysSoInOneLine)
{
    avi_test_file file = simple_video_file(2, 2, 24, 2);
    std::string path = temp_path("huge_scan.avi");
    riff_writer w;
    ASSERT_TRUE(riff_create(&w, path));
    riff_begin_list(&w, "RIFF", "AVI ");
    riff_begin_list(&w, "LIST", "hdrl");
    riff_begin_list(&w, "LIST", "strl");
    riff_chunk(&w, "strh", file.streams[0].strh);
    riff_chunk(&w, "strf", file.streams[0].strf);
    riff_end_list(&w);
    riff_end_list(&w);
    riff_begin_list(&w, "LIST", "movi");
    riff_chunk(&w, "00db", file.chunks[0].data);
    riff_hole_chunk(&w, "JUNK", 0x48000000);  // 1.1 GiB, sparse
    riff_chunk(&w, "00db", file.chunks[1].data);
    riff_end_list(&w);
    riff_end_list(&w);
    if (!riff_finish(&w)) {
        unlink(path.c_str());
        GTEST_SKIP() << "cannot make a sparse file of 1.1 GiB in " << ::testing::TempDir();
    }
    ::testing::internal::CaptureStdout();
    {
        opened_video v(path);
        ASSERT_EQ(v.result, AVIERR_OK);
        EXPECT_TRUE(v.stream.index_rebuilt);
        ASSERT_EQ(v.stream.frames.size(), 2u);
        EXPECT_EQ(frame_data(v.stream, 1), file.chunks[1].data);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "indexing " + path + "...\n");
    unlink(path.c_str());
}

}  // namespace
