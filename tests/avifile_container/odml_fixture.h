// OpenDML (AVI 2.0) fixtures: a first RIFF 'AVI ' part and an optional
// 'AVIX' part, each with a movi list and an ix00 standard index, found
// through an indx super index in the video stream's header.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct odml_test_file {
    std::vector<std::vector<uint8_t>> part1;  // '00dc' frames in the first part
    std::vector<std::vector<uint8_t>> part2;  // frames in the AVIX part (none: no AVIX part)
    std::vector<bool> not_key;                // per frame, over both parts; missing: key
    uint64_t hole_before_part2 = 0;           // sparse JUNK chunks (even size) before the AVIX part
    uint32_t strh_length = 0;
    uint32_t total_frames = 0;                // dmlh
    bool index_first = false;                 // ix00 opens each movi list instead of closing it
    bool idx1_of_part1 = false;               // an AVI 1.0 index too, over the first part
};

struct odml_test_layout {
    uint64_t indx_data = 0;                   // offset of the super index's data
    std::vector<uint64_t> ix_chunks;          // offset of each ix00 chunk header
    std::vector<uint64_t> frame_data;         // offset of each frame's data
};

bool write_odml_file(const std::string &path, const odml_test_file &file, odml_test_layout *layout);
