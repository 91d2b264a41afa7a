// Which handles are live windows: handles come back from any thread, so each
// is checked here before its record is used.
#include "window_records.h"

#include <unordered_set>

namespace {

// Never destroyed: a window thread may still look a handle up while the
// process exits, and a window left open at exit stays reachable.
std::unordered_set<window_rec *> &live_windows()
{
    static std::unordered_set<window_rec *> *windows = new std::unordered_set<window_rec *>;
    return *windows;
}

// Records of destroyed windows. Never destroyed, like the records themselves.
std::vector<window_rec *> &retired_windows()
{
    static std::vector<window_rec *> *windows = new std::vector<window_rec *>;
    return *windows;
}

} // namespace

std::mutex &window_registry_lock()
{
    static std::mutex lock;
    return lock;
}

void register_live_window(window_rec *window)
{
    std::lock_guard<std::mutex> hold(window_registry_lock());
    live_windows().insert(window);
}

void unregister_live_window(window_rec *window)
{
    std::lock_guard<std::mutex> hold(window_registry_lock());
    if (live_windows().erase(window) != 0)
        retired_windows().push_back(window);
}

window_rec *find_live_window_locked(HWND handle)
{
    window_rec *window = reinterpret_cast<window_rec *>(handle);
    if (window == nullptr || live_windows().count(window) == 0)
        return nullptr;
    return window;
}

window_rec *find_live_window(HWND handle)
{
    std::lock_guard<std::mutex> hold(window_registry_lock());
    return find_live_window_locked(handle);
}

window_rec *find_own_window(HWND handle)
{
    window_rec *window = find_live_window(handle);
    if (window == nullptr || window->owner != current_queue_if_any())
        return nullptr;
    return window;
}
