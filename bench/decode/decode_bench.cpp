// Figures for the AVI service's decoding, over files the ffmpeg tool makes:
//  (a) the player's open/get/copy/close loop against a bare decode loop, as a ratio;
//  (b) one step back after walking forward, and decodes per step walking back a group;
//  (c) opening a 100 000-frame file;
//  (d) peak resident memory against the cache budget.
// Usage: decode_bench <folder for the generated files> [quick]

#include "avi_decode_testing.h"
#include "bare_decode.h"
#include "frame_cache.h"
#include "many_frames_file.h"
#include "vfw.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// CPU time of the whole process, decoder threads included: steadier than the
// wall clock on a busy machine.
double cpu_ms()
{
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

struct clip {
    const char *name;
    const char *args;
    int frames_small, frames_large;  // at 640x480 and 1920x1080
    int gop;                         // frames from one key frame to the next
};

const clip clips[] = {
    {"uncompressed", "-c:v rawvideo -pix_fmt bgr24", 120, 24, 1},
    {"mjpeg", "-c:v mjpeg -q:v 3", 250, 100, 1},
    {"mpeg4_bframes", "-c:v mpeg4 -bf 2 -g 12 -q:v 4", 250, 100, 12},
    {"h264_gop250", "-c:v libx264 -preset veryfast -bf 3 -g 250 -keyint_min 250 -sc_threshold 0 -pix_fmt yuv420p",
     250, 250, 250},
};

bool make_clip(const std::string &path, const clip &c, int width, int height, int frames)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_size > 0)
        return true;  // made by an earlier run
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" +
                          std::to_string(width) + "x" + std::to_string(height) + ":rate=25 -frames:v " +
                          std::to_string(frames) + " " + c.args + " '" + path + "'";
    return system(command.c_str()) == 0;
}

// One memory figure from /proc/self/status, in KiB ("VmHWM:" or "VmRSS:").
long status_kib(const char *field)
{
    FILE *f = fopen("/proc/self/status", "r");
    if (f == NULL)
        return -1;
    char line[256];
    long kib = -1;
    size_t length = strlen(field);
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, field, length) == 0)
            kib = atol(line + length);
    fclose(f);
    return kib;
}

long peak_rss_kib()
{
    return status_kib("VmHWM:");
}

long current_rss_kib()
{
    return status_kib("VmRSS:");
}

void reset_peak_rss()
{
    FILE *f = fopen("/proc/self/clear_refs", "w");
    if (f != NULL) {
        fputs("5", f);
        fclose(f);
    }
}

PAVISTREAM open_clip(const std::string &path, AVISTREAMINFOA *info)
{
    PAVISTREAM s = NULL;
    if (AVIStreamOpenFromFileA(&s, path.c_str(), streamtypeVIDEO, 0, OF_READ, NULL) != 0)
        return NULL;
    AVIStreamInfoA(s, info, sizeof(*info));
    return s;
}

// One frame as the player shows it: open a decoder, get, copy, close.
bool show(PAVISTREAM s, long n, std::vector<uint8_t> *frame_buf)
{
    PGETFRAME g = AVIStreamGetFrameOpen(s, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);
    if (g == NULL)
        return false;
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)AVIStreamGetFrame(g, n);
    if (dib != NULL) {
        frame_buf->resize(dib->biSizeImage);
        memcpy(frame_buf->data(), (const uint8_t *)dib + dib->biSize, dib->biSizeImage);
    }
    AVIStreamGetFrameClose(g);
    return dib != NULL;
}

