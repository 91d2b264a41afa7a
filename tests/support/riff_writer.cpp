#include "riff_writer.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

static const size_t flush_size = 1 << 20;

static bool write_all(int fd, uint64_t at, const uint8_t *p, size_t n)
{
    while (n > 0) {
        ssize_t done = pwrite(fd, p, n, (off_t)at);
        if (done <= 0)
            return false;
        p += done;
        n -= (size_t)done;
        at += (uint64_t)done;
    }
    return true;
}

static void flush(riff_writer *w)
{
    if (!write_all(w->fd, w->flushed, w->pending.data(), w->pending.size()))
        w->failed = true;
    w->flushed += w->pending.size();
    w->pending.clear();
}

bool riff_create(riff_writer *w, const std::string &path)
{
    *w = riff_writer();
    w->fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return w->fd >= 0;
}

bool riff_finish(riff_writer *w)
{
    flush(w);
    // A trailing hole needs the file's size set explicitly.
    if (ftruncate(w->fd, (off_t)w->flushed) != 0)
        w->failed = true;
    if (close(w->fd) != 0)
        w->failed = true;
    w->fd = -1;
    return !w->failed && w->lists.empty();
}

uint64_t riff_pos(const riff_writer *w)
{
    return w->flushed + w->pending.size();
}

void riff_raw(riff_writer *w, const std::vector<uint8_t> &bytes)
{
    w->pending.insert(w->pending.end(), bytes.begin(), bytes.end());
    if (w->pending.size() >= flush_size)
        flush(w);
}

void riff_chunk(riff_writer *w, const char *id, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> header;
    fourcc(&header, id);
    le32(&header, (uint32_t)data.size());
    riff_raw(w, header);
    riff_raw(w, data);
    if (data.size() & 1)
        riff_raw(w, {0});
}

void riff_hole_chunk(riff_writer *w, const char *id, uint64_t size)
{
    if (size > 0xFFFFFFFFu) {  // a chunk's size has 32 bits
        w->failed = true;
        return;
    }
    std::vector<uint8_t> header;
    fourcc(&header, id);
    le32(&header, (uint32_t)size);
    riff_raw(w, header);
    flush(w);
    w->flushed += size + (size & 1);
}

void riff_begin_list(riff_writer *w, const char *id, const char *type)
{
    std::vector<uint8_t> header;
    fourcc(&header, id);
    le32(&header, 0);
    fourcc(&header, type);
    riff_raw(w, header);
    w->lists.push_back(riff_pos(w) - 8);
}

void riff_end_list(riff_writer *w)
{
    if (w->lists.empty()) {
        w->failed = true;
        return;
    }
    uint64_t size_at = w->lists.back();
    w->lists.pop_back();
    std::vector<uint8_t> size;
    le32(&size, (uint32_t)(riff_pos(w) - size_at - 4));
    riff_patch(w, size_at, size);
}

void riff_patch(riff_writer *w, uint64_t at, const std::vector<uint8_t> &bytes)
{
    for (size_t i = 0; i < bytes.size(); i++) {
        uint64_t pos = at + i;
        if (pos >= w->flushed && pos - w->flushed < w->pending.size())
            w->pending[pos - w->flushed] = bytes[i];
        else if (!write_all(w->fd, pos, &bytes[i], 1))
            w->failed = true;
    }
}

