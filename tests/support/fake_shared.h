// State the fake services share. One mutex guards all of it: the player
// thread and the window thread both call in.
#pragma once

#include "fake_platform.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace fake {

struct sent_message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    LRESULT result = 0;
    bool done = false;
};

struct window {
    WNDPROC proc = nullptr;
    LONG_PTR slot0 = 0;
    std::string title;
    bool paint_pending = true; // visible from creation, so a first paint is due
    bool busy = false;         // a message taken from the queue is being handled
    bool quit = false;
    bool destroyed = false;
    bool loop_ended = false;
    std::deque<sent_message *> sent;

    LONG client_width = 0;
    LONG client_height = 0;
    bool painted = false;
    std::vector<BYTE> screen; // RGB triples, rows from the top
};

struct shared_state {
    std::mutex mutex;
    std::condition_variable changed;
    script plan;
    record rec;
    std::deque<int> keys;
    std::deque<box_answer> answers;
    int decoder_opens = 0;
    // Windows live until the process ends: a window thread may still be
    // leaving its loop when the next run starts.
    std::vector<std::unique_ptr<window>> windows;
    window *current = nullptr;
};

shared_state &state();

// Caller holds the mutex.
window *find_window(HWND hwnd);
void log_locked(const std::string &event);

} // namespace fake
