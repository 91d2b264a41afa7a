// The AVI file service: one scripted stream.
#include "fake_shared.h"

#include <string.h>

using namespace fake;

namespace {

char stream_token;

struct decoder {
    std::vector<BYTE> frame;
};

bool stream_ok(PAVISTREAM stream)
{
    record &r = state().rec;
    if (stream != (PAVISTREAM)&stream_token || r.stream_refs <= 0) {
        r.stream_used_after_release = true;
        return false;
    }
    return true;
}

} // namespace

void WINAPI AVIFileInit(void)
{
    log_event("init");
}

void WINAPI AVIFileExit(void)
{
    log_event("exit");
}

HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM *stream, LPCSTR path, DWORD type, LONG stream_no,
                                      UINT mode, CLSID *handler)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("open");
    record &r = st.rec;
    r.open_path = path != nullptr ? path : "(null)";
    r.open_type = type;
    r.open_stream_no = stream_no;
    r.open_mode = mode;
    r.open_handler = handler;
    *stream = nullptr;
    if (st.plan.open_result != AVIERR_OK)
        return st.plan.open_result;
    *stream = (PAVISTREAM)&stream_token;
    r.stream_refs++;
    return AVIERR_OK;
}

HRESULT WINAPI AVIStreamInfoA(PAVISTREAM stream, LPAVISTREAMINFOA info, LONG size)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("info");
    st.rec.info_size = size;
    if (!stream_ok(stream))
        return AVIERR_ERROR;
    AVISTREAMINFOA full = {};
    full.fccType = streamtypeVIDEO;
    full.dwScale = st.plan.scale;
    full.dwRate = st.plan.rate;
    full.dwLength = st.plan.length;
    full.rcFrame.right = st.plan.width;
    full.rcFrame.bottom = st.plan.height;
    memcpy(info, &full, (size_t)size < sizeof(full) ? (size_t)size : sizeof(full));
    return AVIERR_OK;
}

PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("decoder-open");
    st.rec.decoder_wanted.push_back(wanted);
    int call = st.decoder_opens++;
    if (!stream_ok(stream) || st.plan.failing_decoder_opens.count(call) != 0)
        return nullptr;
    st.rec.decoders_open++;
    return (PGETFRAME) new decoder();
}

LPVOID WINAPI AVIStreamGetFrame(PGETFRAME handle, LONG position)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("fetch " + std::to_string(position));
    const script &s = st.plan;
    record &r = st.rec;
    r.frames_fetched.push_back(position);
    auto typed = s.keys_on_fetch.find(position);
    if (typed != s.keys_on_fetch.end())
        st.keys.insert(st.keys.end(), typed->second.begin(), typed->second.end());
    if (handle == nullptr || s.null_frames.count(position) != 0)
        return nullptr;

    decoder *d = (decoder *)handle;
    d->frame = frame_dib(position, s.width, s.height, s.frame_layout);
    BITMAPINFOHEADER *h = (BITMAPINFOHEADER *)d->frame.data();
    if (s.rle_frames.count(position) != 0) {
        h->biBitCount = 8;
        h->biCompression = BI_RLE8;
    }
    if (s.bad_header_frames.count(position) != 0)
        h->biSize = 12;
    return d->frame.data();
}

HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME handle)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("decoder-close");
    if (handle == nullptr)
        return AVIERR_ERROR;
    st.rec.decoders_open--;
    delete (decoder *)handle;
    return AVIERR_OK;
}

ULONG WINAPI AVIStreamRelease(PAVISTREAM stream)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("release");
    if (!stream_ok(stream))
        return 0;
    st.rec.stream_refs--;
    return (ULONG)st.rec.stream_refs;
}
