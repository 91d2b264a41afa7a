// xterm, VT and Linux console key sequences, read as the Windows console
// reports the same keys: 0xE0 or 0 first, then the key's own code.
#include "key_sequence.h"

namespace {

enum key_id { KEY_NONE, KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_HOME, KEY_END, KEY_PGUP, KEY_PGDN,
              KEY_INSERT, KEY_DELETE, KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8,
              KEY_F9, KEY_F10, KEY_F11, KEY_F12, KEY_BACKTAB };

struct console_codes {
    key_id key;
    int prefix, code;
};

const console_codes codes_table[] = {
    {KEY_UP, 0xE0, 0x48},     {KEY_DOWN, 0xE0, 0x50},  {KEY_LEFT, 0xE0, 0x4B},  {KEY_RIGHT, 0xE0, 0x4D},
    {KEY_HOME, 0xE0, 0x47},   {KEY_END, 0xE0, 0x4F},   {KEY_PGUP, 0xE0, 0x49},  {KEY_PGDN, 0xE0, 0x51},
    {KEY_INSERT, 0xE0, 0x52}, {KEY_DELETE, 0xE0, 0x53}, {KEY_F1, 0, 0x3B},      {KEY_F2, 0, 0x3C},
    {KEY_F3, 0, 0x3D},        {KEY_F4, 0, 0x3E},       {KEY_F5, 0, 0x3F},       {KEY_F6, 0, 0x40},
    {KEY_F7, 0, 0x41},        {KEY_F8, 0, 0x42},       {KEY_F9, 0, 0x43},       {KEY_F10, 0, 0x44},
    {KEY_F11, 0xE0, 0x85},    {KEY_F12, 0xE0, 0x86},   {KEY_BACKTAB, 0, 0x0F},
};

// ESC [ <number> ~
struct numbered_key {
    unsigned number;
    key_id key;
};

const numbered_key tilde_keys[] = {
    {1, KEY_HOME},  {2, KEY_INSERT}, {3, KEY_DELETE}, {4, KEY_END}, {5, KEY_PGUP}, {6, KEY_PGDN},
    {7, KEY_HOME},  {8, KEY_END},    {11, KEY_F1},    {12, KEY_F2}, {13, KEY_F3},  {14, KEY_F4},
    {15, KEY_F5},   {17, KEY_F6},    {18, KEY_F7},    {19, KEY_F8}, {20, KEY_F9},  {21, KEY_F10},
    {23, KEY_F11},  {24, KEY_F12},
};

// The final letter of ESC [ ... X and ESC O ... X.
key_id letter_key(unsigned char final, bool csi)
{
    switch (final) {
    case 'A': return KEY_UP;
    case 'B': return KEY_DOWN;
    case 'C': return KEY_RIGHT;
    case 'D': return KEY_LEFT;
    case 'H': return KEY_HOME;
    case 'F': return KEY_END;
    case 'P': return KEY_F1;
    case 'Q': return KEY_F2;
    case 'R': return KEY_F3;
    case 'S': return KEY_F4;
    case 'Z': return csi ? KEY_BACKTAB : KEY_NONE;
    default: return KEY_NONE;
    }
}

key_id tilde_key(unsigned number)
{
    for (const numbered_key &entry : tilde_keys)
        if (entry.number == number)
            return entry.key;
    return KEY_NONE;
}

sequence_result key_result(key_id key, size_t length)
{
    for (const console_codes &entry : codes_table)
        if (entry.key == key)
            return {SEQUENCE_KEY, length, entry.prefix, entry.code};
    return {SEQUENCE_UNKNOWN, length, 0, 0};
}

sequence_result incomplete(size_t count)
{
    if (count >= max_sequence_length)
        return {SEQUENCE_UNKNOWN, count, 0, 0};
    return {SEQUENCE_INCOMPLETE, 0, 0, 0};
}

// A byte that cannot be inside a sequence ends it unread: it starts the
// next key.
sequence_result broken_at(size_t position)
{
    return {SEQUENCE_UNKNOWN, position, 0, 0};
}

// ESC [ [ A..E: F1..F5 on the Linux console.
sequence_result parse_linux_function_key(const unsigned char *bytes, size_t count)
{
    if (count < 4)
        return incomplete(count);
    unsigned char final = bytes[3];
    if (final >= 'A' && final <= 'E')
        return key_result(key_id(KEY_F1 + (final - 'A')), 4);
    if (final < 0x20 || final > 0x7E)
        return broken_at(3);
    return {SEQUENCE_UNKNOWN, 4, 0, 0};
}

// ESC [ parameters (digits and ;) intermediates final, or ESC O digits final.
// Modifiers after the first parameter (ESC [ 1;5A) are ignored.
sequence_result parse_control_sequence(const unsigned char *bytes, size_t count, bool csi)
{
    if (csi && count >= 3 && bytes[2] == '[')
        return parse_linux_function_key(bytes, count);

    unsigned first_number = 0;
    bool in_first = true;
    for (size_t i = 2; i < count; i++) {
        unsigned char byte = bytes[i];
        if (byte >= '0' && byte <= '9') {
            if (in_first && first_number < 1000)
                first_number = first_number * 10 + (byte - '0');
            continue;
        }
        if (byte >= 0x20 && byte <= 0x3F) { // ; and other parameter or intermediate bytes
            in_first = false;
            continue;
        }
        if (byte >= 0x40 && byte <= 0x7E) {
            key_id key = byte == '~' ? (csi ? tilde_key(first_number) : KEY_NONE) : letter_key(byte, csi);
            return key_result(key, i + 1);
        }
        return broken_at(i);
    }
    return incomplete(count);
}

} // namespace

sequence_result parse_key_sequence(const unsigned char *bytes, size_t count)
{
    if (count < 2)
        return incomplete(count);
    if (bytes[1] == '[')
        return parse_control_sequence(bytes, count, true);
    if (bytes[1] == 'O')
        return parse_control_sequence(bytes, count, false);
    // ESC and any other byte (Alt+key, or ESC pressed twice): the ESC alone,
    // the next byte is a key of its own.
    return broken_at(1);
}

int plain_key_code(unsigned char byte)
{
    if (byte == '\r' || byte == '\n')
        return 13;
    if (byte == 0x7F || byte == 0x08)
        return 8;
    return byte;
}
