// Opening an AVI file's video stream: headers, then frames from the best
// index the file has, else from a scan of its movi lists.

#include "avi_container.h"

#include "riff_headers.h"
#include "riff_index.h"
#include "riff_layout.h"
#include "riff_source.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string.h>

#include <new>

// Scanning a file this large takes a moment: say what is going on.
static const uint64_t announce_scan_size = 1ull << 30;

static LONG abs_height(LONG height)
{
    if (height >= 0)
        return height;
    return height == INT32_MIN ? INT32_MAX : -height;
}

static void fill_frame_rect(AVISTREAMINFOA *info, const std::vector<uint8_t> &format)
{
    RECT &rc = info->rcFrame;
    if (rc.left != 0 || rc.top != 0 || rc.right != 0 || rc.bottom != 0)
        return;
    const BITMAPINFOHEADER *bih = (const BITMAPINFOHEADER *)format.data();
    LONG width, height;
    memcpy(&width, &bih->biWidth, sizeof(width));
    memcpy(&height, &bih->biHeight, sizeof(height));
    rc.right = width;
    rc.bottom = abs_height(height);
}

static void find_frames(riff_source *src, const riff_layout &layout, const riff_video_headers &headers,
                        const char *path, avi_video_stream *stream)
{
    riff_frames found;
    bool indexed = (headers.has_indx &&
                    riff_frames_from_odml(src, layout, headers.indx, headers.stream_index, &found)) ||
                   riff_frames_from_idx1(src, layout, headers.stream_index, &found);
    if (!indexed) {
        if (src->size > announce_scan_size) {
            printf("indexing %s...\n", path);
            fflush(stdout);
        }
        riff_frames_by_scan(src, layout, headers.stream_index, &found);
    }
    stream->frames = std::move(found.frames);
    stream->palette_changes = std::move(found.palette_changes);
    stream->index_rebuilt = !indexed;
}

static HRESULT read_stream(int fd, const char *path, LONG stream_no, avi_video_stream *stream)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return AVIERR_FILEREAD;
    riff_source src;
    riff_source_init(&src, fd, (uint64_t)st.st_size);

    riff_layout layout;
    HRESULT result = riff_read_layout(&src, &layout);
    if (result != AVIERR_OK)
        return result;
    riff_video_headers headers;
    result = riff_read_video_headers(&src, layout.hdrl, stream_no, &headers);
    if (result != AVIERR_OK)
        return result;

    stream->path = path;
    stream->fd = fd;
    stream->file_size = src.size;
    stream->info = headers.info;
    fill_frame_rect(&stream->info, headers.format);
    find_frames(&src, layout, headers, path, stream);
    stream->format = std::move(headers.format);
    return AVIERR_OK;
}

HRESULT avi_open_video(const char *path, LONG stream_no, avi_video_stream *stream)
{
    stream->fd = -1;
    if (path == nullptr)
        return AVIERR_FILEOPEN;
    // Non-blocking so a FIFO cannot stall the open; regular files ignore it.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return AVIERR_FILEOPEN;
    HRESULT result;
    try {
        result = read_stream(fd, path, stream_no, stream);
    } catch (const std::bad_alloc &) {
        result = AVIERR_MEMORY;
    }
    if (result != AVIERR_OK) {
        close(fd);
        stream->fd = -1;
        stream->frames.clear();
        stream->palette_changes.clear();
        stream->format.clear();
    }
    return result;
}

void avi_close_video(avi_video_stream *stream)
{
    if (stream->fd >= 0)
        close(stream->fd);
    stream->fd = -1;
    stream->frames.clear();
    stream->frames.shrink_to_fit();
    stream->palette_changes.clear();
    stream->format.clear();
}

bool avi_read_frame(const avi_video_stream *stream, uint32_t n, std::vector<uint8_t> *data)
{
    data->clear();
    if (stream->fd < 0 || n >= stream->frames.size())
        return false;
    const avi_frame_entry &frame = stream->frames[n];
    if (frame.offset > stream->file_size || stream->file_size - frame.offset < frame.size)
        return false;
    try {
        data->resize(frame.size);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (!riff_pread_all(stream->fd, frame.offset, data->data(), frame.size)) {
        data->clear();
        return false;
    }
    return true;
}
