// Standard input that is not a terminal: its bytes are read, and at its
// end _getch returns at once and _kbhit reports nothing.
#include "probe_session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The probe's "drain" output after its input has ended: _getch still -1
// and _kbhit still 0 a thousand calls later.
const std::string after_end = "-1 k0\nagain -1 k0\n";

struct piped_case {
    const char *name;
    std::string bytes;
    std::string codes;
};

const piped_case piped_cases[] = {
    {"empty", "", ""},
    {"letters", "sx", "115 k1\n120 k0\n"},
    {"line_end", "s\n", "115 k1\n13 k0\n"},
    {"arrow", "\x1b[A", "224 k1\n72 k0\n"},
    {"escape_at_the_end", "\x1b", "27 k0\n"},
    {"sequence_cut_by_the_end", "\x1b[1", "27 k1\n91 k1\n49 k0\n"},
};

void PrintTo(const piped_case &entry, std::ostream *out)
{
    *out << entry.name;
}

class PipedInput : public testing::TestWithParam<piped_case> {};

TEST_P(PipedInput, BytesThenEndOfInput)
{
    const piped_case &entry = GetParam();
    int input[2];
    ASSERT_EQ(pipe2(input, O_CLOEXEC), 0); // the probe must not hold the write end
    ASSERT_EQ(write(input[1], entry.bytes.data(), entry.bytes.size()), (ssize_t)entry.bytes.size());
    close(input[1]);

    probe_session probe;
    ASSERT_TRUE(start_with_input(&probe, "drain", input[0]));
    close(input[0]);
    EXPECT_EQ(read_to_end(&probe), "ready\n" + entry.codes + after_end);
    int status = wait_for_exit(&probe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close_session(&probe);
}

INSTANTIATE_TEST_SUITE_P(Console, PipedInput, testing::ValuesIn(piped_cases),
                         [](const testing::TestParamInfo<piped_case> &info) { return std::string(info.param.name); });

TEST(NotATerminal, DevNullIsAtItsEndAtOnce)
{
    int null_input = open("/dev/null", O_RDONLY);
    ASSERT_GE(null_input, 0);
    probe_session probe;
    ASSERT_TRUE(start_with_input(&probe, "drain", null_input));
    close(null_input);
    EXPECT_EQ(read_to_end(&probe), "ready\n" + after_end);
    int status = wait_for_exit(&probe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close_session(&probe);
}

// While its input stays open and silent the program sleeps in _getch rather
// than spinning; when the input closes, _getch returns.
TEST(NotATerminal, WaitsWithoutSpinningUntilThePipeCloses)
{
    int input[2];
    ASSERT_EQ(pipe2(input, O_CLOEXEC), 0); // the probe must not hold the write end
    probe_session probe;
    ASSERT_TRUE(start_with_input(&probe, "drain", input[0]));
    close(input[0]);
    ASSERT_TRUE(wait_for_output(&probe, "ready\n")) << probe.seen;

    const int silent_ms = 1000;
    usleep(silent_ms * 1000);
    close(input[1]);
    EXPECT_EQ(read_to_end(&probe), after_end);

    struct rusage usage;
    int status = wait_for_exit(&probe, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // A spinning wait would burn about as much CPU as the silence lasted.
    long cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    EXPECT_LT(cpu_ms, silent_ms / 2);
    close_session(&probe);
}

} // namespace
