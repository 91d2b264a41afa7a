// Raw key mode on the controlling terminal, restored on exit and on signals.
// The handlers use only async-signal-safe calls.
#include "terminal_mode.h"
#include "console_restore.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct termios saved_settings;
struct termios raw_settings;
volatile sig_atomic_t settings_saved = 0;
volatile sig_atomic_t raw_active = 0;

// Signals that end the program: the terminal is restored, then the signal
// takes its default action so the parent sees the true cause.
const int ending_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void apply_raw(void)
{
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw_settings) == 0)
        raw_active = 1;
}

void restore_and_reraise(int sig)
{
    console_restore();
    signal(sig, SIG_DFL);
    // The signal is blocked while its handler runs: it is delivered again,
    // with the default action, as soon as the handler returns.
    raise(sig);
}

// Ctrl+Z: hand the terminal back in its old state while stopped, and take
// it again in raw mode once continued.
void stop_and_resume(int sig)
{
    console_restore();
    signal(sig, SIG_DFL);
    sigset_t stop_set;
    sigemptyset(&stop_set);
    sigaddset(&stop_set, sig);
    pthread_sigmask(SIG_UNBLOCK, &stop_set, NULL);
    raise(sig);
    // Continued.
    pthread_sigmask(SIG_BLOCK, &stop_set, NULL);
    struct sigaction action = {};
    action.sa_handler = stop_and_resume;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(sig, &action, NULL);
    apply_raw();
}

// Installs the handler only where the signal still has its default action:
// a signal the caller chose to ignore (nohup, for instance) stays ignored.
void install_handler(int sig, void (*handler)(int))
{
    struct sigaction current;
    if (sigaction(sig, NULL, &current) != 0 || current.sa_handler != SIG_DFL)
        return;
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(sig, &action, NULL);
}

void restore_at_exit(void)
{
    console_restore();
}

} // namespace

extern "C" void console_restore(void)
{
    if (!raw_active)
        return;
    raw_active = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
}

void terminal_raw_mode_begin(void)
{
    if (settings_saved || !isatty(STDIN_FILENO))
        return;
    // A background job changing the terminal would be stopped by SIGTTOU.
    if (tcgetpgrp(STDIN_FILENO) != getpgrp())
        return;
    if (tcgetattr(STDIN_FILENO, &saved_settings) != 0)
        return;
    settings_saved = 1;

    raw_settings = saved_settings;
    raw_settings.c_lflag &= ~(tcflag_t)(ECHO | ECHONL | ICANON | IEXTEN);
    raw_settings.c_lflag |= ISIG;
    // Enter arrives as CR, as on the console; Ctrl+S and Ctrl+Q are keys.
    raw_settings.c_iflag &= ~(tcflag_t)(ICRNL | INLCR | IGNCR | IXON);
    raw_settings.c_cc[VMIN] = 1;
    raw_settings.c_cc[VTIME] = 0;

    atexit(restore_at_exit);
    for (int sig : ending_signals)
        install_handler(sig, restore_and_reraise);
    install_handler(SIGTSTP, stop_and_resume);
    apply_raw();
}