void le16(std::vector<uint8_t> *out, uint16_t v)
{
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

void le32(std::vector<uint8_t> *out, uint32_t v)
{
    le16(out, (uint16_t)v);
    le16(out, (uint16_t)(v >> 16));
}

void le64(std::vector<uint8_t> *out, uint64_t v)
{
    le32(out, (uint32_t)v);
    le32(out, (uint32_t)(v >> 32));
}

void fourcc(std::vector<uint8_t> *out, const char *tag)
{
    le32(out, fourcc_value(tag));
}

uint32_t fourcc_value(const char *tag)
{
    uint32_t v = 0;
    for (int i = 0; i < 4 && tag[i] != 0; i++)
        v |= (uint32_t)(uint8_t)tag[i] << (8 * i);
    return v;
}

std::vector<uint8_t> avi_strh(const avi_strh_fields &f)
{
    std::vector<uint8_t> out;
    fourcc(&out, f.type);
    fourcc(&out, f.handler);
    le32(&out, f.flags);
    le16(&out, f.priority);
    le16(&out, f.language);
    le32(&out, f.initial_frames);
    le32(&out, f.scale);
    le32(&out, f.rate);
    le32(&out, f.start);
    le32(&out, f.length);
    le32(&out, f.suggested_buffer_size);
    le32(&out, f.quality);
    le32(&out, f.sample_size);
    for (int16_t v : f.frame)
        le16(&out, (uint16_t)v);
    return out;
}

std::vector<uint8_t> avi_bitmap_header(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                                       uint32_t size_image, uint32_t colors_used)
{
    std::vector<uint8_t> out;
    le32(&out, 40);
    le32(&out, (uint32_t)width);
    le32(&out, (uint32_t)height);
    le16(&out, 1);
    le16(&out, bits);
    le32(&out, compression);
    le32(&out, size_image);
    le32(&out, 0);
    le32(&out, 0);
    le32(&out, colors_used);
    le32(&out, 0);
    return out;
}

static std::vector<uint8_t> main_header(const avi_test_file &file)
{
    std::vector<uint8_t> avih;
    le32(&avih, 40000);  // microseconds per frame
    for (int i = 0; i < 2; i++)
        le32(&avih, 0);
    le32(&avih, file.index == AVI_NO_IDX1 ? 0 : 0x10);  // AVIF_HASINDEX
    le32(&avih, (uint32_t)file.chunks.size());
    le32(&avih, 0);
    le32(&avih, (uint32_t)file.streams.size());
    for (int i = 0; i < 7; i++)
        le32(&avih, 0);
    return avih;
}

static void write_headers(riff_writer *w, const avi_test_file &file)
{
    riff_begin_list(w, "LIST", "hdrl");
    riff_chunk(w, "avih", main_header(file));
    for (const avi_test_stream &s : file.streams) {
        riff_begin_list(w, "LIST", "strl");
        riff_chunk(w, "strh", s.strh);
        riff_chunk(w, "strf", s.strf);
        if (!s.name.empty())
            riff_chunk(w, "strn", std::vector<uint8_t>(s.name.c_str(), s.name.c_str() + s.name.size() + 1));
        if (!s.indx.empty())
            riff_chunk(w, "indx", s.indx);
        riff_end_list(w);
    }
    riff_end_list(w);
}

bool write_avi_file(const std::string &path, const avi_test_file &file, avi_test_layout *layout)
{
    avi_test_layout where;
    riff_writer w;
    if (!riff_create(&w, path))
        return false;
    riff_begin_list(&w, "RIFF", "AVI ");
    write_headers(&w, file);
    riff_begin_list(&w, "LIST", "movi");
    where.movi_fourcc = riff_pos(&w) - 4;
    for (size_t i = 0; i < file.chunks.size(); i++) {
        bool grouped = file.chunks_per_rec > 0;
        if (grouped && i % file.chunks_per_rec == 0)
            riff_begin_list(&w, "LIST", "rec ");
        where.chunk_headers.push_back(riff_pos(&w));
        riff_chunk(&w, file.chunks[i].tag.c_str(), file.chunks[i].data);
        if (grouped && (i % file.chunks_per_rec == file.chunks_per_rec - 1 || i + 1 == file.chunks.size()))
            riff_end_list(&w);
    }
    riff_end_list(&w);
    if (file.index != AVI_NO_IDX1) {
        uint64_t base = file.index == AVI_IDX1_FROM_MOVI ? where.movi_fourcc : 0;
        std::vector<uint8_t> idx1;
        for (size_t i = 0; i < file.chunks.size(); i++) {
            fourcc(&idx1, file.chunks[i].tag.c_str());
            le32(&idx1, file.chunks[i].key ? 0x10 : 0);
            le32(&idx1, (uint32_t)(where.chunk_headers[i] - base));
            le32(&idx1, (uint32_t)file.chunks[i].data.size());
        }
        where.idx1 = riff_pos(&w);
        riff_chunk(&w, "idx1", idx1);
    }
    riff_end_list(&w);
    if (layout != nullptr)
        *layout = where;
    return riff_finish(&w);
}

avi_test_file simple_video_file(int32_t width, int32_t height, uint16_t bits, uint32_t frames)
{
    uint32_t stride = ((uint32_t)width * bits + 31) / 32 * 4;
    uint32_t size = stride * (uint32_t)(height < 0 ? -height : height);
    avi_strh_fields strh;
    strh.length = frames;
    strh.suggested_buffer_size = size;
    avi_test_file file;
    file.streams.push_back({avi_strh(strh), avi_bitmap_header(width, height, bits, 0, size), "", {}});
    for (uint32_t i = 0; i < frames; i++)
        file.chunks.push_back({"00db", std::vector<uint8_t>(size, (uint8_t)i), true});
    return file;
}

std::vector<uint8_t> read_whole_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_whole_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
    return (bool)out;
}
