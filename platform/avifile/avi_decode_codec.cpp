#include "avi_decode_codec.h"

#include "avi_palette.h"
#include "avi_stream.h"
#include "codec_tags.h"
#include "dib_layout.h"

#include <string.h>

#include <algorithm>
#include <new>
#include <set>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

// Room after the last row: optimised converters may store a few bytes past
// a row's end, and the last row in memory is the picture's top.
static const size_t row_slack = 64;

struct codec_session {
    AVCodecContext *ctx;
    AVPacket *pkt;
    AVFrame *frame;
    SwsContext *sws;
    bool mpeg4_part2;
    bool palettized;
    std::vector<RGBQUAD> base_palette;

    // Decoder input is the frames that hold data, in file order; a frame's
    // place in this list is its "packet number".
    std::vector<uint32_t> packets;     // frame numbers
    std::vector<uint32_t> keys;        // packet numbers of key frames
    std::vector<int> leading;          // per key: B-frames after it that show before it, -1 unknown

    bool running;                      // fed since the last restart, not yet at its end
    bool draining;                     // the end of input was sent
    uint32_t next_feed;                // packet number fed next
    uint32_t next_output;              // packet number the decoder's next picture belongs to
    uint32_t last_fed_frame;
    bool fresh;                        // nothing fed since the last restart
    int64_t last_target;               // packet number asked for last, -1 before any
    dib_ref last_picture;              // the decoder's latest picture, for not-coded frames
    std::set<uint32_t> lost;           // packets the decoder refused or that could not be read
};

static bool key_frame(const avi_video_stream &video, uint32_t frame)
{
    return (video.frames[frame].flags & AVI_FRAME_KEY) != 0;
}

static bool has_start_code(const std::vector<uint8_t> &data, uint8_t code)
{
    for (size_t i = 0; i + 3 < data.size(); i++)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == code)
            return true;
    return false;
}

// MPEG-4 writers may put user data that changes decoding (DivX's "packed
// B-frames" mark) only in the first chunk, before its first picture. A
// decoder started at a later key frame would miss it, so those headers join
// the codec private data.
static void add_stream_headers(const avi_video_stream &video, std::vector<uint8_t> *private_data)
{
    const uint8_t user_data = 0xB2, picture = 0xB6;
    if (video.frames.empty() || has_start_code(*private_data, user_data))
        return;
    uint32_t first = 0;
    while (first < video.frames.size() && video.frames[first].size == 0)
        first++;
    std::vector<uint8_t> chunk;
    if (first == video.frames.size() || !avi_read_frame(&video, first, &chunk))
        return;
    for (size_t i = 0; i + 3 < chunk.size(); i++) {
        if (chunk[i] == 0 && chunk[i + 1] == 0 && chunk[i + 2] == 1 && chunk[i + 3] == picture) {
            std::vector<uint8_t> headers(chunk.begin(), chunk.begin() + (long)i);
            if (has_start_code(headers, user_data))
                private_data->insert(private_data->end(), headers.begin(), headers.end());
            return;
        }
    }
}

