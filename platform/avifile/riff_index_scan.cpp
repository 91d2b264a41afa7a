#include "riff_index.h"

#include "riff_bytes.h"

static const int max_depth = 4;  // 'rec ' lists inside movi, and a little more

static void scan_list(riff_source *src, uint64_t begin, uint64_t end, uint32_t stream_index, int depth,
                      riff_frames *out)
{
    uint64_t pos = begin;
    riff_chunk chunk;
    while (out->frames.size() < riff_max_frames && riff_next_chunk(src, &pos, end, &chunk)) {
        // Past the last real chunk there may be zeros or garbage: stop there.
        if (!riff_tag_is_text(chunk.id))
            return;
        if (chunk.id == riff_tag("LIST")) {
            if (chunk.list_type == riff_tag("rec ") && depth < max_depth)
                scan_list(src, riff_list_begin(chunk), riff_list_end(chunk), stream_index, depth + 1, out);
        } else if (riff_is_frame_tag(chunk.id, stream_index)) {
            // Without an index the key frames are unknown: uncompressed ('db')
            // frames all are, and decoding can always start at the first.
            bool key = riff_tag_suffix(chunk.id) == riff_suffix("db") || out->frames.empty();
            out->frames.push_back(avi_frame_entry{chunk.data, chunk.size, key ? AVI_FRAME_KEY : 0u});
        } else if (riff_is_palette_tag(chunk.id, stream_index)) {
            avi_palette_change change;
            if (riff_read_palette_change(src, chunk.data, chunk.avail, (uint32_t)out->frames.size(), &change))
                out->palette_changes.push_back(std::move(change));
        }
    }
}

void riff_frames_by_scan(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                         riff_frames *out)
{
    out->frames.clear();
    out->palette_changes.clear();
    for (const riff_movi &movi : layout.movi)
        scan_list(src, movi.begin, movi.end, stream_index, 0, out);
}
