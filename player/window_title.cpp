#include "window_title.h"

#include "texts.h"

#include <string.h>

// wsprintfA writes at most 1024 bytes; a full path is at most 255.
static const int format_room = 1024;
static const char elision[] = "...";

void format_window_title(char *cbuf, int size, const char *path, DWORD frame_no, DWORD length)
{
    char title[format_room];
    int path_len = (int)strlen(path);

    if (size <= 0)
        return;
    if (path_len < format_room / 2 &&
        wsprintfA(title, TEXT_WINDOW_TITLE, path, frame_no, length) < size) {
        strcpy(cbuf, title);
        return;
    }

    // Room for the path: what the title takes without it, and the elision.
    int frame_part = wsprintfA(title, TEXT_WINDOW_TITLE, "", frame_no, length);
    int room = size - 1 - frame_part - (int)(sizeof(elision) - 1);
    const char *tail = path;
    while (room >= 0 && *tail != '\0' && path_len - (int)(tail - path) > room)
        tail = CharNextA(tail);
    if (room < 0)
        tail = path + path_len;

    char shortened[sizeof(elision) + format_room / 2];
    strcpy(shortened, elision);
    strncat(shortened, tail, sizeof(shortened) - sizeof(elision));
    int needed = wsprintfA(title, TEXT_WINDOW_TITLE, shortened, frame_no, length);
    if (needed >= size)
        title[size - 1] = '\0'; // only when even the frame part cannot fit
    strcpy(cbuf, title);
}
