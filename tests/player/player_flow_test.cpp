// The player's flows, one table: what goes in (dialog answer, keys, box
// answers, stream) and what must come out (console bytes, titles, frames
// fetched, boxes and what the window showed while each was up).
#include "flow_checks.h"

#include <gtest/gtest.h>

using namespace fake;

#define HOWTO                                           \
    "処理方法              コマ送り - 's'キー \n"        \
    "                      連続処理 - その他のキー ?\n" \
    "(連続処理中でも、どれかキーを押すと処理が中断されます)\n"
#define PROMPT "quit? push any key"
#define INFO_0 "vi_Rate      30 : vi_Scale      1 : vi_Length 0 \n"
#define INFO_1 "vi_Rate      30 : vi_Scale      1 : vi_Length 1 \n"
#define INFO_2 "vi_Rate      30 : vi_Scale      1 : vi_Length 2 \n"
#define INFO_3 "vi_Rate      30 : vi_Scale      1 : vi_Length 3 \n"
#define INFO_4 "vi_Rate      30 : vi_Scale      1 : vi_Length 4 \n"
#define INFO_5 "vi_Rate      30 : vi_Scale      1 : vi_Length 5 \n"

namespace {

const int Y = IDYES, N = IDNO, C = IDCANCEL;
const int UP_1 = 0xE0, UP_2 = 0x48; // an arrow key's two codes

struct flow {
    const char *name;
    script in;
    const char *console;
    const char *walk;            // frame numbers in the titles, in order
    const char *boxes;           // S/I (stepping/interrupt) + frame shown, b = black
    bool window = true;
    bool prompt_waits = true;    // the closing prompt finds no key pending
    const char *fetched = nullptr; // when it differs from the walk
    std::vector<int> keys_left = {};
};

const flow flows[] = {
    {.name = "cancelled_dialog",
     .in = {.dialog_cancels = true, .keys = {'s'}},
     .console = "v open err\n", .walk = "", .boxes = "", .window = false, .prompt_waits = false,
     .keys_left = {'s'}},
    {.name = "unopenable_file",
     .in = {.keys = {'s'}, .open_result = AVIERR_FILEOPEN},
     .console = "v open err\n", .walk = "", .boxes = "", .window = false, .prompt_waits = false,
     .keys_left = {'s'}},
    {.name = "stepping_yes_to_the_end",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = "S0 S1 S2"},
    {.name = "stepping_no_goes_back_and_decodes_again",
     .in = {.keys = {'s'}, .answers = {{Y}, {N}, {Y}, {Y}, {Y}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 0 1 2", .boxes = "S0 S1 S0 S1 S2"},
    {.name = "stepping_no_on_frame_0_shows_it_again",
     .in = {.keys = {'s'}, .answers = {{N}, {N}, {Y}, {Y}, {Y}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 0 0 1 2", .boxes = "S0 S0 S0 S1 S2"},
    {.name = "stepping_cancel_goes_continuous",
     .in = {.keys = {'s'}, .answers = {{C}}, .length = 4},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "S0"},
    {.name = "stepping_cancel_on_last_frame_ends",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {C}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = "S0 S1 S2"},
    {.name = "continuous_to_the_end",
     .in = {.keys = {'x'}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = ""},
    {.name = "upper_case_s_is_continuous",
     .in = {.keys = {'S'}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = ""},
    {.name = "enter_is_continuous",
     .in = {.keys = {13}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = ""},
    {.name = "interrupt_yes_ends_at_the_current_frame",
     .in = {.keys = {'x'}, .answers = {{Y}}, .length = 4, .keys_on_fetch = {{1, {'k'}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1", .boxes = "I1"},
    {.name = "interrupt_no_goes_on",
     .in = {.keys = {'x'}, .answers = {{N}}, .length = 4, .keys_on_fetch = {{1, {'k'}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "I1"},
    {.name = "interrupt_cancel_goes_stepping",
     .in = {.keys = {'x'}, .answers = {{C}, {Y}, {Y}}, .length = 4, .keys_on_fetch = {{1, {'k'}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "I1 S2 S3"},
    {.name = "arrow_as_mode_key_interrupts_after_frame_0",
     .in = {.keys = {UP_1, UP_2}, .answers = {{N}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = "I0"},
    {.name = "arrow_interrupt_no_interrupts_again_after_next_frame",
     .in = {.keys = {'x'}, .answers = {{N}, {N}}, .length = 4,
            .keys_on_fetch = {{1, {UP_1, UP_2}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "I1 I2"},
    {.name = "arrow_interrupt_yes_prompt_takes_the_pending_code",
     .in = {.keys = {'x'}, .answers = {{Y}}, .length = 4, .keys_on_fetch = {{1, {UP_1, UP_2}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1", .boxes = "I1", .prompt_waits = false},
    {.name = "arrow_interrupt_cancel_code_waits_through_stepping",
     .in = {.keys = {'x'}, .answers = {{C}, {Y}, {C}, {N}}, .length = 5,
            .keys_on_fetch = {{1, {UP_1, UP_2}}}},
     .console = INFO_5 HOWTO PROMPT, .walk = "0 1 2 3 4", .boxes = "I1 S2 S3 I4"},
    {.name = "arrow_interrupt_cancel_code_taken_by_prompt_after_stepping",
     .in = {.keys = {'x'}, .answers = {{C}, {Y}, {Y}}, .length = 4,
            .keys_on_fetch = {{1, {UP_1, UP_2}}}},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "I1 S2 S3", .prompt_waits = false},
    {.name = "key_typed_during_stepping_box_interrupts_after_cancel",
     .in = {.keys = {'s'}, .answers = {{Y, {'k'}}, {C}, {N}}, .length = 4},
     .console = INFO_4 HOWTO PROMPT, .walk = "0 1 2 3", .boxes = "S0 S1 I2"},
    {.name = "key_typed_during_stepping_box_taken_by_prompt",
     .in = {.keys = {'s'}, .answers = {{Y, {'k'}}, {Y}, {Y}}},
     .console = INFO_3 HOWTO PROMPT, .walk = "0 1 2", .boxes = "S0 S1 S2", .prompt_waits = false},
    {.name = "empty_stream_prompts_right_after_the_window",
     .in = {.keys = {'s'}, .length = 0},
     .console = INFO_0 HOWTO PROMPT, .walk = "", .boxes = ""},
    {.name = "info_line_exact_bytes",
     .in = {.keys = {'x'}, .rate = 30000, .scale = 1001, .length = 5},
     .console = "vi_Rate   30000 : vi_Scale   1001 : vi_Length 5 \n" HOWTO PROMPT,
     .walk = "0 1 2 3 4", .boxes = ""},
    {.name = "info_line_wider_than_its_fields",
     .in = {.keys = {'x'}, .rate = 123456789, .scale = 7654321, .length = 1},
     .console = "vi_Rate 123456789 : vi_Scale 7654321 : vi_Length 1 \n" HOWTO PROMPT,
     .walk = "0", .boxes = ""},

    // Every layout the service may deliver is converted, not copied.
    {.name = "frames_in_32_bits",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .frame_layout = LAYOUT_32},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},
    {.name = "frames_in_16_bits_555",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .width = 5,
            .frame_layout = LAYOUT_16_555},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},
    {.name = "frames_in_16_bits_565",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .frame_layout = LAYOUT_16_565},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},
    {.name = "frames_palettized",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .width = 9, .height = 9,
            .frame_layout = LAYOUT_8_PALETTE},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},
    {.name = "frames_top_down",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .frame_layout = LAYOUT_24_TOP_DOWN},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},
    {.name = "width_321_rows_padded",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}}, .length = 2, .width = 321, .height = 2},
     .console = INFO_2 HOWTO PROMPT, .walk = "0 1", .boxes = "S0 S1"},

    // Frames that cannot be had: one line, the last good image stays, the
    // loop goes on with its boxes.
    {.name = "undecodable_frame_keeps_last_image",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}, .null_frames = {1}},
     .console = INFO_3 HOWTO "frame 1 could not be decoded\n" PROMPT, .walk = "0 1 2",
     .boxes = "S0 S0 S2"},
    {.name = "undecodable_first_frame_leaves_black",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}, .null_frames = {0}},
     .console = INFO_3 HOWTO "frame 0 could not be decoded\n" PROMPT, .walk = "0 1 2",
     .boxes = "Sb S1 S2"},
    {.name = "decoder_open_fails",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}, .failing_decoder_opens = {1}},
     .console = INFO_3 HOWTO "frame 1: no decoder for this stream\n" PROMPT, .walk = "0 1 2",
     .boxes = "S0 S0 S2", .fetched = "0 2"},
    {.name = "compressed_frame_refused",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}, .rle_frames = {1}},
     .console = INFO_3 HOWTO "frame 1: unsupported pixel layout (8 bits, compression 0x00000001)\n"
         PROMPT,
     .walk = "0 1 2", .boxes = "S0 S0 S2"},
    {.name = "bad_frame_header_refused",
     .in = {.keys = {'s'}, .answers = {{Y}, {Y}, {Y}}, .bad_header_frames = {2}},
     .console = INFO_3 HOWTO "frame 2 could not be decoded\n" PROMPT, .walk = "0 1 2",
     .boxes = "S0 S1 S1"},
    {.name = "undecodable_frame_still_interruptible",
     .in = {.keys = {'x'}, .answers = {{Y}}, .null_frames = {1}, .keys_on_fetch = {{1, {'k'}}}},
     .console = INFO_3 HOWTO "frame 1 could not be decoded\n" PROMPT, .walk = "0 1",
     .boxes = "I0"},

    // Decisions around the window and the frame size.
    {.name = "window_creation_fails",
     .in = {.keys = {'s'}, .window_creation_fails = true},
     .console = INFO_3 HOWTO "the image window could not be created\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false},
    {.name = "width_0_refused",
     .in = {.keys = {'s'}, .width = 0},
     .console = INFO_3 "frame size 0 x 3 is not supported\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false, .keys_left = {'s'}},
    {.name = "height_0_refused",
     .in = {.keys = {'s'}, .height = 0},
     .console = INFO_3 "frame size 4 x 0 is not supported\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false, .keys_left = {'s'}},
    {.name = "negative_height_refused",
     .in = {.keys = {'s'}, .height = -3},
     .console = INFO_3 "frame size 4 x -3 is not supported\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false, .keys_left = {'s'}},
    {.name = "width_32769_refused",
     .in = {.keys = {'s'}, .width = 32769},
     .console = INFO_3 "frame size 32769 x 3 is not supported\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false, .keys_left = {'s'}},
    {.name = "height_32769_refused",
     .in = {.keys = {'s'}, .height = 32769},
     .console = INFO_3 "frame size 4 x 32769 is not supported\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false, .keys_left = {'s'}},
    {.name = "width_32768_accepted",
     .in = {.keys = {'x'}, .length = 1, .width = 32768, .height = 2},
     .console = INFO_1 HOWTO PROMPT, .walk = "0", .boxes = ""},
    {.name = "height_32768_accepted",
     .in = {.keys = {'x'}, .length = 1, .width = 1, .height = 32768},
     .console = INFO_1 HOWTO PROMPT, .walk = "0", .boxes = ""},
    // The largest frame (3 GiB) passes the size check; the window is
    // scripted to fail so nothing that large is allocated.
    {.name = "largest_frame_passes_the_size_check",
     .in = {.keys = {'x'}, .width = 32768, .height = 32768, .window_creation_fails = true},
     .console = INFO_3 HOWTO "the image window could not be created\n", .walk = "", .boxes = "",
     .window = false, .prompt_waits = false},
};

void PrintTo(const flow &f, std::ostream *os)
{
    *os << f.name;
}

class player_flow : public ::testing::TestWithParam<flow> {};

TEST_P(player_flow, behaves_as_scripted)
{
    const flow &f = GetParam();
    reset(f.in);
    int status = -1;
    std::string console = run_player(&status);
    const record &r = last();

    EXPECT_EQ(status, 0);
    EXPECT_EQ(printable(console), printable(f.console));

    std::vector<std::string> titles;
    for (int n : numbers(f.walk))
        titles.push_back(title_for(f.in.path, n, f.in.length));
    EXPECT_EQ(r.titles, titles);
    EXPECT_EQ(r.frames_fetched, numbers(f.fetched != nullptr ? f.fetched : f.walk));
    EXPECT_EQ(box_summary(r), f.boxes);
    EXPECT_EQ(r.windows.size() == 1 && !f.in.window_creation_fails, f.window);
    EXPECT_EQ(r.keys_left, f.keys_left);

    bool prompt_shown = console.size() >= 18 && console.compare(console.size() - 18, 18, PROMPT) == 0;
    if (prompt_shown) {
        // The prompt is on the console before the key is read.
        ASSERT_FALSE(r.console_at_key.empty());
        EXPECT_EQ(r.console_at_key.back(), (long)console.size());
        EXPECT_EQ(r.starved, f.prompt_waits);
    } else {
        EXPECT_FALSE(r.starved);
    }
    if (console.find(HOWTO) != std::string::npos) {
        // The mode key is read after the instructions are on the console.
        ASSERT_FALSE(r.console_at_key.empty());
        EXPECT_EQ(r.console_at_key.front(),
                  (long)(console.find(HOWTO) + sizeof(HOWTO) - 1));
    }
    check_run_invariants(f.in, r, prompt_shown);
}

INSTANTIATE_TEST_SUITE_P(flows, player_flow, ::testing::ValuesIn(flows),
                         [](const ::testing::TestParamInfo<flow> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
