// Helpers for the container tests: temporary paths and an opened stream that
// closes itself.
#pragma once

#include "avi_container.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

inline std::string temp_path(const std::string &name)
{
    return ::testing::TempDir() + "avi_container_" + std::to_string(getpid()) + "_" + name;
}

struct opened_video {
    avi_video_stream stream;
    HRESULT result;
    opened_video(const std::string &path, LONG stream_no = 0)
    {
        result = avi_open_video(path.c_str(), stream_no, &stream);
    }
    ~opened_video()
    {
        if (result == AVIERR_OK)
            avi_close_video(&stream);
    }
    opened_video(const opened_video &) = delete;
    opened_video &operator=(const opened_video &) = delete;
};

inline std::vector<uint8_t> frame_data(const avi_video_stream &stream, uint32_t n)
{
    std::vector<uint8_t> data;
    EXPECT_TRUE(avi_read_frame(&stream, n, &data)) << "frame " << n;
    return data;
}

// A frame's bytes that say which frame they are.
inline std::vector<uint8_t> numbered_bytes(uint32_t n, size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = (uint8_t)(n * 31 + i);
    return bytes;
}
