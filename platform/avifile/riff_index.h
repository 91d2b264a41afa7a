// Finding a video stream's frames: from the OpenDML index, from idx1, or by
// scanning the movi lists when neither can be trusted.
#pragma once

#include "avi_container.h"
#include "riff_chunks.h"
#include "riff_layout.h"
#include "riff_source.h"

#include <stdint.h>

#include <vector>

// More frames than any real file holds (about 46 hours at 25 per second);
// keeps a hostile index from taking unbounded memory.
static const uint32_t riff_max_frames = 1u << 22;

struct riff_frames {
    std::vector<avi_frame_entry> frames;
    std::vector<avi_palette_change> palette_changes;
};

// Each returns false, leaving `out` empty, when its index is missing,
// damaged, or points at chunks that are not the stream's frames.
bool riff_frames_from_odml(riff_source *src, const riff_layout &layout, const riff_chunk &indx,
                           uint32_t stream_index, riff_frames *out);
bool riff_frames_from_idx1(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                           riff_frames *out);
void riff_frames_by_scan(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                         riff_frames *out);

// Frame and palette chunk tags of one stream.
bool riff_is_frame_tag(uint32_t tag, uint32_t stream_index);
bool riff_is_palette_tag(uint32_t tag, uint32_t stream_index);

// Whether the frames lie inside the movi lists and (sampled) land on chunk
// headers of the stream with the same size. Frames past the end of a
// truncated file are allowed.
bool riff_frames_plausible(riff_source *src, const riff_layout &layout, uint32_t stream_index,
                           const std::vector<avi_frame_entry> &frames);

// Reads a palette-change chunk's data; false when it holds no whole entry.
bool riff_read_palette_change(riff_source *src, uint64_t data, uint64_t size, uint32_t frame,
                              avi_palette_change *change);
