#include "many_frames_file.h"

#include <stdio.h>
#include <string.h>

#include <vector>

static void put32(std::vector<uint8_t> *out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out->push_back((uint8_t)(v >> (8 * i)));
}

static void put16(std::vector<uint8_t> *out, uint16_t v)
{
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

static void tag(std::vector<uint8_t> *out, const char *t)
{
    out->insert(out->end(), t, t + 4);
}

static void patch32(std::vector<uint8_t> *out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        (*out)[at + i] = (uint8_t)(v >> (8 * i));
}

// 2 x 2 pixels at 24 bits: 16 bytes a frame with row padding.
bool write_many_frames_file(const std::string &path, uint32_t frames)
{
    const uint32_t frame_bytes = 16;
    std::vector<uint8_t> f;
    tag(&f, "RIFF");
    put32(&f, 0);
    tag(&f, "AVI ");
    tag(&f, "LIST");
    size_t hdrl_size = f.size();
    put32(&f, 0);
    tag(&f, "hdrl");
    tag(&f, "avih");
    put32(&f, 56);
    uint32_t avih[14] = {40000, 0, 0, 0x10, frames, 0, 1, frame_bytes, 2, 2, 0, 0, 0, 0};
    for (uint32_t v : avih)
        put32(&f, v);
    tag(&f, "LIST");
    size_t strl_size = f.size();
    put32(&f, 0);
    tag(&f, "strl");
    tag(&f, "strh");
    put32(&f, 56);
    tag(&f, "vids");
    tag(&f, "DIB ");
    put32(&f, 0);
    put16(&f, 0);
    put16(&f, 0);
    // initial frames, scale, rate, start, length, buffer size, quality, sample size
    uint32_t strh[8] = {0, 1, 25, 0, frames, frame_bytes, 0xFFFFFFFF, 0};
    for (uint32_t v : strh)
        put32(&f, v);
    put16(&f, 0);  // rcFrame: left, top, right, bottom
    put16(&f, 0);
    put16(&f, 2);
    put16(&f, 2);
    tag(&f, "strf");
    put32(&f, 40);
    uint32_t bih[10] = {40, 2, 2, 0, 0, frame_bytes, 0, 0, 0, 0};
    put32(&f, bih[0]);
    put32(&f, bih[1]);
    put32(&f, bih[2]);
    put16(&f, 1);
    put16(&f, 24);
    for (int i = 4; i < 10; i++)
        put32(&f, bih[i]);
    patch32(&f, strl_size, (uint32_t)(f.size() - strl_size - 4));
    patch32(&f, hdrl_size, (uint32_t)(f.size() - hdrl_size - 4));

    tag(&f, "LIST");
    size_t movi_size = f.size();
    put32(&f, 0);
    size_t movi = f.size();
    tag(&f, "movi");
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < frames; i++) {
        offsets.push_back((uint32_t)(f.size() - movi));
        tag(&f, "00db");
        put32(&f, frame_bytes);
        for (uint32_t b = 0; b < frame_bytes; b++)
            f.push_back((uint8_t)(i + b));
    }
    patch32(&f, movi_size, (uint32_t)(f.size() - movi_size - 4));
    tag(&f, "idx1");
    put32(&f, frames * 16);
    for (uint32_t i = 0; i < frames; i++) {
        tag(&f, "00db");
        put32(&f, 0x10);
        put32(&f, offsets[i]);
        put32(&f, frame_bytes);
    }
    patch32(&f, 4, (uint32_t)(f.size() - 8));

    FILE *out = fopen(path.c_str(), "wb");
    if (out == NULL)
        return false;
    bool ok = fwrite(f.data(), 1, f.size(), out) == f.size();
    return fclose(out) == 0 && ok;
}
