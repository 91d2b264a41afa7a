// Checks every run of the player must pass, and small helpers for the
// flow table.
#pragma once

#include "fake_platform.h"

#include <string>
#include <vector>

// "0 1 2" -> {0, 1, 2}
std::vector<LONG> numbers(const char *list);
// Bytes outside printable ASCII as \xNN, so a mismatch reads plainly.
std::string printable(const std::string &bytes);
// The title a short path gives.
std::string title_for(const std::string &path, LONG frame_no, DWORD length);
// "S0 I2 Sb": each box's kind and the frame the window showed meanwhile.
std::string box_summary(const fake::record &r);
// Ordering and balance rules that hold whatever the flow; `prompted`: the
// run ended with the closing prompt.
void check_run_invariants(const fake::script &s, const fake::record &r, bool prompted);
// True when `text` is well-formed UTF-8.
bool valid_utf8(const std::string &text);
