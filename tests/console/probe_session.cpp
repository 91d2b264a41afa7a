#include "probe_session.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const int deadline_ms = 10000;

// An address-sanitized probe would find the sanitizer's handlers on its
// crash signals and, leaving installed handlers alone, never put in its own:
// these tests are about its own. Set before any probe starts, so every child
// inherits it; it changes nothing in this process or in an unsanitized probe.
const bool probe_keeps_its_crash_signals = [] {
    std::string options;
    if (const char *set = getenv("ASAN_OPTIONS"))
        options = std::string(set) + ":";
    options += "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0";
    return setenv("ASAN_OPTIONS", options.c_str(), 1) == 0;
}();

long long now_ms()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// In the child: no core files from the crash tests, then the probe.
[[noreturn]] void exec_probe(const char *mode)
{
    struct rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    execl(CONSOLE_PROBE_PATH, CONSOLE_PROBE_PATH, mode, (char *)NULL);
    _exit(127);
}

// Reads what is there, waiting at most timeout_ms. False once the output
// has ended.
bool read_some(probe_session *session, int timeout_ms)
{
    struct pollfd out = {session->output, POLLIN, 0};
    if (poll(&out, 1, timeout_ms) <= 0)
        return true;
    char chunk[512];
    ssize_t got = read(session->output, chunk, sizeof(chunk));
    if (got <= 0)
        return got < 0 && errno == EINTR;
    for (ssize_t i = 0; i < got; i++)
        if (chunk[i] != '\r')
            session->seen += chunk[i];
    return true;
}

// In the child: a minimal job-control shell on the pty. The probe runs as
// its foreground job, so the terminal's Ctrl+Z stops it as in a real shell.
[[noreturn]] void run_job_shell(const char *mode, int report, int command)
{
    signal(SIGTTOU, SIG_IGN); // a background group may still set the foreground
    pid_t job = fork();
    if (job < 0)
        _exit(126);
    if (job == 0) {
        setpgid(0, 0);
        tcsetpgrp(0, getpid());
        signal(SIGTTOU, SIG_DFL);
        exec_probe(mode);
    }
    setpgid(job, job);
    tcsetpgrp(0, job);
    for (;;) {
        int status;
        if (waitpid(job, &status, WUNTRACED) < 0)
            _exit(126);
        if (WIFSTOPPED(status)) {
            tcsetpgrp(0, getpgrp());
            (void)!write(report, "S", 1);
            char go;
            if (read(command, &go, 1) != 1) {
                kill(-job, SIGKILL);
                _exit(126);
            }
            tcsetpgrp(0, job);
            kill(-job, SIGCONT);
            continue;
        }
        (void)!write(report, "E", 1);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
}

bool start_pty_child(probe_session *session, const char *mode, int report, int command)
{
    int master, slave;
    if (openpty(&master, &slave, NULL, NULL, NULL) != 0)
        return false;
    tcgetattr(slave, &session->before);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        if (report >= 0)
            run_job_shell(mode, report, command);
        exec_probe(mode);
    }
    session->pid = pid;
    session->input = master;
    session->output = master;
    session->slave = slave;
    return true;
}

} // namespace

bool start_on_pty(probe_session *session, const char *mode)
{
    return start_pty_child(session, mode, -1, -1);
}

bool start_as_job(probe_session *session, const char *mode, int report, int command)
{
    return start_pty_child(session, mode, report, command);
}

bool start_with_input(probe_session *session, const char *mode, int input_fd)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        close(out[0]);
        dup2(input_fd, 0);
        dup2(out[1], 1);
        if (input_fd > 2)
            close(input_fd);
        close(out[1]);
        exec_probe(mode);
    }
    close(out[1]);
    session->pid = pid;
    session->output = out[0];
    return true;
}

bool wait_for_output(probe_session *session, const std::string &text)
{
    long long give_up = now_ms() + deadline_ms;
    for (;;) {
        size_t found = session->seen.find(text, session->taken);
        if (found != std::string::npos) {
            session->taken = found + text.size();
            return true;
        }
        long long left = give_up - now_ms();
        if (left <= 0 || !read_some(session, (int)(left < 100 ? left : 100)))
            return session->seen.find(text, session->taken) != std::string::npos;
    }
}

std::string read_to_end(probe_session *session)
{
    long long give_up = now_ms() + deadline_ms;
    while (now_ms() < give_up && read_some(session, 100)) {
    }
    std::string rest = session->seen.substr(session->taken);
    session->taken = session->seen.size();
    return rest;
}

int wait_for_exit(probe_session *session, struct rusage *usage)
{
    long long give_up = now_ms() + deadline_ms;
    int status = 0;
    for (;;) {
        pid_t done = wait4(session->pid, &status, WNOHANG, usage);
        if (done == session->pid)
            break;
        if (now_ms() > give_up) {
            kill(session->pid, SIGKILL);
            wait4(session->pid, &status, 0, usage);
            break;
        }
        if (!read_some(session, 20)) // keep the output flowing meanwhile
            usleep(20000);
    }
    session->pid = -1;
    return status;
}

void close_session(probe_session *session)
{
    if (session->pid > 0) {
        kill(session->pid, SIGKILL);
        waitpid(session->pid, NULL, 0);
        session->pid = -1;
    }
    if (session->input >= 0 && session->input != session->output)
        close(session->input);
    if (session->output >= 0)
        close(session->output);
    if (session->slave >= 0)
        close(session->slave);
    session->input = session->output = session->slave = -1;
}

bool same_settings(const struct termios &a, const struct termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && memcmp(a.c_cc, b.c_cc, sizeof(a.c_cc)) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}
