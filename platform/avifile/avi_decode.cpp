#include "avi_decode.h"

#include "avi_decode_codec.h"
#include "avi_palette.h"
#include "avi_stream.h"
#include "dib_layout.h"
#include "raw_frames.h"

#include <stdio.h>

static dib_ref raw_picture(IAVIStream *stream, uint32_t frame)
{
    const raw_layout &layout = stream->raw;
    if (!avi_read_frame(&stream->video, frame, &stream->chunk))
        return nullptr;
    size_t size = dib_packed_size(layout.width, layout.height);
    if (size == 0)
        return nullptr;
    dib_ref dib = frame_cache_buffer(&stream->cache, size);
    dib_write_header(dib->data(), layout.width, layout.height);

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

    dib_ref dib = frame_cache_find(&stream->cache, frame);
    if (dib)
        return dib;
    if (stream->uncompressed) {
        dib = raw_picture(stream, frame);
        frame_cache_put(&stream->cache, frame, dib);
        return dib;
    }
    if (stream->codec != NULL)
        return codec_session_picture(stream, frame);
    return nullptr;
}
