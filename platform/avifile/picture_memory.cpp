#include "picture_memory.h"

#include <stdlib.h>
#include <sys/mman.h>

#include <mutex>
#include <vector>

// Pictures of one stream all have one size, so they come from arenas of
// equal slots: huge-page mappings of at least arena_bytes, unmapped when
// their last slot is freed. Small pictures use malloc.

namespace {

const size_t huge_page = (size_t)2 << 20;
const size_t small_picture = (size_t)64 << 10;
const size_t arena_bytes = (size_t)32 << 20;

size_t round_up(size_t bytes, size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

struct arena {
    uint8_t *base;
    size_t slot;          // bytes per slot
    size_t map_size;
    std::vector<uint32_t> free_slots;
    size_t used;
};

std::mutex arenas_lock;
std::vector<arena *> arenas;

arena *new_arena(size_t slot)
{
    size_t slots = slot >= arena_bytes ? 1 : arena_bytes / slot;
    size_t size = round_up(slot * slots, huge_page);
    // Map one huge page more, then trim to a huge-page boundary.
    uint8_t *raw = (uint8_t *)mmap(NULL, size + huge_page, PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    uint8_t *aligned = (uint8_t *)round_up((uintptr_t)raw, huge_page);
    if (aligned != raw)
        munmap(raw, (size_t)(aligned - raw));
    size_t tail = (size_t)(raw + size + huge_page - (aligned + size));
    if (tail != 0)
        munmap(aligned + size, tail);
    madvise(aligned, size, MADV_HUGEPAGE);

    arena *a = new (std::nothrow) arena();
    if (a == nullptr) {
        munmap(aligned, size);
        return nullptr;
    }
    a->base = aligned;
    a->slot = slot;
    a->map_size = size;
    a->used = 0;
    for (size_t i = slots; i > 0; i--)
        a->free_slots.push_back((uint32_t)(i - 1));
    return a;
}

} // namespace

size_t picture_memory_charge(size_t bytes)
{
    if (bytes < small_picture)
        return bytes;
    size_t slot = round_up(bytes, 4096);
    return slot >= arena_bytes ? round_up(slot, huge_page) : slot;
}

void *picture_memory_map(size_t bytes)
{
    if (bytes < small_picture)
        return malloc(bytes == 0 ? 1 : bytes);
    if (bytes > ((size_t)1 << 40))
        return nullptr;
    size_t slot = round_up(bytes, 4096);
    std::lock_guard<std::mutex> hold(arenas_lock);
    arena *a = nullptr;
    for (arena *candidate : arenas)
        if (candidate->slot == slot && !candidate->free_slots.empty()) {
            a = candidate;
            break;
        }
    if (a == nullptr) {
        a = new_arena(slot);
        if (a == nullptr)
            return nullptr;
        try {
            arenas.push_back(a);
        } catch (const std::bad_alloc &) {
            munmap(a->base, a->map_size);
            delete a;
            return nullptr;
        }
    }
    uint32_t index = a->free_slots.back();
    a->free_slots.pop_back();
    a->used++;
    return a->base + (size_t)index * slot;
}

void picture_memory_unmap(void *p, size_t bytes)
{
    if (p == nullptr)
        return;
    if (bytes < small_picture) {
        free(p);
        return;
    }
    std::lock_guard<std::mutex> hold(arenas_lock);
    for (size_t i = 0; i < arenas.size(); i++) {
        arena *a = arenas[i];
        uint8_t *at = (uint8_t *)p;
        if (at < a->base || at >= a->base + a->map_size)
            continue;
        a->free_slots.push_back((uint32_t)((size_t)(at - a->base) / a->slot));
        if (--a->used == 0) {
            munmap(a->base, a->map_size);
            delete a;
            arenas.erase(arenas.begin() + (long)i);
        }
        return;
    }
}

size_t picture_memory_mapped_bytes()
{
    std::lock_guard<std::mutex> hold(arenas_lock);
    size_t bytes = 0;
    for (const arena *a : arenas)
        bytes += a->map_size;
    return bytes;
}
