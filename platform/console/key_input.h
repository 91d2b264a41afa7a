// Bytes from standard input, one at a time, with look-ahead.
#pragma once

const int input_end = -1;     // end of input (or a read error)
const int input_timeout = -2; // nothing arrived in time

// The next byte, waiting at most timeout_ms (a negative value waits as long
// as it takes). After the end of input it returns input_end at once.
int input_next_byte(int timeout_ms);

// Puts bytes back in front of the input, to be read again in this order.
void input_push_back(const unsigned char *bytes, int count);

// True when a byte can be read without waiting. Never waits; a byte it has
// to read to find out stays in the look-ahead.
bool input_byte_ready(void);
