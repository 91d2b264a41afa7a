#include "bare_decode.h"

#include "avi_container.h"
#include "codec_tags.h"

#include <string.h>

#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

long bare_decode_all(const std::string &path)
{
    avi_video_stream video;
    if (avi_open_video(path.c_str(), 0, &video) != AVIERR_OK)
        return -1;
    BITMAPINFOHEADER h;
    memcpy(&h, video.format.data(), sizeof(h));
    AVCodecID id = h.biCompression == BI_RGB ? AV_CODEC_ID_RAWVIDEO : codec_id_for_tag(h.biCompression);
    const AVCodec *codec = avcodec_find_decoder(id);
    AVCodecContext *ctx = codec ? avcodec_alloc_context3(codec) : NULL;
    if (ctx == NULL) {
        avi_close_video(&video);
        return -1;
    }
    ctx->width = h.biWidth;
    ctx->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    ctx->bits_per_coded_sample = h.biBitCount;
    ctx->codec_tag = h.biCompression;
    ctx->thread_count = 0;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    size_t extra = video.format.size() - sizeof(BITMAPINFOHEADER);
    if (extra > 0) {
        ctx->extradata = (uint8_t *)av_mallocz(extra + AV_INPUT_BUFFER_PADDING_SIZE);
        memcpy(ctx->extradata, video.format.data() + sizeof(BITMAPINFOHEADER), extra);
        ctx->extradata_size = (int)extra;
    }
    if (avcodec_open2(ctx, codec, NULL) < 0) {
        avcodec_free_context(&ctx);
        avi_close_video(&video);
        return -1;
    }

    AVPacket *pkt = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    SwsContext *sws = NULL;
    std::vector<uint8_t> out;
    std::vector<uint8_t> chunk;
    long pictures = 0;
    size_t next = 0;
    bool draining = false;
    for (;;) {
        int r = avcodec_receive_frame(ctx, frame);
        if (r == AVERROR(EAGAIN)) {
            if (next < video.frames.size()) {
                uint32_t n = (uint32_t)next++;
                if (video.frames[n].size == 0 || !avi_read_frame(&video, n, &chunk))
                    continue;
                av_new_packet(pkt, (int)chunk.size());
                memcpy(pkt->data, chunk.data(), chunk.size());
                avcodec_send_packet(ctx, pkt);
                av_packet_unref(pkt);
            } else if (!draining) {
                avcodec_send_packet(ctx, NULL);
                draining = true;
            } else {
                break;
            }
            continue;
        }
        if (r < 0)
            break;
        int stride = (frame->width * 3 + 3) & ~3;
        out.resize((size_t)stride * frame->height + 64);
        sws = sws_getCachedContext(sws, frame->width, frame->height, (AVPixelFormat)frame->format,
                                   frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_BICUBIC, NULL,
                                   NULL, NULL);
        uint8_t *dst[4] = {out.data() + (size_t)stride * (frame->height - 1), NULL, NULL, NULL};
        int dst_stride[4] = {-stride, 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
        av_frame_unref(frame);
        pictures++;
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avi_close_video(&video);
    return pictures;
}
