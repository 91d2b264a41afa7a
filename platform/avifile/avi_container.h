// Inside the AVI file service: what the RIFF reader finds in a file, for the
// decoding side. One video stream, its format and its frames in order.
#pragma once

#include "vfw.h"

#include <stdint.h>

#include <string>
#include <vector>

enum : uint32_t {
    AVI_FRAME_KEY = 1u << 0,     // a key frame: decoding may start here
};

struct avi_frame_entry {
    uint64_t offset;  // of the chunk's data (after its 8-byte header), from the file start
    uint32_t size;    // 0: a dropped frame, which repeats the previous picture
    uint32_t flags;   // AVI_FRAME_*
};

// A palette-change chunk ('xxpc') met before frame `frame`.
struct avi_palette_change {
    uint32_t frame;
    uint32_t first;             // first entry changed
    std::vector<RGBQUAD> entries;
};

struct avi_video_stream {
    std::string path;
    int fd;                              // open for reading; closed by avi_close_video
    uint64_t file_size;
    AVISTREAMINFOA info;                 // as strh holds it; rcFrame filled from strf when empty
    std::vector<uint8_t> format;         // the whole strf chunk: BITMAPINFOHEADER, then extra data
    std::vector<avi_frame_entry> frames; // in stream order, one per frame
    std::vector<avi_palette_change> palette_changes; // in frame order
    bool index_rebuilt;                  // no usable index: frames were found by scanning
};

// Opens `path` and reads its video stream number `stream_no` (counting video
// streams only). Returns AVIERR_OK, or an AVIERR_* code with nothing left open.
HRESULT avi_open_video(const char *path, LONG stream_no, avi_video_stream *stream);
void avi_close_video(avi_video_stream *stream);

// Reads frame `n`'s chunk data into `data`. False when it cannot be read
// (past the end of a truncated file, an I/O error); `data` is then empty.
bool avi_read_frame(const avi_video_stream *stream, uint32_t n, std::vector<uint8_t> *data);
