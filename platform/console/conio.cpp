// _getch and _kbhit over the terminal: terminal key sequences become the
// console's codes, and a key's second code waits in a small queue.
#include "conio.h"
#include "key_input.h"
#include "key_sequence.h"
#include "terminal_mode.h"

namespace {

// Raw mode from start-up: keys typed before the first _getch are not
// echoed either. main uses _getch, so this unit is always linked in.
[[maybe_unused]] const bool raw_mode_at_start_up = (terminal_raw_mode_begin(), true);

// Long enough for the bytes of an unknown sequence.
int pending_codes[max_sequence_length];
int pending_count = 0;
int pending_first = 0;

// After ESC, the rest of a key's sequence arrives well within this.
const int sequence_timeout_ms = 50;

void queue_code(int code)
{
    if (pending_count == (int)max_sequence_length)
        return;
    pending_codes[(pending_first + pending_count) % max_sequence_length] = code;
    pending_count++;
}

int take_code(void)
{
    int code = pending_codes[pending_first];
    pending_first = (pending_first + 1) % (int)max_sequence_length;
    pending_count--;
    return code;
}

// Reads the rest of a sequence begun by ESC and queues its codes.
void read_escape_sequence(void)
{
    unsigned char bytes[max_sequence_length];
    size_t count = 0;
    bytes[count++] = 0x1B;
    for (;;) {
        sequence_result result = parse_key_sequence(bytes, count);
        if (result.state == SEQUENCE_KEY) {
            queue_code(result.prefix);
            queue_code(result.code);
            return;
        }
        if (result.state == SEQUENCE_UNKNOWN) {
            for (size_t i = 0; i < result.length; i++)
                queue_code(bytes[i]);
            input_push_back(bytes + result.length, (int)(count - result.length));
            return;
        }
        int next = input_next_byte(sequence_timeout_ms);
        if (next < 0) { // a lone ESC, or a sequence cut short
            for (size_t i = 0; i < count; i++)
                queue_code(bytes[i]);
            return;
        }
        bytes[count++] = (unsigned char)next;
    }
}

} // namespace

extern "C" int _getch(void)
{
    if (pending_count > 0)
        return take_code();
    int byte = input_next_byte(-1);
    if (byte == input_end)
        return EOF;
    if (byte != 0x1B)
        return plain_key_code((unsigned char)byte);
    read_escape_sequence();
    return take_code();
}

extern "C" int _kbhit(void)
{
    return pending_count > 0 || input_byte_ready() ? 1 : 0;
}
