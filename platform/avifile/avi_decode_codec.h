// Compressed frames through libavcodec. The decoder's state lives with the
// stream, so walking forward decodes each frame once; a jump or a step back
// restarts at the nearest key frame and keeps what it decodes in the cache.
#pragma once

#include "frame_cache.h"

#include <stdint.h>

struct IAVIStream;
struct codec_session;

// A decoder for the stream's codec, or null when libavcodec has none for it
// (`fourcc` then names the code that was asked for).
codec_session *codec_session_open(const IAVIStream *stream, char fourcc[5]);
void codec_session_close(codec_session *session);

// The picture of frame `frame`, whose chunk holds data; null when it cannot
// be decoded.
dib_ref codec_session_picture(IAVIStream *stream, uint32_t frame);
