// The AVI file service: opens a file's video stream and decodes its frames
// to device-independent bitmaps.
#pragma once

#include "../types/win32_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OF_READ 0x00000000

#define mmioFOURCC(a, b, c, d) MAKEFOURCC_LE(a, b, c, d)
#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define streamtypeAUDIO mmioFOURCC('a', 'u', 'd', 's')

#define AVIGETFRAMEF_BESTDISPLAYFMT 1

#define AVIERR_OK 0
#define AVIERR_ERROR ((HRESULT)0x800440C7)
#define AVIERR_BADFORMAT ((HRESULT)0x80044066)
#define AVIERR_MEMORY ((HRESULT)0x80044067)
#define AVIERR_FILEREAD ((HRESULT)0x8004406D)
#define AVIERR_FILEOPEN ((HRESULT)0x80044068)
#define AVIERR_NODATA ((HRESULT)0x80044070)

typedef struct IAVIStream *PAVISTREAM;
typedef struct IGetFrame *PGETFRAME;
typedef struct _GUID CLSID;

typedef struct _AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
} AVISTREAMINFOA, *LPAVISTREAMINFOA;

#ifdef __cplusplus
static_assert(sizeof(AVISTREAMINFOA) == 140, "AVISTREAMINFOA is 140 bytes");
#endif

void WINAPI AVIFileInit(void);
void WINAPI AVIFileExit(void);
// Stream number `stream` counts streams of type `type` only: 0 is the first.
HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM *stream, LPCSTR path, DWORD type, LONG stream_no,
                                      UINT mode, CLSID *handler);
HRESULT WINAPI AVIStreamInfoA(PAVISTREAM stream, LPAVISTREAMINFOA info, LONG size);
// `wanted` is a wanted-format header, or (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT.
PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted);
// Frame n as a packed DIB (header, then pixel rows), valid until the next
// call on the same decoder or its close; NULL when the frame cannot be had.
LPVOID WINAPI AVIStreamGetFrame(PGETFRAME decoder, LONG position);
HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME decoder);
ULONG WINAPI AVIStreamRelease(PAVISTREAM stream);

#ifdef __cplusplus
}
#endif
