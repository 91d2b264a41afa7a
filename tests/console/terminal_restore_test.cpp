// The terminal is in key mode while the program runs and gets its old
// settings back however the program ends.
#include "probe_session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

enum ending_kind { ENDS_BY_KEY, ENDS_BY_TYPED_BYTE, ENDS_BY_KILL };

struct way_out {
    const char *name;
    const char *mode;
    ending_kind kind;
    char byte;    // typed (ENDS_BY_KEY, ENDS_BY_TYPED_BYTE)
    int signal;   // sent (ENDS_BY_KILL), or the one expected to end it; 0 = exits normally
};

const way_out ways_out[] = {
    {"normal_exit", "keys", ENDS_BY_KEY, '.', 0},
    {"ctrl_c", "keys", ENDS_BY_TYPED_BYTE, 0x03, SIGINT},
    {"ctrl_backslash", "keys", ENDS_BY_TYPED_BYTE, 0x1C, SIGQUIT},
    {"sigterm", "keys", ENDS_BY_KILL, 0, SIGTERM},
    {"sighup", "keys", ENDS_BY_KILL, 0, SIGHUP},
    {"sigsegv", "keys", ENDS_BY_KILL, 0, SIGSEGV},
    {"sigbus", "keys", ENDS_BY_KILL, 0, SIGBUS},
    {"sigfpe", "keys", ENDS_BY_KILL, 0, SIGFPE},
    {"sigill", "keys", ENDS_BY_KILL, 0, SIGILL},
    {"sigabrt", "keys", ENDS_BY_KILL, 0, SIGABRT},
    {"bad_memory_access", "crash", ENDS_BY_KEY, 'x', SIGSEGV},
};

void PrintTo(const way_out &entry, std::ostream *out)
{
    *out << entry.name;
}

class WayOut : public testing::TestWithParam<way_out> {};

TEST_P(WayOut, RestoresTheTerminal)
{
    const way_out &way = GetParam();
    probe_session probe;
    ASSERT_TRUE(start_on_pty(&probe, way.mode));
    ASSERT_TRUE(wait_for_output(&probe, "ready\n")) << probe.seen;

    struct termios during;
    ASSERT_EQ(tcgetattr(probe.slave, &during), 0);
    EXPECT_EQ(during.c_lflag & (ECHO | ICANON), 0u);
    EXPECT_NE(during.c_lflag & ISIG, 0u);
    EXPECT_EQ(during.c_cc[VMIN], 1);

    if (way.kind == ENDS_BY_KILL)
        ASSERT_EQ(kill(probe.pid, way.signal), 0);
    else
        ASSERT_EQ(write(probe.input, &way.byte, 1), 1);

    int status = wait_for_exit(&probe);
    if (way.signal == 0)
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    else
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == way.signal) << status;

    struct termios after;
    ASSERT_EQ(tcgetattr(probe.slave, &after), 0);
    EXPECT_TRUE(same_settings(probe.before, after));
    close_session(&probe);
}

INSTANTIATE_TEST_SUITE_P(Terminal, WayOut, testing::ValuesIn(ways_out),
                         [](const testing::TestParamInfo<way_out> &info) { return std::string(info.param.name); });

} // namespace

namespace {

// One byte from the job shell's report pipe, or 0 if none came in 10 s.
char next_report(int report)
{
    struct pollfd ready = {report, POLLIN, 0};
    char byte = 0;
    if (poll(&ready, 1, 10000) == 1 && read(report, &byte, 1) != 1)
        byte = 0;
    return byte;
}

// True once the terminal has no echo and no line editing (10 s at most).
bool wait_for_raw_mode(int terminal)
{
    for (int tries = 0; tries < 1000; tries++) {
        struct termios settings;
        if (tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & (ECHO | ICANON)) == 0)
            return true;
        usleep(10000);
    }
    return false;
}

// Ctrl+Z hands the terminal back as it was while the program is stopped;
// continued in the foreground, it reads keys without echo again.
TEST(TerminalJob, StoppedWithCtrlZAndContinued)
{
    int report[2], command[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(command, O_CLOEXEC), 0);
    probe_session probe;
    ASSERT_TRUE(start_as_job(&probe, "keys", report[1], command[0]));
    ASSERT_TRUE(wait_for_output(&probe, "ready\n")) << probe.seen;

    ASSERT_EQ(write(probe.input, "\x1a", 1), 1);
    ASSERT_EQ(next_report(report[0]), 'S');
    struct termios stopped;
    ASSERT_EQ(tcgetattr(probe.slave, &stopped), 0);
    EXPECT_TRUE(same_settings(probe.before, stopped));

    ASSERT_EQ(write(command[1], "c", 1), 1);
    // Continued, it takes the terminal again; a key typed before that would
    // still be echoed.
    EXPECT_TRUE(wait_for_raw_mode(probe.slave));
    ASSERT_EQ(write(probe.input, "x", 1), 1);
    EXPECT_TRUE(wait_for_output(&probe, "120 k0\n")) << probe.seen;

    ASSERT_EQ(write(probe.input, ".", 1), 1);
    EXPECT_TRUE(wait_for_output(&probe, "46 k0\nend\n")) << probe.seen;
    EXPECT_EQ(next_report(report[0]), 'E');
    int status = wait_for_exit(&probe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(probe.seen, "ready\n120 k0\n46 k0\nend\n");

    struct termios after;
    ASSERT_EQ(tcgetattr(probe.slave, &after), 0);
    EXPECT_TRUE(same_settings(probe.before, after));
    close_session(&probe);
    for (int fd : {report[0], report[1], command[0], command[1]})
        close(fd);
}

} // namespace

namespace {

// Another service may give the terminal back before it ends the program
// on its own (the window service, when the X server goes away).
TEST(TerminalRestore, EarlyRestoreWhileStillRunning)
{
    probe_session probe;
    ASSERT_TRUE(start_on_pty(&probe, "restore"));
    ASSERT_TRUE(wait_for_output(&probe, "ready\n")) << probe.seen;
    ASSERT_EQ(write(probe.input, "x", 1), 1);
    ASSERT_TRUE(wait_for_output(&probe, "120 k0\nrestored\n")) << probe.seen;

    struct termios restored;
    ASSERT_EQ(tcgetattr(probe.slave, &restored), 0);
    EXPECT_TRUE(same_settings(probe.before, restored));

    ASSERT_EQ(kill(probe.pid, SIGTERM), 0);
    int status = wait_for_exit(&probe);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    struct termios after;
    ASSERT_EQ(tcgetattr(probe.slave, &after), 0);
    EXPECT_TRUE(same_settings(probe.before, after));
    close_session(&probe);
}

} // namespace
