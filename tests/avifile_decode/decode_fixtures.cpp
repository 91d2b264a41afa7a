#include "decode_fixtures.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

bool have_ffmpeg()
{
    return system("ffmpeg -version > /dev/null 2>&1") == 0;
}

std::string test_folder(const std::string &name)
{
    std::string folder = std::filesystem::temp_directory_path().string() + "/avifile_decode_" +
                         std::to_string(getpid()) + "_" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

bool run_ffmpeg(const std::string &args)
{
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
    return system(command.c_str()) == 0;
}

bool make_test_video(const std::string &path, int width, int height, int frames,
                     const std::string &codec_args)
{
    return run_ffmpeg("-f lavfi -i testsrc2=size=" + std::to_string(width) + "x" +
                      std::to_string(height) + ":rate=25 -frames:v " + std::to_string(frames) + " " +
                      codec_args + " '" + path + "'");
}

std::vector<bgr_picture> reference_frames(const std::string &path, int width, int height)
{
    std::vector<bgr_picture> frames;
    std::string raw = path + ".bgr";
    if (!run_ffmpeg("-i '" + path + "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 '" + raw + "'"))
        return frames;
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t size = (size_t)width * height * 3;
    for (size_t at = 0; size != 0 && bytes.size() - at >= size; at += size) {
        bgr_picture p;
        p.width = width;
        p.height = height;
        p.pixels.assign(bytes.begin() + at, bytes.begin() + at + size);
        frames.push_back(p);
    }
    return frames;
}

PAVISTREAM open_stream(const std::string &path)
{
    PAVISTREAM stream = NULL;
    AVIFileInit();
    if (AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, NULL) != 0)
        return NULL;
    return stream;
}

bool get_frame(PAVISTREAM stream, long n, bgr_picture *out)
{
    PGETFRAME decoder = AVIStreamGetFrameOpen(stream, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);
    if (decoder == NULL)
        return false;
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)AVIStreamGetFrame(decoder, n);
    bool ok = dib != NULL && dib->biSize == 40 && dib->biBitCount == 24 && dib->biCompression == BI_RGB &&
              dib->biWidth > 0 && dib->biHeight > 0;
    if (ok) {
        size_t stride = ((size_t)dib->biWidth * 3 + 3) & ~(size_t)3;
        ok = dib->biSizeImage == stride * (size_t)dib->biHeight;
        out->width = dib->biWidth;
        out->height = dib->biHeight;
        out->pixels.resize((size_t)dib->biWidth * dib->biHeight * 3);
        const uint8_t *rows = (const uint8_t *)dib + dib->biSize;
        for (int32_t y = 0; y < dib->biHeight; y++)
            memcpy(&out->pixels[(size_t)y * dib->biWidth * 3],
                   rows + (size_t)(dib->biHeight - 1 - y) * stride, (size_t)dib->biWidth * 3);
    }
    AVIStreamGetFrameClose(decoder);
    return ok;
}

double picture_distance(const bgr_picture &a, const bgr_picture &b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() ||
        a.pixels.empty())
        return 1e9;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.pixels.size(); i++)
        sum += (uint64_t)abs((int)a.pixels[i] - (int)b.pixels[i]);
    return (double)sum / (double)a.pixels.size();
}
