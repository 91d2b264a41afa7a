// The stream headers in hdrl: which stream is the wanted video stream, and
// what its strh, strf, strn and indx chunks hold.
#pragma once

#include "riff_chunks.h"
#include "riff_source.h"

#include "vfw.h"

#include <stdint.h>

#include <vector>

struct riff_video_headers {
    uint32_t stream_index;        // among all streams: names its chunks ("00dc")
    AVISTREAMINFOA info;          // from strh and strn; rcFrame as strh holds it
    std::vector<uint8_t> format;  // the whole strf
    bool has_indx;
    riff_chunk indx;              // the stream's OpenDML index chunk
};

// Finds video stream `stream_no` (counting 'vids' streams only) in the
// header list `hdrl`. AVIERR_NODATA when there is no such stream,
// AVIERR_BADFORMAT when its headers cannot be used.
HRESULT riff_read_video_headers(riff_source *src, const riff_chunk &hdrl, LONG stream_no,
                                riff_video_headers *headers);
