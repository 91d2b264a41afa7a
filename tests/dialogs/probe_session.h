// Runs the dialog probe as a child process and answers its dialogs the way
// a user would: through the X server, with xdotool.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

typedef struct probe_run {
    pid_t pid;
    int output; // the probe's standard output
    std::string pending;
} probe_run;

// Environment changes for the probe: a null value removes the variable.
typedef std::vector<std::pair<std::string, const char *>> env_changes;

// True when DISPLAY names an X server that answers.
bool x_display_available(void);

// Starts the probe with these arguments in folder, with a private GTK
// settings home (nothing of the user's is read or written).
probe_run start_probe(const std::vector<std::string> &args, const std::string &folder, const env_changes &changes);

// The probe's next output line without its line end; "<no answer>" when none
// comes within wait_seconds (by default the hang guard's time).
std::string next_line(probe_run &run, int wait_seconds = 0);

// Waits for the probe to end (killing it after the hang guard's time) and
// returns its exit status, or -1 when it had to be killed.
int finish_probe(probe_run &run);

// The probe's visible top-level window, waited for; 0 when none shows up.
unsigned long wait_for_probe_window(const probe_run &run);

std::string window_title(unsigned long window);

// Gives the window the keyboard focus and sends key presses in xdotool's
// names ("Return", "alt+n", "ctrl+l").
void press_keys(unsigned long window, const std::string &keys);

// Types text into the focused window.
void type_text(const std::string &text);

// Asks the window to close, as a window manager's close button does
// (WM_DELETE_WINDOW).
void request_close(unsigned long window);

// A fresh folder under the test's temporary directory.
std::string make_temp_folder(void);
