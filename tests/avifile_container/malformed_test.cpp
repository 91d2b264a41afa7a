// Malformed and hostile files: each fails to open cleanly, or opens with a
// bounded frame list whose frames read or fail without harm.

#include "container_test_util.h"
#include "odml_fixture.h"
#include "riff_writer.h"

#include <string.h>
#include <sys/stat.h>

#include <functional>

namespace {

typedef std::vector<uint8_t> bytes_t;

bytes_t pseudo_random(size_t n, uint32_t seed)
{
    bytes_t out(n);
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        out[i] = (uint8_t)(seed >> 16);
    }
    return out;
}

bytes_t file_bytes(const avi_test_file &file, avi_test_layout *where = nullptr)
{
    std::string path = temp_path("malformed_base.avi");
    EXPECT_TRUE(write_avi_file(path, file, where));
    return read_whole_file(path);
}

bytes_t odml_bytes(odml_test_layout *where)
{
    odml_test_file file;
    for (uint32_t i = 0; i < 3; i++)
        file.part1.push_back(numbered_bytes(i, 20));
    file.part2 = file.part1;
    std::string path = temp_path("malformed_odml.avi");
    EXPECT_TRUE(write_odml_file(path, file, where));
    return read_whole_file(path);
}

size_t find_tag(const bytes_t &b, const char *tag)
{
    for (size_t i = 0; i + 4 <= b.size(); i++)
        if (memcmp(b.data() + i, tag, 4) == 0)
            return i;
    ADD_FAILURE() << "no " << tag;
    return 0;
}

void put_u32(bytes_t *b, size_t at, uint32_t v)
{
    bytes_t le;
    le32(&le, v);
    memcpy(b->data() + at, le.data(), 4);
}

void put_u64(bytes_t *b, size_t at, uint64_t v)
{
    put_u32(b, at, (uint32_t)v);
    put_u32(b, at + 4, (uint32_t)(v >> 32));
}

bytes_t base()
{
    return file_bytes(simple_video_file(4, 2, 24, 3));
}

// The base file with the size field of the first `tag` chunk set to `size`.
bytes_t with_size(const char *tag, uint32_t size)
{
    bytes_t b = base();
    size_t at = find_tag(b, tag);
    // A list's size sits before its type ("hdrl"), a chunk's after its tag.
    bool list_type = at >= 8 && (memcmp(b.data() + at - 8, "LIST", 4) == 0 || memcmp(b.data() + at - 8, "RIFF", 4) == 0);
    put_u32(&b, list_type ? at - 4 : at + 4, size);
    return b;
}

bytes_t cut_at_tag(const char *tag, size_t extra)
{
    bytes_t b = base();
    b.resize(find_tag(b, tag) + extra);
    return b;
}

bytes_t many_zero_size_chunks(const char *tag, bool with_idx1)
{
    avi_test_file file = simple_video_file(4, 2, 24, 1);
    file.index = with_idx1 ? AVI_IDX1_FROM_MOVI : AVI_NO_IDX1;
    for (int i = 0; i < 300000; i++)
        file.chunks.push_back({tag, {}, true});
    return file_bytes(file);
}

bytes_t with_strf(const bytes_t &strf)
{
    avi_test_file file = simple_video_file(4, 2, 24, 2);
    file.streams[0].strf = strf;
    return file_bytes(file);
}

bytes_t with_strh_length(uint32_t length)
{
    avi_test_file file = simple_video_file(4, 2, 24, 2);
    avi_strh_fields strh;
    strh.length = length;
    file.streams[0].strh = avi_strh(strh);
    return file_bytes(file);
}

bytes_t with_chunk_tags(const char *tag)
{
    avi_test_file file = simple_video_file(4, 2, 24, 3);
    for (avi_test_chunk &c : file.chunks)
        c.tag = tag;
    return file_bytes(file);
}

bytes_t with_palette_change(const bytes_t &change)
{
    avi_test_file file = simple_video_file(4, 2, 8, 2);
    file.chunks.insert(file.chunks.begin() + 1, {"00pc", change, true});
    return file_bytes(file);
}

