// Walking the chunks of one RIFF level: a flat loop over tag/size headers.
#pragma once

#include "riff_source.h"

#include <stdint.h>

struct riff_chunk {
    uint32_t id;
    uint32_t size;       // as the header says
    uint64_t pos;        // of the 8-byte header
    uint64_t data;       // of the data, just after the header
    uint64_t avail;      // bytes of data inside the parent and the file (<= size)
    uint32_t list_type;  // for RIFF and LIST chunks with avail >= 4 or size 0; else 0
};

// Reads the chunk header at *pos, inside a parent that ends at `end`, and
// moves *pos past the chunk (to `end` when the chunk runs over it). False when
// no whole header fits before `end`.
bool riff_next_chunk(riff_source *src, uint64_t *pos, uint64_t end, riff_chunk *chunk);

bool riff_is_list(const riff_chunk &chunk);

// The range of a list's children: after its list type, inside `avail`.
uint64_t riff_list_begin(const riff_chunk &chunk);
uint64_t riff_list_end(const riff_chunk &chunk);

// True when every byte of the tag is printable ASCII, as real tags are.
bool riff_tag_is_text(uint32_t tag);