codec_session *codec_session_open(const IAVIStream *stream, char fourcc[5])
{
    const avi_video_stream &video = stream->video;
    BITMAPINFOHEADER h;
    memcpy(&h, video.format.data(), sizeof(h));

    uint32_t tag = h.biCompression;
    AVCodecID id = codec_id_for_tag(tag);
    if (id == AV_CODEC_ID_NONE && video.info.fccHandler != 0) {
        id = codec_id_for_tag(video.info.fccHandler);
        if (id != AV_CODEC_ID_NONE)
            tag = video.info.fccHandler;
    }
    codec_tag_text(h.biCompression, fourcc);
    // A damaged frame fails alone, and says so in the player's one line.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec *codec = id == AV_CODEC_ID_NONE ? NULL : avcodec_find_decoder(id);
    if (codec == NULL)
        return NULL;

    AVCodecContext *ctx = avcodec_alloc_context3(codec);
    if (ctx == NULL)
        return NULL;
    ctx->codec_tag = tag;
    // A size past what we deliver is left for the decoder to find in the data.
    int64_t height = h.biHeight < 0 ? -(int64_t)h.biHeight : h.biHeight;
    if (dib_packed_size(h.biWidth, height) != 0) {
        ctx->width = h.biWidth;
        ctx->height = (int)height;
    }
    ctx->bits_per_coded_sample = h.biBitCount;
    // The decoder's own buffers for a picture we would refuse are never made.
    // It counts rows padded to its alignment (at most 64 pixels more), and
    // the delivered size is checked exactly anyway.
    ctx->max_pixels = (int64_t)dib_max_pixels() + 64 * (int64_t)dib_max_dimension;
    ctx->thread_count = 0;  // as many as the machine has
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;

    // Codec private data (a colour table for palettized codecs) follows the
    // 40-byte header, whatever biSize says: some writers count it in biSize.
    size_t header = sizeof(BITMAPINFOHEADER);
    size_t extra = video.format.size() - header;
    std::vector<uint8_t> private_data(video.format.begin() + (long)header, video.format.end());
    if (id == AV_CODEC_ID_MPEG4)
        add_stream_headers(video, &private_data);
    if (!private_data.empty() && private_data.size() < (1u << 24)) {
        ctx->extradata = (uint8_t *)av_mallocz(private_data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
        if (ctx->extradata == NULL) {
            avcodec_free_context(&ctx);
            return NULL;
        }
        memcpy(ctx->extradata, private_data.data(), private_data.size());
        ctx->extradata_size = (int)private_data.size();
    }
    if (avcodec_open2(ctx, codec, NULL) < 0) {
        avcodec_free_context(&ctx);
        return NULL;
    }

    codec_session *s = new (std::nothrow) codec_session();
    if (s == NULL) {
        avcodec_free_context(&ctx);
        return NULL;
    }
    s->ctx = ctx;
    s->pkt = av_packet_alloc();
    s->frame = av_frame_alloc();
    s->sws = NULL;
    s->mpeg4_part2 = id == AV_CODEC_ID_MPEG4;
    s->palettized = h.biBitCount <= 8 && h.biBitCount != 0;
    if (s->palettized) {
        size_t count = std::min<size_t>(extra / sizeof(RGBQUAD), 256);
        if (h.biClrUsed != 0 && h.biClrUsed < count)
            count = h.biClrUsed;
        s->base_palette.resize(count);
        if (count != 0)  // the colour table ends strf
            memcpy(s->base_palette.data(), video.format.data() + video.format.size() - count * sizeof(RGBQUAD),
                   count * sizeof(RGBQUAD));
    }
    try {
        for (uint32_t f = 0; f < video.frames.size(); f++) {
            if (video.frames[f].size == 0)
                continue;
            if (key_frame(video, f))
                s->keys.push_back((uint32_t)s->packets.size());
            s->packets.push_back(f);
        }
        s->leading.assign(s->keys.size(), -1);
    } catch (const std::bad_alloc &) {
        codec_session_close(s);
        return NULL;
    }
    s->running = false;
    s->draining = false;
    s->next_feed = 0;
    s->next_output = 0;
    s->last_fed_frame = 0;
    s->fresh = true;
    s->last_target = -1;
    if (s->pkt == NULL || s->frame == NULL) {
        codec_session_close(s);
        return NULL;
    }
    return s;
}

void codec_session_close(codec_session *s)
{
    if (s == NULL)
        return;
    sws_freeContext(s->sws);
    av_frame_free(&s->frame);
    av_packet_free(&s->pkt);
    avcodec_free_context(&s->ctx);
    delete s;
}

// The coding type of the first MPEG-4 picture (VOP) in a chunk: 0 I, 1 P,
// 2 B, 3 S; -1 when there is none.
static int first_vop_type(const std::vector<uint8_t> &data)
{
    for (size_t i = 0; i + 4 < data.size(); i++)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6)
            return data[i + 4] >> 6;
    return -1;
}

// An MPEG-4 key frame may be followed (in file order) by B-frames that show
// before it and lean on the previous group. Started at that key frame, the
// decoder drops them, so its first picture is the key frame's, that many
// places later.
static uint32_t leading_pictures(IAVIStream *stream, size_t key_index)
{
    codec_session *s = stream->codec;
    if (!s->mpeg4_part2 || key_index >= s->keys.size())
        return 0;
    if (s->leading[key_index] < 0) {
        int count = 0;
        for (uint32_t p = s->keys[key_index] + 1; p < s->packets.size() && count < 16; p++) {
            if (!avi_read_frame(&stream->video, s->packets[p], &stream->chunk) ||
                first_vop_type(stream->chunk) != 2)
                break;
            count++;
        }
        s->leading[key_index] = count;
    }
    return (uint32_t)s->leading[key_index];
}

// Pictures (VOP start codes) in a chunk, counting up to two.
static int picture_count(const std::vector<uint8_t> &data)
{
    int count = 0;
    for (size_t i = 0; i + 3 < data.size() && count < 2; i++)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == 0xB6)
            count++;
    return count;
}

