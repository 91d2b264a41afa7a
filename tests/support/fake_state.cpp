// The script, the record, and running the player with its console captured.
#include "fake_shared.h"

#include <chrono>
#include <stdio.h>
#include <unistd.h>

namespace fake {

shared_state &state()
{
    static shared_state s;
    return s;
}

void log_locked(const std::string &event)
{
    state().rec.events.push_back(event);
}

void log_event(const std::string &event)
{
    std::lock_guard<std::mutex> hold(state().mutex);
    log_locked(event);
}

void reset(const script &s)
{
    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    // A window closed by the last run ends its loop at once; let it.
    if (st.current != nullptr && st.current->destroyed)
        st.changed.wait_for(hold, std::chrono::seconds(10), [&] { return st.current->loop_ended; });
    st.current = nullptr;
    st.plan = s;
    st.rec = record();
    st.keys.assign(s.keys.begin(), s.keys.end());
    st.answers.assign(s.answers.begin(), s.answers.end());
    st.decoder_opens = 0;
}

record &last()
{
    return state().rec;
}

std::string run_player(int *status)
{
    fflush(stdout);
    FILE *capture = tmpfile();
    int saved = dup(1);
    dup2(fileno(capture), 1);
    *status = player_main();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);

    std::string out;
    rewind(capture);
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), capture)) > 0)
        out.append(chunk, got);
    fclose(capture);

    shared_state &st = state();
    std::unique_lock<std::mutex> hold(st.mutex);
    record &r = st.rec;
    r.keys_left.assign(st.keys.begin(), st.keys.end());
    window *w = st.current;
    if (w != nullptr) {
        r.window_destroyed = w->destroyed;
        // The window thread ends on its own after the close; give it time.
        if (w->destroyed)
            st.changed.wait_for(hold, std::chrono::seconds(10), [&] { return w->loop_ended; });
        r.message_loop_ended = w->loop_ended;
    }
    return out;
}

} // namespace fake
