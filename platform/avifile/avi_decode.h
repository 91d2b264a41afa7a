// Frame n of an open stream as a 24-bit bottom-up DIB, from the cache or
// by decoding.
#pragma once

#include "frame_cache.h"

#include <stdint.h>

struct IAVIStream;

// Works out which frame's data each frame shows; once, after opening.
void avi_decode_prepare(IAVIStream *stream);
// Null when frame n does not exist or cannot be decoded. A dropped frame
// (no data) shows the picture of the nearest earlier frame that has data.
dib_ref avi_decode_picture(IAVIStream *stream, uint32_t n);
