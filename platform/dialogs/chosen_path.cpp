#include "chosen_path.h"

#include <string.h>

static bool is_utf8_continuation(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

// Copies text into a buffer of capacity bytes (terminator included),
// dropping a trailing part of a multibyte character that would be split.
static void copy_cut(char *buffer, size_t capacity, const char *text)
{
    if (capacity == 0)
        return;
    size_t length = strlen(text);
    if (length > capacity - 1) {
        length = capacity - 1;
        while (length > 0 && is_utf8_continuation((unsigned char)text[length]))
            length--;
    }
    memcpy(buffer, text, length);
    buffer[length] = '\0';
}

bool store_chosen_path(OPENFILENAMEA *request, const char *path)
{
    if (request->lpstrFile == NULL || path == NULL)
        return false;
    size_t length = strlen(path);
    if (request->nMaxFile <= length)
        return false;
    // The offsets are 16-bit; a longer path cannot be described.
    if (length > 0xFFFFu)
        return false;

    const char *slash = strrchr(path, '/');
    size_t name_at = slash != NULL ? (size_t)(slash - path) + 1 : 0;
    const char *dot = strrchr(path + name_at, '.');
    size_t extension_at;
    if (dot == NULL)
        extension_at = length; // no extension: the terminator
    else if (dot[1] == '\0')
        extension_at = 0; // a name that ends in a dot
    else
        extension_at = (size_t)(dot - path) + 1;

    memcpy(request->lpstrFile, path, length + 1);
    request->nFileOffset = (WORD)name_at;
    request->nFileExtension = (WORD)extension_at;
    if (request->lpstrFileTitle != NULL)
        copy_cut(request->lpstrFileTitle, request->nMaxFileTitle, path + name_at);
    return true;
}
