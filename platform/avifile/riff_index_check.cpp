#include "riff_index.h"

#include "riff_bytes.h"

static const size_t sample_count = 32;

bool riff_is_frame_tag(uint32_t tag, uint32_t stream_index)
{
    uint16_t suffix = riff_tag_suffix(tag);
    return riff_tag_prefix(tag) == riff_stream_prefix(stream_index) &&
           (suffix == riff_suffix("db") || suffix == riff_suffix("dc"));
}

bool riff_is_palette_tag(uint32_t tag, uint32_t stream_index)
{
    return riff_tag_prefix(tag) == riff_stream_prefix(stream_index) &&
           riff_tag_suffix(tag) == riff_suffix("pc");
}

// A dropped frame reads nothing: some writers give it no chunk, offset 0.
static bool inside_movi(const riff_layout &layout, const avi_frame_entry &frame)
{
    if (frame.size == 0)
        return true;
    for (const riff_movi &movi : layout.movi) {
        if (frame.offset < movi.begin || frame.offset - movi.begin < 8)
            continue;
        if (frame.offset <= movi.claimed_end && movi.claimed_end - frame.offset >= frame.size)
            return true;
    }
    return false;
}

static bool lands_on_chunk(riff_source *src, uint32_t stream_index, const avi_frame_entry &frame)
{
    if (frame.size == 0)
        return true;
    uint64_t header = frame.offset - 8;
    if (header > src->size || src->size - header < 8)
        return true;  // lost to truncation: reading it will fail, not mislead
    uint8_t bytes[8];
    if (!riff_read(src, header, bytes, sizeof(bytes)))
        return false;
    return riff_is_frame_tag(riff_u32(bytes), stream_index) && riff_u32(bytes + 4) == frame.size;
}

bool riff_frames_plausible(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                           const std::vector<avi_frame_entry> &frames)
{
    for (const avi_frame_entry &frame : frames)
        if (!inside_movi(layout, frame))
            return false;
    if (frames.empty())
        return true;
    size_t step = frames.size() / sample_count + 1;
    for (size_t i = 0; i < frames.size(); i += step)
        if (!lands_on_chunk(src, stream_index, frames[i]))
            return false;
    return lands_on_chunk(src, stream_index, frames.back());
}

bool riff_read_palette_change(riff_source *src, uint64_t data, uint64_t size, uint32_t frame,
                              avi_palette_change *change)
{
    uint8_t head[4];
    if (size < 8 || !riff_read(src, data, head, sizeof(head)))
        return false;
    uint32_t first = head[0];
    uint32_t count = head[1] == 0 ? 256 : head[1];
    if (count > 256 - first)
        count = 256 - first;
    uint64_t room = (size - 4) / 4;
    if (count > room)
        count = (uint32_t)room;
    if (count == 0)
        return false;
    uint8_t entries[256 * 4];
    if (!riff_read(src, data + 4, entries, (size_t)count * 4))
        return false;
    change->frame = frame;
    change->first = first;
    change->entries.resize(count);
    for (uint32_t i = 0; i < count; i++) {
        // Palette entries are red, green, blue, flags; RGBQUAD is blue first.
        change->entries[i].rgbRed = entries[4 * i];
        change->entries[i].rgbGreen = entries[4 * i + 1];
        change->entries[i].rgbBlue = entries[4 * i + 2];
        change->entries[i].rgbReserved = 0;
    }
    return true;
}
