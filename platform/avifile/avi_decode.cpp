#include "avi_decode.h"

#include "avi_decode_codec.h"
#include "avi_palette.h"
#include "avi_stream.h"
#include "dib_layout.h"
#include "raw_frames.h"

#include <errno.h>
#include <stdio.h>
#include <unistd.h>

// Reads `size` bytes at `offset` of the file, all or nothing.
static bool read_exactly(const avi_video_stream &video, uint64_t offset, uint8_t *out, size_t size)
{
    if (offset > video.file_size || video.file_size - offset < size)
        return false;
    while (size > 0) {
        ssize_t got = pread(video.fd, out, size, (off_t)offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        size -= (size_t)got;
        offset += (uint64_t)got;
    }
    return true;
}

static dib_ref raw_picture(IAVIStream *stream, uint32_t frame)
{
    const raw_layout &layout = stream->raw;
    const avi_frame_entry &entry = stream->video.frames[frame];
    // A chunk too short for the frame fails before its picture is allocated.
    size_t size = dib_packed_size(layout.width, layout.height);
    if (size == 0 || entry.size < raw_bytes_needed(layout))
        return nullptr;
    dib_ref dib = frame_cache_buffer(&stream->cache, size);
    if (!dib)
        return nullptr;
    dib_write_header(dib->data(), layout.width, layout.height);

    // Already our layout: straight from the file into the picture.
    if (layout.bits == 24 && !layout.top_down && entry.size >= layout.frame_bytes) {
        if (!read_exactly(stream->video, entry.offset, dib->data() + sizeof(BITMAPINFOHEADER),
                          (size_t)layout.frame_bytes))
            return nullptr;
        stream->decodes++;
        return dib;
    }
    if (!avi_read_frame(&stream->video, frame, &stream->chunk))
        return nullptr;

    const RGBQUAD *palette = NULL;
    size_t palette_count = 0;
    std::vector<RGBQUAD> in_force;
    if (layout.bits <= 8) {
        avi_palette_at(stream->video, layout.palette, frame, &in_force);
        palette = in_force.data();
        palette_count = in_force.size();
    }
    if (!raw_convert(layout, stream->chunk.data(), stream->chunk.size(), palette, palette_count,
                     dib->data() + sizeof(BITMAPINFOHEADER)))
        return nullptr;
    stream->decodes++;
    return dib;
}

void avi_decode_prepare(IAVIStream *stream)
{
    const avi_video_stream &video = stream->video;
    stream->picture_of.resize(video.frames.size());
    uint32_t last = no_picture;
    for (uint32_t f = 0; f < video.frames.size(); f++) {
        if (video.frames[f].size != 0)
            last = f;
        stream->picture_of[f] = last;
    }
}

dib_ref avi_decode_picture(IAVIStream *stream, uint32_t n)
{
    const avi_video_stream &video = stream->video;
    if (n >= video.frames.size())
        return nullptr;
    uint32_t frame = stream->picture_of[n];
    if (frame == no_picture)
        return nullptr;  // dropped, with nothing earlier to repeat

    bool forward = stream->last_raw_frame + 1 == frame;
    stream->last_raw_frame = frame;
    dib_ref dib = frame_cache_find(&stream->cache, frame);
    if (dib)
        return dib;
    if (stream->uncompressed) {
        dib = raw_picture(stream, frame);
        frame_cache_put(&stream->cache, frame, dib, forward);
        return dib;
    }
    if (stream->codec != NULL)
        return codec_session_picture(stream, frame);
    return nullptr;
}
