#include "frame_cache.h"

static void evict_to(frame_cache *cache, size_t limit)
{
    while (cache->bytes > limit && !cache->order.empty()) {
        uint32_t oldest = cache->order.back();
        auto it = cache->slots.find(oldest);
        cache->bytes -= picture_memory_charge(it->second.dib->size());
        // Only an unshared buffer can be reused; one the caller still shows stays its own.
        if (it->second.dib.use_count() == 1 && cache->spare.size() < 4)
            cache->spare.push_back(it->second.dib);
        cache->slots.erase(it);
        cache->order.pop_back();
    }
}

void frame_cache_init(frame_cache *cache, size_t budget)
{
    cache->budget = budget;
    cache->forward_window = frame_cache_default_forward_window;
    cache->bytes = 0;
    cache->order.clear();
    cache->slots.clear();
    cache->spare.clear();
}

void frame_cache_clear(frame_cache *cache)
{
    size_t window = cache->forward_window;
    frame_cache_init(cache, cache->budget);
    cache->forward_window = window;
}

dib_ref frame_cache_find(frame_cache *cache, uint32_t n)
{
    auto it = cache->slots.find(n);
    if (it == cache->slots.end())
        return nullptr;
    cache->order.splice(cache->order.begin(), cache->order, it->second.place);
    return it->second.dib;
}

void frame_cache_put(frame_cache *cache, uint32_t n, const dib_ref &dib, bool forward)
{
    if (!dib)
        return;
    size_t charge = picture_memory_charge(dib->size());
    if (charge > cache->budget)
        return;
    auto it = cache->slots.find(n);
    if (it != cache->slots.end()) {
        cache->bytes -= picture_memory_charge(it->second.dib->size());
        cache->order.erase(it->second.place);
        cache->slots.erase(it);
    }
    size_t limit = forward && cache->forward_window < cache->budget ? cache->forward_window : cache->budget;
    evict_to(cache, limit > charge ? limit - charge : 0);
    cache->order.push_front(n);
    cache->slots[n] = frame_cache::slot{dib, cache->order.begin()};
    cache->bytes += charge;
}

dib_ref frame_cache_buffer(frame_cache *cache, size_t size)
{
    while (!cache->spare.empty()) {
        dib_ref buf = cache->spare.back();
        cache->spare.pop_back();
        if (buf.use_count() == 1 && buf->capacity() >= size) {
            buf->resize(size);
            return buf;
        }
    }
    try {
        dib_ref buf = std::make_shared<picture_bytes>();
        buf->resize(size);
        return buf;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void frame_cache_set_budget(frame_cache *cache, size_t budget)
{
    cache->budget = budget;
    evict_to(cache, budget);
}
