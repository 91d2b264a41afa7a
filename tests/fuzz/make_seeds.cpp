// Writes the fuzzer's seed corpus: one small file per layout the container
// tests cover. Usage: avi_fuzz_seeds <folder>

#include "odml_fixture.h"
#include "riff_writer.h"

#include <stdio.h>

#include <string>

static avi_test_file palettized_file()
{
    avi_test_file file = simple_video_file(8, 4, 8, 3);
    std::vector<uint8_t> &strf = file.streams[0].strf;
    strf[32] = 4;  // biClrUsed
    for (uint8_t c : {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0})
        strf.push_back(c);
    file.chunks.insert(file.chunks.begin() + 1, {"00pc", {1, 2, 0, 0, 9, 8, 7, 0, 6, 5, 4, 0}, true});
    return file;
}

static avi_test_file bitfields_file()
{
    avi_test_file file = simple_video_file(5, 3, 16, 2);
    std::vector<uint8_t> &strf = file.streams[0].strf;
    strf[16] = 3;  // BI_BITFIELDS
    for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu})
        le32(&strf, mask);
    return file;
}

static avi_test_file audio_first_rec_file()
{
    avi_test_file video = simple_video_file(4, 4, 24, 3);
    avi_strh_fields audio;
    audio.type = "auds";
    audio.sample_size = 4;
    avi_test_file file;
    file.streams.push_back({avi_strh(audio), {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0}, "", {}});
    file.streams.push_back(video.streams[0]);
    for (const avi_test_chunk &c : video.chunks) {
        file.chunks.push_back({"01db", c.data, true});
        file.chunks.push_back({"00wb", {1, 2, 3, 4}, true});
    }
    file.chunks_per_rec = 2;
    return file;
}

static avi_test_file compressed_file(const char *handler, uint32_t compression)
{
    avi_test_file file = simple_video_file(16, 16, 24, 3);
    avi_strh_fields strh;
    strh.handler = handler;
    strh.length = 3;
    file.streams[0].strh = avi_strh(strh);
    file.streams[0].strf = avi_bitmap_header(16, 16, compression == 1 ? 8 : 24, compression);
    for (avi_test_chunk &c : file.chunks) {
        c.tag = "00dc";
        c.data = {0, 0, 0, 1};  // end of line, end of bitmap (RLE); garbage for others
    }
    return file;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string dir = std::string(argv[1]) + "/";
    bool ok = true;
    ok &= write_avi_file(dir + "rgb24.avi", simple_video_file(8, 4, 24, 3));
    avi_test_file absolute = simple_video_file(3, 2, 24, 2);
    absolute.index = AVI_IDX1_FROM_FILE_START;
    ok &= write_avi_file(dir + "rgb24_absolute_idx1.avi", absolute);
    ok &= write_avi_file(dir + "pal8_change.avi", palettized_file());
    ok &= write_avi_file(dir + "rgb565.avi", bitfields_file());
    ok &= write_avi_file(dir + "rgb32_top_down.avi", simple_video_file(3, -2, 32, 2));
    ok &= write_avi_file(dir + "audio_first_rec.avi", audio_first_rec_file());
    avi_test_file dropped = simple_video_file(4, 2, 24, 3);
    dropped.chunks[1].data.clear();
    dropped.index = AVI_NO_IDX1;
    ok &= write_avi_file(dir + "dropped_no_idx1.avi", dropped);
    ok &= write_avi_file(dir + "rle8.avi", compressed_file("mrle", 1));
    ok &= write_avi_file(dir + "mjpg_garbage.avi", compressed_file("MJPG", fourcc_value("MJPG")));

    odml_test_file odml;
    odml.part1 = {{1, 2, 3}, {4, 5}};
    odml.part2 = {{6}, {7, 8, 9}};
    odml.not_key = {false, true, false, true};
    odml.strh_length = 4;
    odml.total_frames = 4;
    odml.idx1_of_part1 = true;
    ok &= write_odml_file(dir + "odml_two_parts.avi", odml, nullptr);
    if (!ok)
        fprintf(stderr, "could not write every seed into %s\n", argv[1]);
    return ok ? 0 : 1;
}
