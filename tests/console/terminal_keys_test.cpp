// Keys typed on a real terminal (a pseudo-terminal) and the codes _getch
// gives for them, each followed by what _kbhit says just after.
#include "probe_session.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct typed_key {
    const char *name;
    std::string bytes;
    std::string codes; // the probe's lines: code, then k1 while more is pending
};

const typed_key typed_keys[] = {
    {"up", "\x1b[A", "224 k1\n72 k0\n"},
    {"down", "\x1b[B", "224 k1\n80 k0\n"},
    {"left", "\x1b[D", "224 k1\n75 k0\n"},
    {"right", "\x1b[C", "224 k1\n77 k0\n"},
    {"up_application_mode", "\x1bOA", "224 k1\n72 k0\n"},
    {"home", "\x1b[H", "224 k1\n71 k0\n"},
    {"end", "\x1b[F", "224 k1\n79 k0\n"},
    {"home_vt", "\x1b[1~", "224 k1\n71 k0\n"},
    {"end_vt", "\x1b[4~", "224 k1\n79 k0\n"},
    {"page_up", "\x1b[5~", "224 k1\n73 k0\n"},
    {"page_down", "\x1b[6~", "224 k1\n81 k0\n"},
    {"insert", "\x1b[2~", "224 k1\n82 k0\n"},
    {"delete", "\x1b[3~", "224 k1\n83 k0\n"},
    {"f1", "\x1bOP", "0 k1\n59 k0\n"},
    {"f10", "\x1b[21~", "0 k1\n68 k0\n"},
    {"f12", "\x1b[24~", "224 k1\n134 k0\n"},
    {"ctrl_up", "\x1b[1;5A", "224 k1\n72 k0\n"},
    {"enter", "\r", "13 k0\n"},
    {"line_feed", "\n", "13 k0\n"},
    {"backspace", "\x7f", "8 k0\n"},
    {"ctrl_h", "\x08", "8 k0\n"},
    {"lone_escape", "\x1b", "27 k0\n"},
    {"letter", "x", "120 k0\n"},
    {"capital_s", "S", "83 k0\n"},
    {"ctrl_s_is_a_key", "\x13", "19 k0\n"},
    {"two_letters", "sx", "115 k1\n120 k0\n"},
    {"arrow_then_letter", "\x1b[Bx", "224 k1\n80 k1\n120 k0\n"},
    {"utf8_bytes", "\xe3\x81\x82", "227 k1\n129 k1\n130 k0\n"},
    {"alt_x", "\x1bx", "27 k1\n120 k0\n"},
    {"unknown_sequence", "\x1b[99~", "27 k1\n91 k1\n57 k1\n57 k1\n126 k0\n"},
};

void PrintTo(const typed_key &entry, std::ostream *out)
{
    *out << entry.name;
}

class TypedKey : public testing::TestWithParam<typed_key> {};

// The whole output is compared, so an echo of a typed byte would show.
TEST_P(TypedKey, GivesConsoleCodes)
{
    const typed_key &key = GetParam();
    probe_session probe;
    ASSERT_TRUE(start_on_pty(&probe, "keys"));
    ASSERT_TRUE(wait_for_output(&probe, "ready\n")) << probe.seen;

    ASSERT_EQ(write(probe.input, key.bytes.data(), key.bytes.size()), (ssize_t)key.bytes.size());
    EXPECT_TRUE(wait_for_output(&probe, key.codes)) << probe.seen;
    ASSERT_EQ(write(probe.input, ".", 1), 1);
    EXPECT_TRUE(wait_for_output(&probe, "46 k0\nend\n")) << probe.seen;

    int status = wait_for_exit(&probe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(probe.seen, "ready\n" + key.codes + "46 k0\nend\n");
    close_session(&probe);
}

INSTANTIATE_TEST_SUITE_P(Terminal, TypedKey, testing::ValuesIn(typed_keys),
                         [](const testing::TestParamInfo<typed_key> &info) { return std::string(info.param.name); });

} // namespace
