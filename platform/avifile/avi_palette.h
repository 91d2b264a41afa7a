// The colour table in force at a frame: strf's, updated by the palette
// changes met before it.
#pragma once

#include "avi_container.h"

#include <stdint.h>

#include <vector>

void avi_palette_at(const avi_video_stream &video, const std::vector<RGBQUAD> &base, uint32_t frame,
                    std::vector<RGBQUAD> *palette);
// True when some palette change takes effect at a frame in (after, upto].
bool avi_palette_changes_between(const avi_video_stream &video, uint32_t after, uint32_t upto);
