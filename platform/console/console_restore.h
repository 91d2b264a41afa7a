// Gives the terminal back its settings from before the program started.
// Safe to call more than once and from a signal handler; does nothing when
// standard input is not a terminal.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

void console_restore(void);

#ifdef __cplusplus
}
#endif
