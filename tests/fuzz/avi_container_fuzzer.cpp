// libFuzzer target over the container reader alone: open the input's video
// stream and read every frame. Far faster than the whole service, so it
// reaches deeper into the RIFF parsing in the same time.

#include "avi_container.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = memfd_create("avi_container_fuzz_input", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && write(fd, data, size) != (ssize_t)size) {
        close(fd);
        return 0;
    }
    char path[64];
    snprintf(path, sizeof(path), "/proc/self/fd/%d", fd);
    avi_video_stream stream;
    if (avi_open_video(path, 0, &stream) == AVIERR_OK) {
        std::vector<uint8_t> frame;
        for (uint32_t n = 0; n <= stream.frames.size(); n++)
            avi_read_frame(&stream, n, &frame);
        avi_close_video(&stream);
    }
    close(fd);
    return 0;
}
