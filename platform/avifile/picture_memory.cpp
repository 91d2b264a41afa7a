#include "picture_memory.h"

#include <stdlib.h>
#include <sys/mman.h>

static const size_t huge_page = (size_t)2 << 20;
static const size_t map_threshold = (size_t)1 << 20;

static size_t round_up(size_t bytes, size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

size_t picture_memory_charge(size_t bytes)
{
    return bytes < map_threshold ? bytes : round_up(bytes, huge_page);
}

void *picture_memory_map(size_t bytes)
{
    if (bytes < map_threshold)
        return malloc(bytes == 0 ? 1 : bytes);
    size_t size = round_up(bytes, huge_page);
    if (size < bytes)
        return nullptr;
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
    return aligned;
}

void picture_memory_unmap(void *p, size_t bytes)
{
    if (p == nullptr)
        return;
    if (bytes < map_threshold)
        free(p);
    else
        munmap(p, round_up(bytes, huge_page));
}
