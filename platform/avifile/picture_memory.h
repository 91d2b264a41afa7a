// Memory for decoded pictures. A 1080p picture is 6 MiB; filling a cache of
// them page by page costs more than decoding them, so large pictures get
// huge pages where the system offers them, and nothing is zero-filled (every
// byte is written by the conversion).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <new>
#include <vector>

void *picture_memory_map(size_t bytes);
void picture_memory_unmap(void *p, size_t bytes);
// What a picture of `bytes` really occupies, for the cache's budget.
size_t picture_memory_charge(size_t bytes);
// Bytes of huge-page arenas mapped now. A leak checker cannot see these,
// so tests ask directly.
size_t picture_memory_mapped_bytes();

template <class T>
struct picture_allocator {
    typedef T value_type;
    picture_allocator() = default;
    template <class U>
    picture_allocator(const picture_allocator<U> &) {}
    T *allocate(size_t n)
    {
        void *p = picture_memory_map(n * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        return (T *)p;
    }
    void deallocate(T *p, size_t n) { picture_memory_unmap(p, n * sizeof(T)); }
    // Growing leaves new bytes as they are.
    template <class U>
    void construct(U *p) { ::new ((void *)p) U; }
    template <class U, class... Args>
    void construct(U *p, Args &&...args) { ::new ((void *)p) U(static_cast<Args &&>(args)...); }
    bool operator==(const picture_allocator &) const { return true; }
    bool operator!=(const picture_allocator &) const { return false; }
};

typedef std::vector<uint8_t, picture_allocator<uint8_t>> picture_bytes;
