// Decoded pictures kept for stepping back: packed 24-bit bottom-up DIBs,
// keyed by frame number, dropped least recently used first once their
// bytes pass the budget.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "picture_memory.h"

#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

// A packed DIB: BITMAPINFOHEADER, then the pixel rows. Shared, so a picture
// handed to the caller stays valid after the cache lets go of it.
typedef std::shared_ptr<picture_bytes> dib_ref;

struct frame_cache {
    size_t budget;
    size_t forward_window;      // bytes kept of pictures met walking forward
    size_t bytes;               // charged for the pictures kept
    std::list<uint32_t> order;  // most recently used first
    struct slot {
        dib_ref dib;
        std::list<uint32_t>::iterator place;
    };
    std::unordered_map<uint32_t, slot> slots;
    std::vector<dib_ref> spare;  // evicted buffers nobody holds, for reuse
};

const size_t frame_cache_default_budget = (size_t)256 << 20;
// Walking forward needs only recent pictures for a step back; keeping fewer
// lets their buffers be reused instead of growing memory to the budget.
const size_t frame_cache_default_forward_window = (size_t)64 << 20;

void frame_cache_init(frame_cache *cache, size_t budget);
void frame_cache_clear(frame_cache *cache);
// The picture of frame `n`, or null; a hit makes it the most recent.
dib_ref frame_cache_find(frame_cache *cache, uint32_t n);
// Keeps `dib` as frame n's picture, evicting the least recent down to the
// budget, or down to the forward window for a picture met walking forward.
// A picture larger than the whole budget is not kept.
void frame_cache_put(frame_cache *cache, uint32_t n, const dib_ref &dib, bool forward);
// A buffer of `size` bytes for a new picture: a spare one when possible;
// null when memory runs out.
dib_ref frame_cache_buffer(frame_cache *cache, size_t size);
void frame_cache_set_budget(frame_cache *cache, size_t budget);
