// Looks inside an open stream, for tests and the benchmark only.
#pragma once

#include "vfw.h"

#include <stddef.h>
#include <stdint.h>

// Pictures decoded (or converted, for uncompressed streams) so far.
uint64_t avi_stream_decode_count(PAVISTREAM stream);
// Bytes the stream's frame cache holds now, and its budget.
size_t avi_stream_cache_bytes(PAVISTREAM stream);
void avi_stream_set_cache_budget(PAVISTREAM stream, size_t budget);