void bench_clip(const std::string &path, const clip &c, const char *size_name)
{
    AVISTREAMINFOA info = {};
    std::vector<uint8_t> frame_buf;

    // (a) the same frames both ways, the bare loop first to warm the page
    // cache; then rounds taking turns, each on a fresh stream, and the best
    // of each kept, as the machine is shared.
    bare_decode_all(path);
    const int rounds = 5;
    double bare_ms = 1e12, bare_cpu = 1e12, player_ms = 1e12, player_cpu = 1e12;
    long bare_pictures = 0, frames = 0, shown = 0;
    reset_peak_rss();
    long rss_before = current_rss_kib();
    PAVISTREAM s = NULL;  // the last round's stream goes on to (b)
    for (int round = 0; round < rounds; round++) {
        double t0 = now_ms(), c0 = cpu_ms();
        bare_pictures = bare_decode_all(path);
        bare_ms = std::min(bare_ms, now_ms() - t0);
        bare_cpu = std::min(bare_cpu, cpu_ms() - c0);

        if (s != NULL)
            AVIStreamRelease(s);
        s = open_clip(path, &info);
        if (s == NULL) {
            printf("%-14s %-9s cannot open\n", c.name, size_name);
            return;
        }
        frames = (long)info.dwLength;
        shown = 0;
        t0 = now_ms();
        c0 = cpu_ms();
        for (long n = 0; n < frames; n++)
            shown += show(s, n, &frame_buf) ? 1 : 0;
        player_ms = std::min(player_ms, now_ms() - t0);
        player_cpu = std::min(player_cpu, cpu_ms() - c0);
    }

    // (b) one step back after the walk forward: the call alone, and with the player's copy
    PGETFRAME g = AVIStreamGetFrameOpen(s, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);
    double t0 = now_ms();
    AVIStreamGetFrame(g, frames - 2);
    double back_get_ms = now_ms() - t0;
    AVIStreamGetFrameClose(g);
    t0 = now_ms();
    show(s, frames - 3, &frame_buf);
    double back_ms = now_ms() - t0;
    AVIStreamRelease(s);

    // ... then a whole group walked back from its end, on a fresh stream

    s = open_clip(path, &info);
    long group_end = std::min<long>(c.gop, frames) - 1;
    show(s, group_end, &frame_buf);
    uint64_t decodes = avi_stream_decode_count(s);
    t0 = now_ms();
    for (long n = group_end - 1; n >= 0; n--)
        show(s, n, &frame_buf);
    double group_ms = now_ms() - t0;
    double per_step = group_end > 0 ? (double)(avi_stream_decode_count(s) - decodes) / group_end : 0;
    AVIStreamRelease(s);
    long peak = peak_rss_kib();

    printf("%-13s %-9s %4ld/%-4ld | (a) bare %7.0f ms player %7.0f ms ratio %.2f, cpu ratio %.2f "
           "| (b) back %.3f ms (+copy %.3f) group %3ld back %.2f dec/step %6.2f ms/step "
           "| (d) peak +%.0f MiB\n",
           c.name, size_name, shown, bare_pictures, bare_ms, player_ms, bare_ms / player_ms,
           bare_cpu / player_cpu, back_get_ms, back_ms, group_end + 1, per_step,
           group_end > 0 ? group_ms / group_end : 0.0, (peak - rss_before) / 1024.0);
    fflush(stdout);
}

void bench_open(const std::string &folder)
{
    std::string path = folder + "/many_frames.avi";
    if (!write_many_frames_file(path, 100000)) {
        printf("(c) cannot write %s\n", path.c_str());
        return;
    }
    double best = 1e9;
    for (int i = 0; i < 5; i++) {
        AVISTREAMINFOA info = {};
        double t0 = now_ms();
        PAVISTREAM s = open_clip(path, &info);
        double ms = now_ms() - t0;
        if (s == NULL) {
            printf("(c) cannot open the 100 000-frame file\n");
            return;
        }
        AVIStreamRelease(s);
        best = std::min(best, ms);
    }
    printf("(c) open of a 100 000-frame file: %.2f ms (best of 5)\n", best);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: decode_bench <folder for generated files> [quick]\n");
        return 2;
    }
    std::string folder = argv[1];
    bool quick = argc > 2 && strcmp(argv[2], "quick") == 0;
    mkdir(folder.c_str(), 0755);
    AVIFileInit();

    printf("cache budget %zu MiB; ratios are bare / player (1.00 = as fast as the bare loop)\n",
           frame_cache_default_budget >> 20);
    bench_open(folder);
    struct { const char *name; int width, height; } sizes[] = {{"640x480", 640, 480}, {"1920x1080", 1920, 1080}};
    for (const auto &size : sizes) {
        for (const clip &c : clips) {
            int frames = size.width == 640 ? c.frames_small : c.frames_large;
            if (quick)
                frames = std::min(frames, 30);
            std::string path = folder + "/" + c.name + "_" + size.name + (quick ? "_quick" : "") + ".avi";
            if (!make_clip(path, c, size.width, size.height, frames)) {
                printf("%-14s %-9s the ffmpeg tool could not make it\n", c.name, size.name);
                continue;
            }
            bench_clip(path, c, size.name);
        }
    }
    return 0;
}
