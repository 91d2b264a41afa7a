// What a PAVISTREAM and a PGETFRAME are inside our AVI file service.
#pragma once

#include "avi_container.h"
#include "frame_cache.h"
#include "raw_frames.h"

#include <stdint.h>

#include <vector>

struct codec_session;

const uint32_t no_picture = 0xFFFFFFFFu;

struct IAVIStream {
    avi_video_stream video;
    bool uncompressed;        // raw holds the layout
    raw_layout raw;
    codec_session *codec;     // compressed streams with a decoder, else null
    bool missing_codec_told;  // the "no decoder" line is printed once per stream
    std::vector<uint32_t> picture_of;  // per frame: the frame whose data it shows, or no_picture
    frame_cache cache;
    uint64_t decodes;         // pictures produced by decoding or conversion
    std::vector<uint8_t> chunk;  // read buffer for one frame's data
    int64_t last_raw_frame;      // the uncompressed frame asked for last, -1 before any
};

struct IGetFrame {
    IAVIStream *stream;
    dib_ref shown;  // the picture last returned, held until the next call or close
};
