#include "riff_index.h"

#include "riff_bytes.h"

static const uint32_t key_frame_flag = 0x10;  // AVIIF_KEYFRAME
static const size_t entry_size = 16;

static bool tag_at(riff_source *src, uint64_t pos, uint32_t tag)
{
    uint8_t bytes[4];
    return riff_read(src, pos, bytes, sizeof(bytes)) && riff_u32(bytes) == tag;
}

// idx1 offsets count from the 'movi' list type or from the file start;
// the first entry tells which, as it must land on a chunk with its tag.
static bool find_offset_base(riff_source *src, const riff_layout &layout, uint64_t *base)
{
    const riff_chunk &idx1 = layout.idx1;
    uint64_t movi = layout.movi.front().fourcc_pos;
    uint8_t entry[entry_size];
    for (uint64_t at = 0; idx1.avail - at >= entry_size; at += entry_size) {
        if (!riff_read(src, idx1.data + at, entry, sizeof(entry)))
            return false;
        uint32_t tag = riff_u32(entry);
        if (tag == riff_tag("rec ") || riff_u32(entry + 12) == 0)
            continue;  // lists and dropped frames may point anywhere
        uint32_t offset = riff_u32(entry + 8);
        if (tag_at(src, movi + offset, tag)) {
            *base = movi;
            return true;
        }
        if (tag_at(src, offset, tag)) {
            *base = 0;
            return true;
        }
        return false;
    }
    return false;
}

bool riff_frames_from_idx1(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                           riff_frames *out)
{
    out->frames.clear();
    out->palette_changes.clear();
    if (!layout.has_idx1 || layout.movi.empty())
        return false;
    uint64_t base;
    if (!find_offset_base(src, layout, &base))
        return false;

    const riff_chunk &idx1 = layout.idx1;
    bool any_key = false;
    uint8_t entry[entry_size];
    for (uint64_t at = 0; idx1.avail - at >= entry_size; at += entry_size) {
        if (!riff_read(src, idx1.data + at, entry, sizeof(entry)))
            break;
        uint32_t tag = riff_u32(entry);
        uint32_t flags = riff_u32(entry + 4);
        uint64_t header = base + riff_u32(entry + 8);
        uint32_t size = riff_u32(entry + 12);
        if (riff_is_frame_tag(tag, stream_index)) {
            if (out->frames.size() >= riff_max_frames)
                break;
            avi_frame_entry frame{header + 8, size, (flags & key_frame_flag) ? AVI_FRAME_KEY : 0u};
            any_key = any_key || frame.flags != 0;
            out->frames.push_back(frame);
        } else if (riff_is_palette_tag(tag, stream_index)) {
            avi_palette_change change;
            if (riff_read_palette_change(src, header + 8, size, (uint32_t)out->frames.size(), &change))
                out->palette_changes.push_back(std::move(change));
        }
    }
    // Some writers flag no frame at all; decoding can still start at the first.
    if (!any_key && !out->frames.empty())
        out->frames.front().flags |= AVI_FRAME_KEY;

    if (out->frames.empty() || !riff_frames_plausible(src, layout, stream_index, out->frames)) {
        out->frames.clear();
        out->palette_changes.clear();
        return false;
    }
    return true;
}
