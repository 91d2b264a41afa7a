// Terminal sequences read as console codes, without a terminal.
#include "key_sequence.h"

#include <gtest/gtest.h>

#include <string>

namespace {

sequence_result parse(const std::string &bytes)
{
    return parse_key_sequence((const unsigned char *)bytes.data(), bytes.size());
}

struct known_sequence {
    const char *bytes;
    int prefix, code;
};

const known_sequence known_sequences[] = {
    {"\x1b[A", 0xE0, 0x48},    {"\x1b[B", 0xE0, 0x50},    {"\x1b[D", 0xE0, 0x4B},    {"\x1b[C", 0xE0, 0x4D},
    {"\x1bOA", 0xE0, 0x48},    {"\x1bOB", 0xE0, 0x50},    {"\x1bOD", 0xE0, 0x4B},    {"\x1bOC", 0xE0, 0x4D},
    {"\x1b[H", 0xE0, 0x47},    {"\x1b[F", 0xE0, 0x4F},    {"\x1bOH", 0xE0, 0x47},    {"\x1bOF", 0xE0, 0x4F},
    {"\x1b[1~", 0xE0, 0x47},   {"\x1b[2~", 0xE0, 0x52},   {"\x1b[3~", 0xE0, 0x53},   {"\x1b[4~", 0xE0, 0x4F},
    {"\x1b[5~", 0xE0, 0x49},   {"\x1b[6~", 0xE0, 0x51},   {"\x1b[7~", 0xE0, 0x47},   {"\x1b[8~", 0xE0, 0x4F},
    {"\x1bOP", 0, 0x3B},       {"\x1bOQ", 0, 0x3C},       {"\x1bOR", 0, 0x3D},       {"\x1bOS", 0, 0x3E},
    {"\x1b[11~", 0, 0x3B},     {"\x1b[12~", 0, 0x3C},     {"\x1b[13~", 0, 0x3D},     {"\x1b[14~", 0, 0x3E},
    {"\x1b[15~", 0, 0x3F},     {"\x1b[17~", 0, 0x40},     {"\x1b[18~", 0, 0x41},     {"\x1b[19~", 0, 0x42},
    {"\x1b[20~", 0, 0x43},     {"\x1b[21~", 0, 0x44},     {"\x1b[23~", 0xE0, 0x85},  {"\x1b[24~", 0xE0, 0x86},
    {"\x1b[[A", 0, 0x3B},      {"\x1b[[E", 0, 0x3F},      {"\x1b[Z", 0, 0x0F},
    // Modified keys read as the plain key.
    {"\x1b[1;5A", 0xE0, 0x48}, {"\x1b[1;2D", 0xE0, 0x4B}, {"\x1b[1;3H", 0xE0, 0x47}, {"\x1b[3;5~", 0xE0, 0x53},
    {"\x1b[6;2~", 0xE0, 0x51}, {"\x1b[1;2P", 0, 0x3B},    {"\x1b[21;5~", 0, 0x44},   {"\x1bO5A", 0xE0, 0x48},
};

TEST(KeySequence, KnownSequencesGiveTheirTwoCodes)
{
    for (const known_sequence &entry : known_sequences) {
        std::string bytes = entry.bytes;
        sequence_result result = parse(bytes);
        EXPECT_EQ(result.state, SEQUENCE_KEY) << bytes.substr(1);
        EXPECT_EQ(result.length, bytes.size()) << bytes.substr(1);
        EXPECT_EQ(result.prefix, entry.prefix) << bytes.substr(1);
        EXPECT_EQ(result.code, entry.code) << bytes.substr(1);
    }
}

// Each start of a known sequence waits for the rest: a key split across
// two reads is still one key.
TEST(KeySequence, EveryStartOfAKnownSequenceAsksForMore)
{
    for (const known_sequence &entry : known_sequences) {
        std::string bytes = entry.bytes;
        for (size_t length = 1; length < bytes.size(); length++)
            EXPECT_EQ(parse(bytes.substr(0, length)).state, SEQUENCE_INCOMPLETE)
                << bytes.substr(1) << " cut to " << length;
    }
}

struct unknown_sequence {
    const char *name;
    std::string bytes;
    size_t passed_through; // bytes given out as they are; the rest is read again
};

TEST(KeySequence, UnknownSequencesPassTheirBytesThrough)
{
    const unknown_sequence cases[] = {
        {"alt+x", "\x1bx", 1},
        {"esc esc", "\x1b\x1b", 1},
        {"esc then enter", "\x1b\r", 1},
        {"unknown number", "\x1b[99~", 5},
        {"number 0", "\x1b[~", 3},
        {"unknown final", "\x1b[E", 3},
        {"ss3 unknown final", "\x1bO~", 3},
        {"linux console unknown", "\x1b[[x", 4},
        {"broken by a control byte", "\x1b[1\x03", 3},
        {"broken by DEL", "\x1b[1;\x7f", 4},
        {"broken by esc", "\x1b[\x1b[A", 2},
        {"broken by a UTF-8 byte", "\x1bO\xe3", 2},
        {"too long", "\x1b[" + std::string(max_sequence_length - 2, '1'), max_sequence_length},
    };
    for (const unknown_sequence &entry : cases) {
        sequence_result result = parse(entry.bytes);
        EXPECT_EQ(result.state, SEQUENCE_UNKNOWN) << entry.name;
        EXPECT_EQ(result.length, entry.passed_through) << entry.name;
    }
}

TEST(KeySequence, OrdinaryBytes)
{
    const struct {
        unsigned char byte;
        int code;
    } cases[] = {
        {'\r', 13}, {'\n', 13}, {0x7F, 8}, {0x08, 8}, {'s', 's'}, {'S', 'S'},
        {0x00, 0},  {0x09, 9},  {0x1A, 0x1A}, {0xE3, 0xE3}, {0xFF, 0xFF},
    };
    for (const auto &entry : cases)
        EXPECT_EQ(plain_key_code(entry.byte), entry.code) << (int)entry.byte;
}

} // namespace
