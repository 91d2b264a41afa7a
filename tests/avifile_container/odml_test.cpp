// OpenDML files: a super index over ix00 standard indexes, an AVIX part
// past 4 GiB (a sparse file), key flags from the size's top bit.

#include "container_test_util.h"
#include "odml_fixture.h"
#include "riff_writer.h"

namespace {

const uint64_t past_4_gib = 0x120000000ull;  // 4.5 GiB of hole before the second part

odml_test_file six_frames()
{
    odml_test_file file;
    for (uint32_t i = 0; i < 3; i++)
        file.part1.push_back(numbered_bytes(i, 24 + i));
    for (uint32_t i = 3; i < 6; i++)
        file.part2.push_back(numbered_bytes(i, 24 + i));
    file.not_key = {false, true, true, false, true, false};
    file.strh_length = 5;  // disagrees with the index on purpose
    file.total_frames = 6;
    return file;
}

TEST(ContainerOpenDml, FramesPast4GiBThroughTheSuperIndex)
{
    odml_test_file file = six_frames();
    file.hole_before_part2 = past_4_gib;
    file.idx1_of_part1 = true;  // the OpenDML index wins over it
    odml_test_layout where;
    std::string path = temp_path("odml_big.avi");
    if (!write_odml_file(path, file, &where)) {
        unlink(path.c_str());
        GTEST_SKIP() << "cannot make a sparse file of 4.5 GiB in " << ::testing::TempDir();
    }
    opened_video v(path);
    unlink(path.c_str());  // the open descriptor keeps it readable
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    EXPECT_EQ(v.stream.info.dwLength, 5u);
    EXPECT_GT(v.stream.file_size, past_4_gib);
    ASSERT_EQ(v.stream.frames.size(), 6u);
    for (uint32_t i = 0; i < 6; i++) {
        EXPECT_EQ(v.stream.frames[i].offset, where.frame_data[i]) << i;
        EXPECT_EQ(v.stream.frames[i].flags & AVI_FRAME_KEY, file.not_key[i] ? 0u : AVI_FRAME_KEY) << i;
        EXPECT_EQ(frame_data(v.stream, i), numbered_bytes(i, 24 + i)) << i;
    }
    EXPECT_GT(v.stream.frames[3].offset, 0x100000000ull);
}

TEST(ContainerOpenDml, TruncatedFileKeepsIndexedFramesThatFailOneByOne)
{
    odml_test_file file = six_frames();
    file.part2.clear();
    file.part1.push_back(numbered_bytes(3, 27));
    file.index_first = true;
    odml_test_layout where;
    std::string path = temp_path("odml_cut.avi");
    ASSERT_TRUE(write_odml_file(path, file, &where));
    ASSERT_EQ(truncate(path.c_str(), (off_t)(where.frame_data[2] + 5)), 0);

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    ASSERT_EQ(v.stream.frames.size(), 4u);
    EXPECT_EQ(frame_data(v.stream, 1), numbered_bytes(1, 25));
    std::vector<uint8_t> data;
    EXPECT_FALSE(avi_read_frame(&v.stream, 2, &data));
    EXPECT_FALSE(avi_read_frame(&v.stream, 3, &data));
}

TEST(ContainerOpenDml, BrokenSuperIndexFallsBackToIdx1)
{
    odml_test_file file = six_frames();
    file.part2.clear();
    file.idx1_of_part1 = true;
    odml_test_layout where;
    std::string path = temp_path("odml_broken.avi");
    ASSERT_TRUE(write_odml_file(path, file, &where));
    std::vector<uint8_t> bytes = read_whole_file(path);
    bytes[where.ix_chunks[0] + 8 + 8] = '7';  // the standard index names another stream
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    ASSERT_EQ(v.stream.frames.size(), 3u);
    EXPECT_EQ(v.stream.frames[1].flags & AVI_FRAME_KEY, 0u);
    EXPECT_EQ(frame_data(v.stream, 2), numbered_bytes(2, 26));
}

TEST(ContainerOpenDml, DroppedFrameWithoutAChunkKeepsTheIndex)
{
    odml_test_file file = six_frames();
    file.part2.clear();
    file.part1[1].clear();
    odml_test_layout where;
    std::string path = temp_path("odml_dropped.avi");
    ASSERT_TRUE(write_odml_file(path, file, &where));
    std::vector<uint8_t> bytes = read_whole_file(path);
    // entry 1's offset, after the ix00 header (8) and its index header (24)
    std::fill(bytes.begin() + (long)(where.ix_chunks[0] + 32 + 8), bytes.begin() + (long)(where.ix_chunks[0] + 36 + 8), 0);
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    ASSERT_EQ(v.result, AVIERR_OK);
    EXPECT_FALSE(v.stream.index_rebuilt);
    ASSERT_EQ(v.stream.frames.size(), 3u);
    EXPECT_EQ(v.stream.frames[1].size, 0u);
    EXPECT_TRUE(frame_data(v.stream, 1).empty());
    EXPECT_EQ(frame_data(v.stream, 2), numbered_bytes(2, 26));
}

}  // namespace
