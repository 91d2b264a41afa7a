// Console key functions of the C runtime, over a Linux terminal.
#pragma once

#include "../types/win32_types.h"

#include <stdio.h>
#include <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif

// Waits for one key press and returns its code, without echo. A key that
// has two codes (arrows, function keys...) gives 0 or 0xE0 first and leaves
// the second pending. At end of input it returns at once (with -1, EOF).
int _getch(void);

// Non-zero when a key code is pending; consumes nothing, never waits.
int _kbhit(void);

#ifdef __cplusplus
}
#endif
