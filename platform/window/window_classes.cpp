// Registered window classes: name, window procedure, extra bytes, instance.
#include "window_records.h"

#include <strings.h>

namespace {

// Class atoms, as on Windows, start at 0xC000.
const unsigned first_class_atom = 0xC000;

std::mutex classes_lock;
std::vector<window_class_info> classes;

// A class name may also be given as an atom in the pointer's low word.
bool is_atom_name(LPCSTR name)
{
    return (uintptr_t)name <= 0xFFFF;
}

} // namespace

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *window_class)
{
    if (window_class == nullptr || window_class->lpfnWndProc == nullptr ||
        window_class->lpszClassName == nullptr || is_atom_name(window_class->lpszClassName) ||
        window_class->lpszClassName[0] == '\0' || window_class->cbWndExtra < 0)
        return 0;

    std::lock_guard<std::mutex> hold(classes_lock);
    for (const window_class_info &known : classes)
        if (strcasecmp(known.name.c_str(), window_class->lpszClassName) == 0)
            return 0;  // already registered
    if (classes.size() >= 0xFFFF - first_class_atom)
        return 0;
    classes.push_back({window_class->lpfnWndProc, window_class->cbWndExtra,
                       window_class->hInstance, window_class->lpszClassName});
    return (ATOM)(first_class_atom + classes.size() - 1);
}

bool find_window_class(LPCSTR name, window_class_info *found)
{
    if (name == nullptr)
        return false;
    std::lock_guard<std::mutex> hold(classes_lock);
    if (is_atom_name(name)) {
        uintptr_t atom = (uintptr_t)name;
        if (atom < first_class_atom || atom - first_class_atom >= classes.size())
            return false;
        *found = classes[atom - first_class_atom];
        return true;
    }
    for (const window_class_info &known : classes) {
        if (strcasecmp(known.name.c_str(), name) == 0) {
            *found = known;
            return true;
        }
    }
    return false;
}
