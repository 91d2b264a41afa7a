// Fixtures for the decoding tests: files made by the ffmpeg tool, its own
// decode of them, and our frames in the same plain form for comparison.
#pragma once

#include "vfw.h"

#include <stdint.h>

#include <string>
#include <vector>

// A picture as rows from the top, 3 bytes a pixel (B, G, R), no padding.
struct bgr_picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};

bool have_ffmpeg();
// A fresh folder for one test's files.
std::string test_folder(const std::string &name);
// Runs the ffmpeg tool with `args` (quiet, overwriting); true when it succeeds.
bool run_ffmpeg(const std::string &args);
// Makes `path` from a moving test pattern: `frames` frames of width x height,
// encoded with `codec_args` (e.g. "-c:v mpeg4 -bf 2 -g 12").
bool make_test_video(const std::string &path, int width, int height, int frames,
                     const std::string &codec_args);
// The ffmpeg tool's decode of every frame of `path`, in output order.
std::vector<bgr_picture> reference_frames(const std::string &path, int width, int height);

PAVISTREAM open_stream(const std::string &path);
// Frame n through a frame decoder opened and closed around it, as the player
// does; false when the service gives no frame.
bool get_frame(PAVISTREAM stream, long n, bgr_picture *out);

// Mean absolute difference per byte; huge when the sizes differ.
double picture_distance(const bgr_picture &a, const bgr_picture &b);
