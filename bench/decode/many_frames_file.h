// Writes an AVI of many tiny uncompressed frames, for timing the open.
#pragma once

#include <stdint.h>

#include <string>

bool write_many_frames_file(const std::string &path, uint32_t frames);
