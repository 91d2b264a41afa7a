// Key-at-a-time terminal mode for the whole run.
#pragma once

// Puts the terminal on standard input into raw key mode (no echo, no line
// editing, Ctrl+C still interrupts) and arranges for its settings to come
// back on every way out. Does nothing when standard input is not a terminal
// of the foreground job.
void terminal_raw_mode_begin(void);
