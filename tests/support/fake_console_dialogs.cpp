// Console keys, the open-file dialog and message boxes, from the script.
#include "fake_shared.h"

#include <string.h>
#include <unistd.h>

using namespace fake;

int _getch(void)
{
    int shown = settle_window();
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    st.rec.shown_at_last_key = shown;
    st.rec.console_at_key.push_back((long)lseek(1, 0, SEEK_CUR));
    if (st.keys.empty()) {
        st.rec.starved = true;
        log_locked("getch none");
        return -1;
    }
    int key = st.keys.front();
    st.keys.pop_front();
    log_locked("getch " + std::to_string(key));
    return key;
}

int _kbhit(void)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked(st.keys.empty() ? "kbhit 0" : "kbhit 1");
    return st.keys.empty() ? 0 : 1;
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request)
{
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    log_locked("dialog");
    dialog_request &d = st.rec.dialog;
    d.called = true;
    d.fields = *request;
    if (request->lpstrFilter != nullptr) {
        // The list ends at the first empty entry.
        const char *p = request->lpstrFilter;
        while (*p != '\0' && d.filter.size() < 256) {
            size_t n = strlen(p) + 1;
            d.filter.append(p, n);
            p += n;
        }
        d.filter.push_back('\0');
    }
    if (request->lpstrTitle != nullptr)
        d.title = request->lpstrTitle;

    const script &s = st.plan;
    if (s.dialog_cancels || request->lpstrFile == nullptr || s.path.size() >= request->nMaxFile)
        return 0;
    memcpy(request->lpstrFile, s.path.c_str(), s.path.size() + 1);

    if (request->lpstrFileTitle != nullptr && request->nMaxFileTitle > 0) {
        std::string name = s.path.substr(s.path.rfind('/') + 1);
        size_t fits = request->nMaxFileTitle - 1;
        if (name.size() > fits)
            name.resize(fits);
        memcpy(request->lpstrFileTitle, name.c_str(), name.size() + 1);
    }
    return 1;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    int shown = settle_window();
    shared_state &st = state();
    std::lock_guard<std::mutex> hold(st.mutex);
    box_shown box = {text != nullptr ? text : "", caption != nullptr ? caption : "", owner, type,
                     shown};
    st.rec.boxes.push_back(box);
    log_locked("box " + box.caption);
    if (st.answers.empty())
        return IDCANCEL;
    box_answer a = st.answers.front();
    st.answers.pop_front();
    st.keys.insert(st.keys.end(), a.keys_pressed.begin(), a.keys_pressed.end());
    return a.answer;
}