// True when packets [from, to) are all MPEG-4 pictures marked not coded that
// stand for dropped frames: tiny, and not the placeholder that follows a
// chunk carrying a packed B-frame (the decoder makes that B-frame's picture
// there, under the placeholder's timestamp).
static bool dropped_pictures(IAVIStream *stream, uint32_t from, uint32_t to)
{
    codec_session *s = stream->codec;
    const size_t largest_not_coded = 19;
    for (uint32_t p = from; p < to; p++) {
        if (stream->video.frames[s->packets[p]].size > largest_not_coded || p == 0)
            return false;
        if (!avi_read_frame(&stream->video, s->packets[p - 1], &stream->chunk) ||
            picture_count(stream->chunk) > 1)
            return false;
    }
    return true;
}

static void restart(codec_session *s, uint32_t packet, uint32_t first_output)
{
    if (s->running || s->draining || s->next_feed != 0)
        avcodec_flush_buffers(s->ctx);
    s->running = true;
    s->draining = false;
    s->next_feed = packet;
    s->next_output = first_output;
    s->fresh = true;
    s->last_picture.reset();
    s->lost.clear();
}

static void attach_palette(IAVIStream *stream, uint32_t frame, bool first)
{
    codec_session *s = stream->codec;
    if (!s->palettized)
        return;
    if (!first && !avi_palette_changes_between(stream->video, s->last_fed_frame, frame))
        return;
    std::vector<RGBQUAD> palette;
    avi_palette_at(stream->video, s->base_palette, frame, &palette);
    uint8_t *side = av_packet_new_side_data(s->pkt, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
    if (side == NULL)
        return;
    uint32_t argb[256] = {};
    for (size_t i = 0; i < palette.size() && i < 256; i++)
        argb[i] = 0xFF000000u | ((uint32_t)palette[i].rgbRed << 16) |
                  ((uint32_t)palette[i].rgbGreen << 8) | palette[i].rgbBlue;
    memcpy(side, argb, sizeof(argb));
}

// Sends packet `s->next_feed` to the decoder.
static void feed(IAVIStream *stream)
{
    codec_session *s = stream->codec;
    uint32_t packet = s->next_feed++;
    uint32_t frame = s->packets[packet];
    bool first = s->fresh;
    s->fresh = false;
    if (!avi_read_frame(&stream->video, frame, &stream->chunk) || stream->chunk.size() > INT32_MAX ||
        av_new_packet(s->pkt, (int)stream->chunk.size()) < 0) {
        s->lost.insert(packet);
        return;
    }
    memcpy(s->pkt->data, stream->chunk.data(), stream->chunk.size());
    s->pkt->pts = packet;
    if (key_frame(stream->video, frame))
        s->pkt->flags |= AV_PKT_FLAG_KEY;
    attach_palette(stream, frame, first);
    s->last_fed_frame = frame;
    int r = avcodec_send_packet(s->ctx, s->pkt);
    av_packet_unref(s->pkt);
    if (r < 0)
        s->lost.insert(packet);
}

// The same layout without the full-range ("J") marker, which the scaler
// wants as a separate setting.
static AVPixelFormat plain_format(AVPixelFormat format, bool *full_range)
{
    *full_range = true;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    default:
        *full_range = false;
        return format;
    }
}

