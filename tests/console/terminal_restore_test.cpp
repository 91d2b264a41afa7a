// The terminal is in key mode while the program runs and gets its old
// settings back however the program ends.
#include "probe_session.h"

#include <gtest/gtest.h>

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
