#include "text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static const int wsprintf_limit = 1024;

namespace {

// Appends at most what still fits, keeping room for the terminator.
void append(char *out, int *used, const char *piece, int length)
{
    int room = wsprintf_limit - 1 - *used;
    if (length > room)
        length = room;
    if (length > 0) {
        memcpy(out + *used, piece, (size_t)length);
        *used += length;
    }
}

} // namespace

int WINAPI wsprintfA(LPSTR out, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int used = 0;

    for (const char *p = format; *p != '\0';) {
        if (*p != '%') {
            const char *next = strchr(p, '%');
            int length = next != NULL ? (int)(next - p) : (int)strlen(p);
            append(out, &used, p, length);
            p += length;
            continue;
        }

        // Rebuild one conversion for snprintf from the parts wsprintf knows.
        const char *start = p++;
        char directive[32];
        int n = 0;
        directive[n++] = '%';
        while (*p == '-' || *p == '0' || *p == '#') {
            if (n < 8)
                directive[n++] = *p;
            p++;
        }
        int width = 0, precision = -1;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        if (*p == '.') {
            precision = 0;
            for (p++; *p >= '0' && *p <= '9'; p++)
                precision = precision * 10 + (*p - '0');
        }
        if (width > wsprintf_limit)
            width = wsprintf_limit;
        if (precision > wsprintf_limit)
            precision = wsprintf_limit;
        bool is_long = false;
        while (*p == 'l' || *p == 'h') {
            is_long = is_long || *p == 'l';
            p++;
        }

        char piece[wsprintf_limit + 64];
        int length;
        char conversion = *p != '\0' ? *p++ : '\0';
        n += snprintf(directive + n, sizeof(directive) - (size_t)n, "%d", width);
        if (precision >= 0)
            n += snprintf(directive + n, sizeof(directive) - (size_t)n, ".%d", precision);
        switch (conversion) {
        case 's': {
            const char *text = va_arg(args, const char *);
            directive[n++] = 's';
            directive[n] = '\0';
            length = snprintf(piece, sizeof(piece), directive, text != NULL ? text : "(null)");
            break;
        }
        case 'c':
            directive[n++] = 'c';
            directive[n] = '\0';
            length = snprintf(piece, sizeof(piece), directive, (char)va_arg(args, int));
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': {
            // Windows' int and long are both 32 bits.
            directive[n++] = conversion;
            directive[n] = '\0';
            int value = va_arg(args, int);
            (void)is_long;
            if (conversion == 'd' || conversion == 'i')
                length = snprintf(piece, sizeof(piece), directive, value);
            else
                length = snprintf(piece, sizeof(piece), directive, (unsigned)value);
            break;
        }
        case '%':
            piece[0] = '%';
            length = 1;
            break;
        default:
            // Unknown conversions are copied as they stand.
            length = (int)(p - start);
            memcpy(piece, start, (size_t)length);
            break;
        }
        if (length > (int)sizeof(piece) - 1)
            length = (int)sizeof(piece) - 1;
        append(out, &used, piece, length);
    }
    out[used] = '\0';
    va_end(args);
    return used;
}

LPSTR WINAPI CharNextA(LPCSTR text)
{
    const unsigned char *s = (const unsigned char *)text;
    if (*s == 0)
        return (LPSTR)text;
    int trail = s[0] >= 0xF0 && s[0] <= 0xF4 ? 3 : s[0] >= 0xE0 ? 2 : s[0] >= 0xC2 && s[0] < 0xE0 ? 1 : 0;
    if (s[0] > 0xF4)
        trail = 0;
    for (int i = 1; i <= trail; i++) {
        if ((s[i] & 0xC0) != 0x80)
            return (LPSTR)(text + 1);
    }
    return (LPSTR)(text + 1 + trail);
}
