// The Video for Windows calls the viewer makes, over our container reader
// and decoders. A stream has one reference; its decoding state and cache
// live with it, so opening and closing a frame decoder costs nothing.

#include "vfw.h"

#include "avi_decode.h"
#include "avi_decode_codec.h"
#include "avi_decode_testing.h"
#include "avi_stream.h"

#include <stdio.h>
#include <string.h>

#include <new>

void WINAPI AVIFileInit(void)
{
}

void WINAPI AVIFileExit(void)
{
}

HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM *stream, LPCSTR path, DWORD type, LONG stream_no,
                                      UINT mode, CLSID *handler)
{
    if (stream == NULL)
        return AVIERR_ERROR;
    *stream = NULL;
    if (path == NULL)
        return AVIERR_FILEOPEN;
    if (type != streamtypeVIDEO || stream_no < 0)
        return AVIERR_NODATA;

    IAVIStream *s = new (std::nothrow) IAVIStream();
    if (s == NULL)
        return AVIERR_MEMORY;
    HRESULT result = avi_open_video(path, stream_no, &s->video);
    if (result != AVIERR_OK) {
        delete s;
        return result;
    }
    if (s->video.format.size() < sizeof(BITMAPINFOHEADER)) {
        avi_close_video(&s->video);
        delete s;
        return AVIERR_BADFORMAT;
    }
    frame_cache_init(&s->cache, frame_cache_default_budget);
    s->last_raw_frame = -1;
    try {
        avi_decode_prepare(s);
    } catch (const std::bad_alloc &) {
        avi_close_video(&s->video);
        delete s;
        return AVIERR_MEMORY;
    }
    s->uncompressed = raw_is_uncompressed(s->video.format);
    if (s->uncompressed) {
        // A layout we cannot convert opens, and its frames fail.
        if (!raw_layout_from_format(s->video.format, &s->raw))
            s->raw.width = 0;
    }
    *stream = s;
    return AVIERR_OK;
}

HRESULT WINAPI AVIStreamInfoA(PAVISTREAM stream, LPAVISTREAMINFOA info, LONG size)
{
    if (stream == NULL || info == NULL || size < 0)
        return AVIERR_ERROR;
    size_t count = (size_t)size < sizeof(AVISTREAMINFOA) ? (size_t)size : sizeof(AVISTREAMINFOA);
    memcpy(info, &stream->video.info, count);
    return AVIERR_OK;
}

// The decoder is made on first need, so a stream only looked at costs nothing.
static void open_codec(IAVIStream *stream)
{
    if (stream->uncompressed || stream->codec != NULL || stream->missing_codec_told)
        return;
    char fourcc[5];
    stream->codec = codec_session_open(stream, fourcc);
    if (stream->codec == NULL) {
        printf("no decoder for video codec '%s'\n", fourcc);
        stream->missing_codec_told = true;
    }
}

PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted)
{
    if (stream == NULL)
        return NULL;
    // We deliver 24-bit bottom-up frames only: the best display format, or that asked for by name.
    if (wanted != NULL && wanted != (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT &&
        (wanted->biBitCount != 24 || wanted->biCompression != BI_RGB))
        return NULL;
    open_codec(stream);
    IGetFrame *decoder = new (std::nothrow) IGetFrame();
    if (decoder == NULL)
        return NULL;
    decoder->stream = stream;
    return decoder;
}

LPVOID WINAPI AVIStreamGetFrame(PGETFRAME decoder, LONG position)
{
    if (decoder == NULL)
        return NULL;
    decoder->shown.reset();
    if (position < 0)
        return NULL;
    IAVIStream *stream = decoder->stream;
    if (stream->uncompressed && stream->raw.width == 0)
        return NULL;
    decoder->shown = avi_decode_picture(stream, (uint32_t)position);
    return decoder->shown ? decoder->shown->data() : NULL;
}

HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME decoder)
{
    delete decoder;
    return AVIERR_OK;
}

// Frame decoders opened on the stream must be closed before this.
ULONG WINAPI AVIStreamRelease(PAVISTREAM stream)
{
    if (stream == NULL)
        return 0;
    codec_session_close(stream->codec);
    avi_close_video(&stream->video);
    delete stream;
    return 0;
}

uint64_t avi_stream_decode_count(PAVISTREAM stream)
{
    return stream->decodes;
}

size_t avi_stream_cache_bytes(PAVISTREAM stream)
{
    return stream->cache.bytes;
}

void avi_stream_set_cache_budget(PAVISTREAM stream, size_t budget)
{
    frame_cache_set_budget(&stream->cache, budget);
}
