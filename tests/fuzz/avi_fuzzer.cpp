// libFuzzer target over the whole AVI service, as the player drives it:
// open, information, a frame decoder, frames 0, 1, the last and one chosen
// by the input, then close and release.

#include "avi_decode_testing.h"
#include "dib_layout.h"
#include "picture_memory.h"
#include "vfw.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

// The input as a file without touching the disk.
static int input_file(const uint8_t *data, size_t size)
{
    int fd = memfd_create("avi_fuzz_input", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        done += (size_t)n;
    }
    return fd;
}

static uint32_t chosen_frame(const uint8_t *data, size_t size)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < size; i++)
        v = v << 8 | data[size - 1 - i];
    return v;
}

// Reads every byte the player would copy: the header, then the rows of a
// 24-bit picture of the header's size.
static void read_whole_dib(const BITMAPINFOHEADER *dib)
{
    uint64_t width = dib->biWidth < 0 ? 0 : (uint64_t)dib->biWidth;
    uint64_t height = dib->biHeight < 0 ? 0 - (uint64_t)(int64_t)dib->biHeight : (uint64_t)dib->biHeight;
    uint64_t stride = (width * 3 + 3) / 4 * 4;
    const volatile uint8_t *pixels = (const uint8_t *)dib + sizeof(BITMAPINFOHEADER);
    uint8_t sum = 0;
    for (uint64_t i = 0; i < stride * height; i++)
        sum = (uint8_t)(sum + pixels[i]);
    // Kept so every pixel read stays a real read.
    static volatile uint8_t sink;
    sink = sum;
    (void)sink;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool initialised = false;
    if (!initialised) {
        AVIFileInit();
        // Tiny inputs can claim pictures of gigabytes, which the service
        // rightly decodes; smaller limits keep the fuzzer's memory for finding
        // faults, with the same code paths.
        dib_set_max_pixels(4096 * 4096);
        // Decoders' complaints would drown the fuzzer's own output.
        if (freopen("/dev/null", "w", stdout) == NULL)
            return 0;
        initialised = true;
    }
    int fd = input_file(data, size);
    if (fd < 0)
        return 0;
    char path[64];
    snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);

    PAVISTREAM stream = NULL;
    if (AVIStreamOpenFromFileA(&stream, path, streamtypeVIDEO, 0, OF_READ, NULL) == AVIERR_OK) {
        AVISTREAMINFOA info;
        memset(&info, 0, sizeof(info));
        AVIStreamInfoA(stream, &info, sizeof(info));
        avi_stream_set_cache_budget(stream, (size_t)64 << 20);
        PGETFRAME decoder = AVIStreamGetFrameOpen(stream, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);
        if (decoder != NULL) {
            uint32_t length = info.dwLength;
            uint32_t frames[4] = {0, 1, length - 1, length > 0 ? chosen_frame(data, size) % length : 0};
            for (uint32_t n : frames) {
                const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)AVIStreamGetFrame(decoder, (LONG)n);
                if (dib != NULL)
                    read_whole_dib(dib);
            }
            AVIStreamGetFrameClose(decoder);
        }
        AVIStreamRelease(stream);
    }
    close(fd);
    // Pictures live in mappings a leak checker cannot see; released streams
    // must leave none behind.
    if (picture_memory_mapped_bytes() != 0) {
        fprintf(stderr, "picture memory still mapped after release: %zu bytes\n",
                picture_memory_mapped_bytes());
        abort();
    }
    return 0;
}
