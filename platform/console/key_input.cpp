// Standard input read a byte at a time. The look-ahead holds bytes read to
// answer "is a key pending?" and bytes given back after a broken sequence.
#include "key_input.h"
#include "key_sequence.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

namespace {

unsigned char lookahead[2 * max_sequence_length];
int lookahead_count = 0;
bool input_ended = false;

// Waits until standard input is readable. False on timeout.
bool wait_readable(int timeout_ms)
{
    struct pollfd input = {STDIN_FILENO, POLLIN, 0};
    for (;;) {
        int ready = poll(&input, 1, timeout_ms);
        if (ready > 0)
            return true; // readable, hung up or closed: read() tells which
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true; // let read() report the fault
    }
}

int read_byte(void)
{
    unsigned char byte;
    for (;;) {
        ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got == 1)
            return byte;
        if (got < 0 && errno == EINTR)
            continue;
        input_ended = true;
        return input_end;
    }
}

int take_lookahead(void)
{
    int byte = lookahead[0];
    lookahead_count--;
    for (int i = 0; i < lookahead_count; i++)
        lookahead[i] = lookahead[i + 1];
    return byte;
}

} // namespace

int input_next_byte(int timeout_ms)
{
    if (lookahead_count > 0)
        return take_lookahead();
    if (input_ended)
        return input_end;
    if (timeout_ms >= 0 && !wait_readable(timeout_ms))
        return input_timeout;
    return read_byte();
}

void input_push_back(const unsigned char *bytes, int count)
{
    int room = (int)sizeof(lookahead) - lookahead_count;
    if (count > room)
        count = room;
    for (int i = lookahead_count - 1; i >= 0; i--)
        lookahead[i + count] = lookahead[i];
    for (int i = 0; i < count; i++)
        lookahead[i] = bytes[i];
    lookahead_count += count;
}

bool input_byte_ready(void)
{
    if (lookahead_count > 0)
        return true;
    if (input_ended || !wait_readable(0))
        return false;
    int byte = read_byte();
    if (byte == input_end)
        return false;
    lookahead[lookahead_count++] = (unsigned char)byte;
    return true;
}
