#include "riff_index.h"

#include "riff_bytes.h"

#include <set>

static const uint8_t index_of_indexes = 0x00;  // AVI_INDEX_OF_INDEXES
static const uint8_t index_of_chunks = 0x01;   // AVI_INDEX_OF_CHUNKS
static const uint32_t not_key_bit = 0x80000000u;
static const int max_depth = 4;  // a super index points at standard indexes; allow a little more
static const uint64_t header_size = 24;
// Index chunks may overlap at any offset; bound the entries read in all.
static const uint64_t max_entries_read = 4ull * riff_max_frames;

struct odml_walk {
    riff_source *src;
    uint32_t stream_index;
    std::set<uint64_t> visited;  // index chunks already read: no loops, no repeats
    uint64_t entries_read;
    riff_frames *out;
};

static bool spend_entry(odml_walk *walk)
{
    return ++walk->entries_read <= max_entries_read;
}

static bool read_index_chunk(odml_walk *walk, const riff_chunk &chunk, int depth);

static bool read_super_index(odml_walk *walk, const riff_chunk &chunk, const uint8_t *header, int depth)
{
    if (riff_u16(header) != 4)
        return false;
    uint64_t count = riff_u32(header + 4);
    uint64_t room = (chunk.avail - header_size) / 16;
    if (count > room)
        count = room;
    for (uint64_t i = 0; i < count; i++) {
        if (!spend_entry(walk))
            return false;
        uint8_t entry[16];
        if (!riff_read(walk->src, chunk.data + header_size + 16 * i, entry, sizeof(entry)))
            return false;
        uint64_t pos = riff_u64(entry);
        riff_chunk sub;
        if (pos >= walk->src->size) {
            continue;  // in a part the truncated file lacks
        }
        if (!riff_next_chunk(walk->src, &pos, walk->src->size, &sub))
            continue;
        if (!read_index_chunk(walk, sub, depth + 1))
            return false;
    }
    return true;
}

static bool read_standard_index(odml_walk *walk, const riff_chunk &chunk, const uint8_t *header)
{
    uint32_t longs = riff_u16(header);
    if (longs < 2)
        return false;
    uint64_t stride = 4 * (uint64_t)longs;
    uint64_t base = riff_u64(header + 12);
    uint64_t count = riff_u32(header + 4);
    uint64_t room = (chunk.avail - header_size) / stride;
    if (count > room)
        count = room;
    for (uint64_t i = 0; i < count; i++) {
        if (walk->out->frames.size() >= riff_max_frames)
            return true;
        if (!spend_entry(walk))
            return false;
        uint8_t entry[8];
        if (!riff_read(walk->src, chunk.data + header_size + stride * i, entry, sizeof(entry)))
            return false;
        uint32_t offset = riff_u32(entry);
        uint32_t size = riff_u32(entry + 4);
        if (UINT64_MAX - offset < base)
            return false;
        avi_frame_entry frame{base + offset, size & ~not_key_bit, (size & not_key_bit) ? 0u : AVI_FRAME_KEY};
        walk->out->frames.push_back(frame);
    }
    return true;
}

static bool read_index_chunk(odml_walk *walk, const riff_chunk &chunk, int depth)
{
    if (depth > max_depth || chunk.avail < header_size)
        return false;
    if (!walk->visited.insert(chunk.pos).second)
        return true;
    uint8_t header[header_size];
    if (!riff_read(walk->src, chunk.data, header, sizeof(header)))
        return false;
    uint32_t chunk_id = riff_u32(header + 8);
    if (riff_tag_prefix(chunk_id) != riff_stream_prefix(walk->stream_index))
        return false;
    uint8_t type = header[3];
    if (type == index_of_indexes)
        return read_super_index(walk, chunk, header, depth);
    if (type == index_of_chunks)
        return read_standard_index(walk, chunk, header);
    return false;
}

bool riff_frames_from_odml(riff_source *src, const riff_layout &layout, const riff_chunk &indx,
                           uint32_t stream_index, riff_frames *out)
{
    out->frames.clear();
    out->palette_changes.clear();
    odml_walk walk{src, stream_index, {}, 0, out};
    bool ok = read_index_chunk(&walk, indx, 0);
    if (!ok || out->frames.empty() || !riff_frames_plausible(src, layout, stream_index, out->frames)) {
        out->frames.clear();
        return false;
    }
    return true;
}
