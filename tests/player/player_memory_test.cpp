// A frame buffer that cannot be allocated: the player's own malloc calls
// are wrapped at link time so one of a chosen size fails.
#include "flow_checks.h"

#include <gtest/gtest.h>

#include <stddef.h>

extern "C" void *__real_malloc(size_t size);

namespace {

size_t failing_size = 0; // 0: every allocation succeeds

} // namespace

extern "C" void *__wrap_malloc(size_t size)
{
    if (failing_size != 0 && size == failing_size) {
        failing_size = 0;
        return nullptr;
    }
    return __real_malloc(size);
}

namespace {

using namespace fake;

TEST(frame_buffer, failed_allocation_is_one_line_and_a_clean_end)
{
    // 7 x 5 at 24 bits: rows of 24 bytes, 120 bytes in all.
    script s = {.keys = {'s'}, .length = 3, .width = 7, .height = 5};
    reset(s);
    failing_size = 120;
    int status = -1;
    std::string console = run_player(&status);
    bool allocation_was_tried = failing_size == 0;
    failing_size = 0;

    EXPECT_TRUE(allocation_was_tried);
    EXPECT_EQ(status, 0);
    std::string line = "not enough memory for a 120-byte frame buffer\n";
    ASSERT_GE(console.size(), line.size());
    EXPECT_EQ(console.substr(console.size() - line.size()), line);
    const record &r = last();
    EXPECT_TRUE(r.frames_fetched.empty());
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.keys_left, std::vector<int>());
    // The window was made, so it is closed again; the stream is released.
    EXPECT_TRUE(r.window_destroyed);
    check_run_invariants(s, r, false);
}

} // namespace
