// The plainest decode of a file: our container's chunks straight into
// libavcodec and libswscale, one reused output buffer, no cache.
#pragma once

#include <string>

// Decodes and converts every frame of `path` to 24-bit bottom-up rows.
// Returns the number of pictures made, or -1 when the file cannot be read.
long bare_decode_all(const std::string &path);
