// Runs the console probe with its standard input on a pseudo-terminal, a
// pipe or a file, and collects what it prints.
#pragma once

#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <termios.h>

struct probe_session {
    pid_t pid = -1;
    int input = -1;  // pty master, or the write end of the input pipe
    int output = -1; // where the probe's output is read
    int slave = -1;  // the pty's terminal side, kept open by the test
    std::string seen;  // output so far, without the terminal's CRs
    size_t taken = 0;  // how much of it wait_for_output has matched
    struct termios before = {}; // the pty's settings before the probe ran
};

// stdin, stdout and stderr on a new pseudo-terminal, which is the probe's
// controlling terminal.
bool start_on_pty(probe_session *session, const char *mode);

// Like start_on_pty, with a small job-control shell in between that runs
// the probe as its foreground job. The shell writes 'S' to `report` when
// the job stops and 'E' when it ends, and continues a stopped job in the
// foreground when it reads a byte from `command`. The shell does not exec,
// so both may be close-on-exec.
bool start_as_job(probe_session *session, const char *mode, int report, int command);

// stdin from input_fd (closed in the test afterwards), stdout into a pipe.
bool start_with_input(probe_session *session, const char *mode, int input_fd);

// Waits (up to 10 s) until the output holds `text` after what earlier calls
// took; false if it never came.
bool wait_for_output(probe_session *session, const std::string &text);

// Everything printed from now until the output is closed (10 s at most).
// For pipe sessions: the test's own side of a pty never closes.
std::string read_to_end(probe_session *session);

// Waits (up to 10 s, then kills) for the probe to end; its wait status.
int wait_for_exit(probe_session *session, struct rusage *usage = nullptr);

void close_session(probe_session *session);

bool same_settings(const struct termios &a, const struct termios &b);
