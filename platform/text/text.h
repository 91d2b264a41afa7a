// The window system's string helpers: Windows-style formatting and stepping
// through the narrow code page, which is UTF-8 on Linux.
#pragma once

#include "../types/win32_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Formats like sprintf, with the Windows subset (%s %c %d %i %u %x %X, the
// 'l' and 'h' sizes, '-', '0' and '#' flags, width and precision); writes at
// most 1024 bytes, terminator included, and returns the length written.
int WINAPI wsprintfA(LPSTR out, LPCSTR format, ...);

// The start of the next character; stays put at the terminator. A byte that
// does not begin a well-formed UTF-8 sequence counts as one character.
LPSTR WINAPI CharNextA(LPCSTR text);

#ifdef __cplusplus
}
#endif
