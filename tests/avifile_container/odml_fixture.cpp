#include "odml_fixture.h"

#include "riff_writer.h"

static const uint32_t not_key_bit = 0x80000000u;

static uint64_t chunk_span(size_t size)
{
    return 8 + size + (size & 1);
}

static std::vector<uint8_t> standard_index(const std::vector<std::vector<uint8_t>> &frames,
                                           const std::vector<uint64_t> &data, uint64_t base,
                                           const odml_test_file &file, size_t first_frame)
{
    std::vector<uint8_t> ix;
    le16(&ix, 2);
    ix.push_back(0);
    ix.push_back(1);  // an index of chunks
    le32(&ix, (uint32_t)frames.size());
    fourcc(&ix, "00dc");
    le64(&ix, base);
    le32(&ix, 0);
    for (size_t i = 0; i < frames.size(); i++) {
        size_t n = first_frame + i;
        bool not_key = n < file.not_key.size() && file.not_key[n];
        le32(&ix, (uint32_t)(data[i] - base));
        le32(&ix, (uint32_t)frames[i].size() | (not_key ? not_key_bit : 0));
    }
    return ix;
}

// One movi list with its frames and its ix00; returns the ix00 chunk's offset.
static uint64_t write_movi(riff_writer *w, const std::vector<std::vector<uint8_t>> &frames,
                           const odml_test_file &file, size_t first_frame, odml_test_layout *where)
{
    riff_begin_list(w, "LIST", "movi");
    uint64_t base = riff_pos(w) - 4;
    uint64_t ix_size = 24 + 8 * frames.size();
    uint64_t at = riff_pos(w) + (file.index_first ? chunk_span(ix_size) : 0);
    std::vector<uint64_t> data;
    for (const std::vector<uint8_t> &f : frames) {
        data.push_back(at + 8);
        at += chunk_span(f.size());
    }
    std::vector<uint8_t> ix = standard_index(frames, data, base, file, first_frame);
    uint64_t ix_pos = file.index_first ? riff_pos(w) : at;
    if (file.index_first)
        riff_chunk(w, "ix00", ix);
    for (const std::vector<uint8_t> &f : frames)
        riff_chunk(w, "00dc", f);
    if (!file.index_first)
        riff_chunk(w, "ix00", ix);
    riff_end_list(w);
    where->frame_data.insert(where->frame_data.end(), data.begin(), data.end());
    where->ix_chunks.push_back(ix_pos);
    return ix_pos;
}

static void write_hdrl(riff_writer *w, const odml_test_file &file, size_t parts, odml_test_layout *where)
{
    riff_begin_list(w, "LIST", "hdrl");
    std::vector<uint8_t> avih(56, 0);
    avih[24] = 1;  // one stream
    riff_chunk(w, "avih", avih);
    riff_begin_list(w, "LIST", "strl");
    avi_strh_fields strh;
    strh.handler = "MJPG";
    strh.length = file.strh_length;
    riff_chunk(w, "strh", avi_strh(strh));
    riff_chunk(w, "strf", avi_bitmap_header(16, 16, 24, fourcc_value("MJPG")));
    std::vector<uint8_t> indx;
    le16(&indx, 4);
    indx.push_back(0);
    indx.push_back(0);  // an index of indexes
    le32(&indx, (uint32_t)parts);
    fourcc(&indx, "00dc");
    for (int i = 0; i < 3; i++)
        le32(&indx, 0);
    indx.resize(indx.size() + 16 * parts, 0);  // entries patched once the parts are written
    where->indx_data = riff_pos(w) + 8;
    riff_chunk(w, "indx", indx);
    riff_end_list(w);
    riff_begin_list(w, "LIST", "odml");
    std::vector<uint8_t> dmlh;
    le32(&dmlh, file.total_frames);
    dmlh.resize(248, 0);
    riff_chunk(w, "dmlh", dmlh);
    riff_end_list(w);
    riff_end_list(w);
}

static void write_idx1(riff_writer *w, const odml_test_file &file, const odml_test_layout &where,
                       uint64_t movi_base)
{
    std::vector<uint8_t> idx1;
    for (size_t i = 0; i < file.part1.size(); i++) {
        bool not_key = i < file.not_key.size() && file.not_key[i];
        fourcc(&idx1, "00dc");
        le32(&idx1, not_key ? 0 : 0x10);
        le32(&idx1, (uint32_t)(where.frame_data[i] - 8 - movi_base));
        le32(&idx1, (uint32_t)file.part1[i].size());
    }
    riff_chunk(w, "idx1", idx1);
}

bool write_odml_file(const std::string &path, const odml_test_file &file, odml_test_layout *layout)
{
    odml_test_layout where;
    size_t parts = file.part2.empty() ? 1 : 2;
    riff_writer w;
    if (!riff_create(&w, path))
        return false;
    riff_begin_list(&w, "RIFF", "AVI ");
    write_hdrl(&w, file, parts, &where);
    uint64_t movi_base = riff_pos(&w) + 8;
    write_movi(&w, file.part1, file, 0, &where);
    if (file.idx1_of_part1)
        write_idx1(&w, file, where, movi_base);
    riff_end_list(&w);
    if (parts == 2) {
        // Top-level JUNK chunks, each under 4 GiB, whose bodies are holes.
        for (uint64_t left = file.hole_before_part2; left > 0;) {
            uint64_t size = left < 0xFFFFFFF0u ? left : 0xFFFFFFF0u;
            riff_hole_chunk(&w, "JUNK", size);
            left -= size;
        }
        riff_begin_list(&w, "RIFF", "AVIX");
        write_movi(&w, file.part2, file, file.part1.size(), &where);
        riff_end_list(&w);
    }
    const std::vector<std::vector<uint8_t>> *part_frames[2] = {&file.part1, &file.part2};
    for (size_t p = 0; p < parts; p++) {
        std::vector<uint8_t> entry;
        le64(&entry, where.ix_chunks[p]);
        le32(&entry, (uint32_t)(32 + 8 * part_frames[p]->size()));
        le32(&entry, (uint32_t)part_frames[p]->size());
        riff_patch(&w, where.indx_data + 24 + 16 * p, entry);
    }
    if (layout != nullptr)
        *layout = where;
    return riff_finish(&w);
}
