// Reading a file at given offsets, for the RIFF reader: bounds-checked reads
// through a small buffer, so walking many small chunks stays cheap.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct riff_source {
    int fd;
    uint64_t size;             // the file's size when it was opened
    std::vector<uint8_t> buf;  // a window of the file starting at buf_pos
    uint64_t buf_pos;
};

void riff_source_init(riff_source *src, int fd, uint64_t size);

// Reads exactly `n` bytes at `pos`; false when they are not all in the file.
bool riff_read(riff_source *src, uint64_t pos, void *out, size_t n);

// Reads exactly `n` bytes at `pos` straight from `fd`, retrying short reads.
bool riff_pread_all(int fd, uint64_t pos, void *out, size_t n);
