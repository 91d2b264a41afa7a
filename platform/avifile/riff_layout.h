// The top-level shape of an AVI file: its header list, its movi lists (in
// the first RIFF and in every following 'AVIX' part) and its idx1 chunk.
#pragma once

#include "riff_chunks.h"
#include "riff_source.h"

#include "vfw.h"

#include <stdint.h>

#include <vector>

struct riff_movi {
    uint64_t fourcc_pos;   // of the 'movi' list type: idx1 offsets may count from here
    uint64_t begin;        // first child chunk
    uint64_t end;          // end of the children inside the file
    uint64_t claimed_end;  // end as the list header says (past the file when truncated)
};

struct riff_layout {
    bool has_hdrl;
    riff_chunk hdrl;
    bool has_idx1;
    riff_chunk idx1;
    std::vector<riff_movi> movi;  // in file order
};

// AVIERR_OK, or AVIERR_BADFORMAT when the file is no RIFF 'AVI ' form with
// a header list.
HRESULT riff_read_layout(riff_source *src, riff_layout *layout);
