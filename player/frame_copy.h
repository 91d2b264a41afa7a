// Copies a decoded frame, in whatever DIB layout the AVI service delivered
// it, into the player's 24-bit bottom-up frame buffer.
#pragma once

#include "win32.h"

enum frame_copy_result {
    FRAME_COPIED = 0,
    FRAME_BAD_HEADER,   // the delivered header is not a sane bitmap header
    FRAME_UNSUPPORTED,  // a layout this copy cannot convert
};

// Bytes in one row of a DIB of `width` pixels at `bits` per pixel.
DWORD dib_row_stride(LONG width, WORD bits);

// `dib` is a packed DIB: header, colour table or bit masks, pixel rows.
// `frame_buf` holds `height` rows of dib_row_stride(width, 24) bytes. A
// frame of another size is copied where the two overlap, the rest black.
frame_copy_result copy_frame_to_buffer(const BITMAPINFOHEADER *dib, BYTE *frame_buf, LONG width,
                                       LONG height);
