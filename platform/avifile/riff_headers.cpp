#include "riff_headers.h"

#include "riff_bytes.h"

#include <string.h>

static const uint32_t min_strh_size = 48;  // up to dwSampleSize; rcFrame may be missing
static const uint32_t full_strh_size = 56;
static const uint32_t max_strf_size = 1024 * 1024;
static const uint32_t max_streams = 100;  // chunk tags name streams with two digits

static void info_from_strh(const uint8_t *h, uint32_t size, AVISTREAMINFOA *info)
{
    memset(info, 0, sizeof(*info));
    info->fccType = riff_u32(h + 0);
    info->fccHandler = riff_u32(h + 4);
    info->dwFlags = riff_u32(h + 8);
    info->wPriority = riff_u16(h + 12);
    info->wLanguage = riff_u16(h + 14);
    info->dwInitialFrames = riff_u32(h + 16);
    info->dwScale = riff_u32(h + 20);
    info->dwRate = riff_u32(h + 24);
    info->dwStart = riff_u32(h + 28);
    info->dwLength = riff_u32(h + 32);
    info->dwSuggestedBufferSize = riff_u32(h + 36);
    info->dwQuality = riff_u32(h + 40);
    info->dwSampleSize = riff_u32(h + 44);
    if (size >= full_strh_size) {
        info->rcFrame.left = (int16_t)riff_u16(h + 48);
        info->rcFrame.top = (int16_t)riff_u16(h + 50);
        info->rcFrame.right = (int16_t)riff_u16(h + 52);
        info->rcFrame.bottom = (int16_t)riff_u16(h + 54);
    }
}

struct strl_contents {
    bool has_strh;
    AVISTREAMINFOA info;
    bool has_strf;
    riff_chunk strf;
    bool has_indx;
    riff_chunk indx;
};

static void read_strl(riff_source *src, const riff_chunk &strl, strl_contents *out)
{
    out->has_strh = false;
    out->has_strf = false;
    out->has_indx = false;
    memset(out->info.szName, 0, sizeof(out->info.szName));
    char name[sizeof(out->info.szName)] = {};

    uint64_t pos = riff_list_begin(strl);
    riff_chunk chunk;
    while (riff_next_chunk(src, &pos, riff_list_end(strl), &chunk)) {
        if (chunk.id == riff_tag("strh") && !out->has_strh && chunk.avail >= min_strh_size) {
            uint8_t h[full_strh_size] = {};
            uint32_t n = chunk.avail < full_strh_size ? (uint32_t)chunk.avail : full_strh_size;
            if (riff_read(src, chunk.data, h, n)) {
                info_from_strh(h, n, &out->info);
                out->has_strh = true;
            }
        } else if (chunk.id == riff_tag("strf") && !out->has_strf) {
            out->has_strf = true;
            out->strf = chunk;
        } else if (chunk.id == riff_tag("strn") && name[0] == 0) {
            size_t n = chunk.avail < sizeof(name) - 1 ? (size_t)chunk.avail : sizeof(name) - 1;
            if (!riff_read(src, chunk.data, name, n))
                name[0] = 0;
            name[n] = 0;
        } else if (chunk.id == riff_tag("indx") && !out->has_indx) {
            out->has_indx = true;
            out->indx = chunk;
        }
    }
    if (out->has_strh)
        memcpy(out->info.szName, name, sizeof(name));
}

static HRESULT take_stream(riff_source *src, uint32_t index, const strl_contents &strl,
                           riff_video_headers *headers)
{
    if (index >= max_streams || !strl.has_strf)
        return AVIERR_BADFORMAT;
    // A video format is at least a BITMAPINFOHEADER; the whole chunk must be there.
    if (strl.strf.size < sizeof(BITMAPINFOHEADER) || strl.strf.size > max_strf_size ||
        strl.strf.avail < strl.strf.size)
        return AVIERR_BADFORMAT;
    headers->stream_index = index;
    headers->info = strl.info;
    headers->format.resize(strl.strf.size);
    if (!riff_read(src, strl.strf.data, headers->format.data(), strl.strf.size))
        return AVIERR_BADFORMAT;
    headers->has_indx = strl.has_indx;
    if (strl.has_indx)
        headers->indx = strl.indx;
    return AVIERR_OK;
}

HRESULT riff_read_video_headers(riff_source *src, const riff_chunk &hdrl, LONG stream_no,
                                riff_video_headers *headers)
{
    if (stream_no < 0)
        return AVIERR_NODATA;
    uint32_t stream_index = 0;
    LONG videos_seen = 0;
    uint64_t pos = riff_list_begin(hdrl);
    riff_chunk chunk;
    while (riff_next_chunk(src, &pos, riff_list_end(hdrl), &chunk)) {
        if (chunk.id != riff_tag("LIST") || chunk.list_type != riff_tag("strl"))
            continue;
        strl_contents strl;
        read_strl(src, chunk, &strl);
        if (strl.has_strh && strl.info.fccType == streamtypeVIDEO) {
            if (videos_seen == stream_no)
                return take_stream(src, stream_index, strl, headers);
            videos_seen++;
        }
        stream_index++;
    }
    return AVIERR_NODATA;
}
