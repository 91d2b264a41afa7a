#include "riff_source.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

static const size_t buffer_size = 16 * 1024;

void riff_source_init(riff_source *src, int fd, uint64_t size)
{
    src->fd = fd;
    src->size = size;
    src->buf.clear();
    src->buf_pos = 0;
}

bool riff_pread_all(int fd, uint64_t pos, void *out, size_t n)
{
    uint8_t *dst = (uint8_t *)out;
    while (n > 0) {
        if (pos > (uint64_t)INT64_MAX)
            return false;
        ssize_t got = pread(fd, dst, n, (off_t)pos);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        dst += got;
        n -= (size_t)got;
        pos += (uint64_t)got;
    }
    return true;
}

static bool buffer_holds(const riff_source *src, uint64_t pos, size_t n)
{
    return pos >= src->buf_pos && pos - src->buf_pos <= src->buf.size() &&
           src->buf.size() - (pos - src->buf_pos) >= n;
}

bool riff_read(riff_source *src, uint64_t pos, void *out, size_t n)
{
    if (pos > src->size || src->size - pos < n)
        return false;
    if (n == 0)
        return true;
    if (n > buffer_size)
        return riff_pread_all(src->fd, pos, out, n);
    if (!buffer_holds(src, pos, n)) {
        uint64_t left = src->size - pos;
        size_t want = left < buffer_size ? (size_t)left : buffer_size;
        src->buf.resize(want);
        if (!riff_pread_all(src->fd, pos, src->buf.data(), want)) {
            src->buf.clear();
            return false;
        }
        src->buf_pos = pos;
    }
    memcpy(out, src->buf.data() + (pos - src->buf_pos), n);
    return true;
}
