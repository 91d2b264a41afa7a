// Test-side writer of RIFF and AVI files, for building small fixtures.
//
// Low level: chunks and lists written in order, straight to a file.
//   riff_writer w;
//   riff_create(&w, path);                 // false when the file cannot be made
//   riff_begin_list(&w, "RIFF", "AVI ");   // a RIFF or LIST header; size patched at the end
//   riff_chunk(&w, "strh", bytes);         // a chunk with its data (padded to even)
//   riff_hole_chunk(&w, "JUNK", 0xF0000000); // a chunk whose body is a sparse hole (< 4 GiB)
//   riff_end_list(&w);
//   riff_finish(&w);                       // flushes and closes; false on any write error
// riff_pos(&w) is the offset the next byte goes to (for index entries);
// riff_raw writes bytes as they are; riff_patch overwrites bytes already written.
//
// High level: write_avi_file(path, avi_test_file) writes a whole AVI 1.0 file
// from a list of streams and chunks, with an idx1 in either offset style or none;
// simple_video_file() gives a ready one-stream uncompressed description to start from.
// avi_strh() and avi_bitmap_header() build the header records; le16/le32/le64
// append little-endian values. read_whole_file / write_whole_file help to
// damage a fixture.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct riff_writer {
    int fd = -1;
    uint64_t flushed = 0;           // file offset of pending[0]
    std::vector<uint8_t> pending;   // written but not yet flushed
    std::vector<uint64_t> lists;    // offsets of the open lists' size fields
    bool failed = false;
};

bool riff_create(riff_writer *w, const std::string &path);
bool riff_finish(riff_writer *w);
uint64_t riff_pos(const riff_writer *w);
void riff_raw(riff_writer *w, const std::vector<uint8_t> &bytes);
void riff_chunk(riff_writer *w, const char *id, const std::vector<uint8_t> &data);
void riff_hole_chunk(riff_writer *w, const char *id, uint64_t size);
void riff_begin_list(riff_writer *w, const char *id, const char *type);
void riff_end_list(riff_writer *w);
void riff_patch(riff_writer *w, uint64_t at, const std::vector<uint8_t> &bytes);

void le16(std::vector<uint8_t> *out, uint16_t v);
void le32(std::vector<uint8_t> *out, uint32_t v);
void le64(std::vector<uint8_t> *out, uint64_t v);
void fourcc(std::vector<uint8_t> *out, const char *tag);
uint32_t fourcc_value(const char *tag);

struct avi_strh_fields {
    const char *type = "vids";
    const char *handler = "DIB ";
    uint32_t flags = 0;
    uint16_t priority = 0;
    uint16_t language = 0;
    uint32_t initial_frames = 0;
    uint32_t scale = 1;
    uint32_t rate = 25;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t suggested_buffer_size = 0;
    uint32_t quality = 0xFFFFFFFF;
    uint32_t sample_size = 0;
    int16_t frame[4] = {0, 0, 0, 0};  // left, top, right, bottom
};
std::vector<uint8_t> avi_strh(const avi_strh_fields &fields);
std::vector<uint8_t> avi_bitmap_header(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                                       uint32_t size_image = 0, uint32_t colors_used = 0);

struct avi_test_stream {
    std::vector<uint8_t> strh;
    std::vector<uint8_t> strf;
    std::string name;                // strn; none when empty
    std::vector<uint8_t> indx;       // an OpenDML index chunk's data; none when empty
};

struct avi_test_chunk {
    std::string tag;                 // "00dc", "01wb", "00pc"...
    std::vector<uint8_t> data;
    bool key = true;                 // AVIIF_KEYFRAME in idx1
};

enum avi_index_style { AVI_IDX1_FROM_MOVI, AVI_IDX1_FROM_FILE_START, AVI_NO_IDX1 };

struct avi_test_file {
    std::vector<avi_test_stream> streams;
    std::vector<avi_test_chunk> chunks;  // in movi, in this order
    avi_index_style index = AVI_IDX1_FROM_MOVI;
    size_t chunks_per_rec = 0;           // > 0: group the chunks in 'rec ' lists of this many
};

// Where write_avi_file put things, for tests that damage them.
struct avi_test_layout {
    uint64_t movi_fourcc = 0;              // offset of the 'movi' list type
    uint64_t idx1 = 0;                     // offset of the idx1 chunk header (0: none)
    std::vector<uint64_t> chunk_headers;   // offset of each chunk's header
};

bool write_avi_file(const std::string &path, const avi_test_file &file, avi_test_layout *layout = nullptr);

// A one-stream uncompressed file: `frames` frames of width x height at `bits`
// bits, each filled with its own frame number.
avi_test_file simple_video_file(int32_t width, int32_t height, uint16_t bits, uint32_t frames);

std::vector<uint8_t> read_whole_file(const std::string &path);
bool write_whole_file(const std::string &path, const std::vector<uint8_t> &bytes);
