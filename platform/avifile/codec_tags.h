// Which libavcodec decoder reads a stream, from its FourCC.
#pragma once

#include <stdint.h>

extern "C" {
#include <libavcodec/codec_id.h>
}

// The codec for `tag` (strf's biCompression, or strh's fccHandler), or
// AV_CODEC_ID_NONE. Letter case does not matter.
AVCodecID codec_id_for_tag(uint32_t tag);
// `tag` as four printable characters and a terminator, for messages.
void codec_tag_text(uint32_t tag, char text[5]);