// A chain of `depth` super indexes, each pointing at the next, in a JUNK chunk.
bytes_t deep_odml_chain(int depth)
{
    odml_test_layout where;
    bytes_t b = odml_bytes(&where);
    size_t chain_at = b.size();
    for (int i = 0; i < depth; i++) {
        bytes_t ix;
        fourcc(&ix, "ix00");
        le32(&ix, 24 + 16);
        le16(&ix, 4);
        ix.push_back(0);
        ix.push_back(0);
        le32(&ix, 1);
        fourcc(&ix, "00dc");
        for (int k = 0; k < 3; k++)
            le32(&ix, 0);
        le64(&ix, chain_at + (uint64_t)(i + 1) * 48);
        le32(&ix, 40);
        le32(&ix, 1);
        b.insert(b.end(), ix.begin(), ix.end());
    }
    put_u64(&b, where.indx_data + 24, chain_at);
    return b;
}

struct malformed_case {
    const char *name;
    bool must_fail;
    std::function<bytes_t()> make;
};

const malformed_case cases[] = {
    {"empty", true, [] { return bytes_t(); }},
    {"random_bytes", true, [] { return pseudo_random(4096, 1); }},
    {"riff_header_then_random",
     true,
     [] {
         bytes_t b = {'R', 'I', 'F', 'F', 0xF8, 0x0F, 0, 0, 'A', 'V', 'I', ' '};
         bytes_t r = pseudo_random(4084, 2);
         b.insert(b.end(), r.begin(), r.end());
         return b;
     }},
    {"text", true, [] { const char *t = "RIFF? no, just some text\n"; return bytes_t(t, t + strlen(t)); }},
    {"wave_file", true, [] { bytes_t b = base(); memcpy(b.data() + 8, "WAVE", 4); return b; }},
    {"truncated_in_hdrl", true, [] { return cut_at_tag("strh", 20); }},
    {"truncated_in_strf", true, [] { return cut_at_tag("strf", 30); }},
    {"truncated_in_movi", false, [] { return cut_at_tag("00db", 30); }},
    {"truncated_in_idx1", false, [] { return cut_at_tag("idx1", 30); }},
    {"strf_shorter_than_header", true, [] { return with_strf(bytes_t(20, 0)); }},
    {"strf_size_ffffffff", true, [] { return with_size("strf", 0xFFFFFFFFu); }},
    {"strh_too_short", true, [] { return with_size("strh", 10); }},
    {"riff_size_ffffffff", false, [] { return with_size("AVI ", 0xFFFFFFFFu); }},
    {"hdrl_size_ffffffff", false, [] { return with_size("hdrl", 0xFFFFFFFFu); }},
    {"hdrl_wraps_32_bits", false, [] { return with_size("hdrl", 0xFFFFFFF4u); }},
    {"strl_overlaps_movi", false, [] { return with_size("strl", 0x2000); }},
    {"list_smaller_than_its_type", false, [] { return with_size("strl", 2); }},
    {"movi_size_ffffffff", false, [] { return with_size("movi", 0xFFFFFFFFu); }},
    {"movi_size_zero", false, [] { return with_size("movi", 0); }},
    {"frame_size_ffffffff", false, [] { return with_size("00db", 0xFFFFFFFFu); }},
    {"idx1_size_ffffffff", false, [] { return with_size("idx1", 0xFFFFFFFFu); }},
    {"idx1_size_not_whole_entries", false, [] { return with_size("idx1", 17); }},
    {"huge_dimensions", false, [] { return with_strf(avi_bitmap_header(0x7FFFFFFF, INT32_MIN, 24)); }},
    {"stream_number_beyond_stream_count", false, [] { return with_chunk_tags("07db"); }},
    {"stream_number_not_digits", false, [] { return with_chunk_tags("\xff\xff" "db"); }},
    {"dwlength_ffffffff", false, [] { return with_strh_length(0xFFFFFFFFu); }},
    {"palette_change_past_its_chunk", false, [] { return with_palette_change({250, 0, 0, 0, 1, 2, 3, 0}); }},
    {"palette_change_too_short", false, [] { return with_palette_change({1, 2}); }},
    {"zero_size_frames_300000", false, [] { return many_zero_size_chunks("00db", false); }},
    {"zero_size_frames_300000_indexed", false, [] { return many_zero_size_chunks("00db", true); }},
    {"zero_size_junk_300000", false, [] { return many_zero_size_chunks("JUNK", false); }},
    {"indx_count_beyond_chunk",
     false,
     [] {
         odml_test_layout where;
         bytes_t b = odml_bytes(&where);
         put_u32(&b, where.indx_data + 4, 0xFFFFFFFFu);
         return b;
     }},
    {"ix00_count_beyond_chunk",
     false,
     [] {
         odml_test_layout where;
         bytes_t b = odml_bytes(&where);
         put_u32(&b, where.ix_chunks[1] + 8 + 4, 0x7FFFFFFFu);
         return b;
     }},
    {"indx_points_at_itself",
     false,
     [] {
         odml_test_layout where;
         bytes_t b = odml_bytes(&where);
         put_u64(&b, where.indx_data + 24, where.indx_data - 8);
         put_u64(&b, where.indx_data + 40, where.indx_data - 8);
         return b;
     }},
    {"indx_points_past_the_end",
     false,
     [] {
         odml_test_layout where;
         bytes_t b = odml_bytes(&where);
         put_u64(&b, where.indx_data + 24, 0xFFFFFFFFFFFFFFF0ull);
         return b;
     }},
    {"indx_nested_deeply", false, [] { return deep_odml_chain(50); }},
    {"ix00_base_offset_wraps",
     false,
     [] {
         odml_test_layout where;
         bytes_t b = odml_bytes(&where);
         put_u64(&b, where.ix_chunks[0] + 8 + 12, 0xFFFFFFFFFFFFFFFFull);
         return b;
     }},
};

