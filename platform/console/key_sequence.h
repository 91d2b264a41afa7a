// Terminal key sequences and bytes to console key codes.
#pragma once

#include <stddef.h>

enum sequence_state {
    SEQUENCE_INCOMPLETE, // a plausible start: more bytes may finish it
    SEQUENCE_KEY,        // a known key: two codes
    SEQUENCE_UNKNOWN     // not a key: its bytes go through as they are
};

struct sequence_result {
    sequence_state state;
    size_t length;      // bytes taken (KEY, UNKNOWN); the rest are read again
    int prefix, code;   // KEY: 0 or 0xE0, then the key's second code
};

// The longest sequence looked at; anything longer is UNKNOWN.
const size_t max_sequence_length = 16;

// Reads the sequence that starts with the ESC in bytes[0].
sequence_result parse_key_sequence(const unsigned char *bytes, size_t count);

// The code of an ordinary byte: Enter as CR, Backspace as 8.
int plain_key_code(unsigned char byte);
