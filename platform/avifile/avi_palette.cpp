#include "avi_palette.h"

void avi_palette_at(const avi_video_stream &video, const std::vector<RGBQUAD> &base, uint32_t frame,
                    std::vector<RGBQUAD> *palette)
{
    *palette = base;
    for (const avi_palette_change &change : video.palette_changes) {
        if (change.frame > frame)
            break;
        if (change.first >= 256)
            continue;
        size_t count = change.entries.size();
        if (256 - change.first < count)
            count = 256 - change.first;
        if (palette->size() < change.first + count)
            palette->resize(change.first + count, RGBQUAD{0, 0, 0, 0});
        for (size_t i = 0; i < count; i++)
            (*palette)[change.first + i] = change.entries[i];
    }
}

bool avi_palette_changes_between(const avi_video_stream &video, uint32_t after, uint32_t upto)
{
    for (const avi_palette_change &change : video.palette_changes)
        if (change.frame > after && change.frame <= upto)
            return true;
    return false;
}