class MalformedFile : public ::testing::TestWithParam<malformed_case> {};

TEST_P(MalformedFile, FailsCleanlyOrStaysBounded)
{
    const malformed_case &c = GetParam();
    std::string path = temp_path(std::string("malformed_") + c.name + ".avi");
    bytes_t bytes = c.make();
    ASSERT_TRUE(write_whole_file(path, bytes));

    opened_video v(path);
    if (c.must_fail) {
        EXPECT_NE(v.result, AVIERR_OK);
        return;
    }
    if (v.result != AVIERR_OK)
        return;
    EXPECT_GE(v.stream.fd, 0);
    EXPECT_GE(v.stream.format.size(), sizeof(BITMAPINFOHEADER));
    // Every frame needs at least a chunk header somewhere in the file.
    EXPECT_LE(v.stream.frames.size(), bytes.size() / 8);
    std::vector<uint8_t> data;
    for (uint32_t n = 0; n < v.stream.frames.size(); n++) {
        if (avi_read_frame(&v.stream, n, &data))
            EXPECT_LE(data.size(), bytes.size());
        else
            EXPECT_TRUE(data.empty());
    }
    EXPECT_FALSE(avi_read_frame(&v.stream, (uint32_t)v.stream.frames.size(), &data));
    for (const avi_palette_change &pc : v.stream.palette_changes)
        EXPECT_LE(pc.first + pc.entries.size(), 256u);
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedFile, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<malformed_case> &info) {
                             return std::string(info.param.name);
                         });

TEST(MalformedPath, NoFileDirectoryOrNullPathFailsToOpen)
{
    avi_video_stream stream;
    EXPECT_EQ(avi_open_video(temp_path("does_not_exist.avi").c_str(), 0, &stream), AVIERR_FILEOPEN);
    EXPECT_NE(avi_open_video(::testing::TempDir().c_str(), 0, &stream), AVIERR_OK);
    EXPECT_NE(avi_open_video(nullptr, 0, &stream), AVIERR_OK);
}

}  // namespace