// Converts the decoder's picture into a 24-bit bottom-up DIB.
static dib_ref convert(IAVIStream *stream, const AVFrame *frame)
{
    codec_session *s = stream->codec;
    size_t size = dib_packed_size(frame->width, frame->height);
    if (size == 0)
        return nullptr;
    bool full_range;
    AVPixelFormat format = plain_format((AVPixelFormat)frame->format, &full_range);
    s->sws = sws_getCachedContext(s->sws, frame->width, frame->height, format, frame->width,
                                  frame->height, AV_PIX_FMT_BGR24, SWS_BICUBIC, NULL, NULL, NULL);
    if (s->sws == NULL)
        return nullptr;
    // The colour matrix and range the picture says it has.
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (desc != NULL && !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) && desc->nb_components >= 3) {
        full_range = full_range || frame->color_range == AVCOL_RANGE_JPEG;
        sws_setColorspaceDetails(s->sws, sws_getCoefficients(frame->colorspace), full_range ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    dib_ref dib = frame_cache_buffer(&stream->cache, size + row_slack);
    if (!dib)
        return nullptr;
    dib_write_header(dib->data(), frame->width, frame->height);
    int stride = (int)dib_stride(frame->width, 24);
    uint8_t *pixels = dib->data() + sizeof(BITMAPINFOHEADER);
    // Bottom-up: start at the last row and walk memory backwards.
    uint8_t *dst[4] = {pixels + (size_t)stride * (size_t)(frame->height - 1), NULL, NULL, NULL};
    int dst_stride[4] = {-stride, 0, 0, 0};
    int rows = sws_scale(s->sws, frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
    if (rows != frame->height)
        return nullptr;
    return dib;
}

// The key frame to start from for packet `target`, and the packet its first
// picture belongs to.
static void choose_start(IAVIStream *stream, uint32_t target, uint32_t *start, uint32_t *first_output)
{
    codec_session *s = stream->codec;
    auto after = std::upper_bound(s->keys.begin(), s->keys.end(), target);
    if (after == s->keys.begin()) {  // no key frame before: the file's start
        *start = 0;
        *first_output = 0;
        return;
    }
    size_t k = (size_t)(after - s->keys.begin()) - 1;
    while (k > 0 && s->keys[k] + leading_pictures(stream, k) > target)
        k--;
    *start = s->keys[k];
    *first_output = s->keys[k] + leading_pictures(stream, k);
    if (*first_output > target) {  // nothing earlier to start from
        *start = 0;
        *first_output = 0;
    }
}

dib_ref codec_session_picture(IAVIStream *stream, uint32_t frame)
{
    codec_session *s = stream->codec;
    auto at = std::lower_bound(s->packets.begin(), s->packets.end(), frame);
    if (at == s->packets.end() || *at != frame)
        return nullptr;
    uint32_t target = (uint32_t)(at - s->packets.begin());

    uint32_t start, first_output;
    choose_start(stream, target, &start, &first_output);
    // Pictures decoded on the way back to an earlier frame are kept under the
    // whole budget; those met walking forward under the forward window.
    bool forward = target == s->last_target + 1;
    s->last_target = target;
    if (!s->running || s->next_output > target || (start >= s->next_feed && first_output > s->next_output))
        restart(s, start, first_output);

    dib_ref result;
    size_t picture_size = dib_packed_size(s->ctx->width, s->ctx->height);
    while (s->next_output <= target) {
        if (s->lost.erase(s->next_output) != 0) {
            s->next_output++;
            continue;
        }
        int r = avcodec_receive_frame(s->ctx, s->frame);
        if (r == AVERROR(EAGAIN)) {
            if (s->next_feed < s->packets.size()) {
                feed(stream);
            } else if (!s->draining) {
                avcodec_send_packet(s->ctx, NULL);
                s->draining = true;
            } else {
                s->running = false;
                break;
            }
            continue;
        }
        if (r == AVERROR_EOF) {
            s->running = false;
            break;
        }
        if (r < 0) {  // this picture is lost; the ones after it still count
            s->next_output++;
            continue;
        }
        uint32_t packet = s->next_output;
        // A picture's timestamp is the packet it was decoded from, so packets
        // the decoder consumed without a picture (MPEG-4 frames marked not
        // coded) show up as a gap: they repeat the picture before.
        if (s->mpeg4_part2 && s->frame->pts != AV_NOPTS_VALUE && s->frame->pts > (int64_t)packet &&
            s->frame->pts < (int64_t)s->packets.size() &&
            dropped_pictures(stream, packet, (uint32_t)s->frame->pts)) {
            for (; packet < (uint32_t)s->frame->pts; packet++) {
                if (s->lost.erase(packet) != 0 || !s->last_picture)
                    continue;
                frame_cache_put(&stream->cache, s->packets[packet], s->last_picture, forward);
                if (packet == target)
                    result = s->last_picture;
            }
        }
        s->next_output = packet + 1;
        stream->decodes++;
        s->last_picture.reset();
        // Pictures too far before the target to survive in the cache are not converted.
        uint64_t ahead = packet < target ? target - packet : 0;
        size_t room = forward ? std::min(stream->cache.budget, stream->cache.forward_window) : stream->cache.budget;
        if (picture_size != 0 && ahead != 0 && ahead > room / picture_size) {
            av_frame_unref(s->frame);
            continue;
        }
        dib_ref dib = convert(stream, s->frame);
        av_frame_unref(s->frame);
        if (!dib)
            continue;
        s->last_picture = dib;
        frame_cache_put(&stream->cache, s->packets[packet], dib, forward);
        if (packet == target)
            result = dib;
    }
    return result;
}
