// Cross-compiled with the viewer's own Windows flags. The record sizes and
// flag values the viewer writes as plain numbers must be the platform's;
// the texts must come out as the bytes the viewer prints. The fixed values
// are checked here at compile time; everything is also printed, one
// "name value" line each, for the Linux side to compare under Wine.

#include "texts.h"
#include "win32.h"

#include <stddef.h>
#include <stdio.h>

static_assert(sizeof(void *) == 4, "the viewer is a 32-bit program");
static_assert(sizeof(WNDCLASSEXA) == 48, "the image window class record");
static_assert(sizeof(AVISTREAMINFOA) == 140, "the stream information record");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap header");
// The dialog record as first published ends with lpTemplateName.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the dialog record's original size");
static_assert((OFN_FILEMUSTEXIST | OFN_HIDEREADONLY) == 0x1004, "the dialog flags");
static_assert(WS_VISIBLE == 0x10000000, "the image window style");
static_assert(MB_YESNOCANCEL == 3 && IDYES == 6 && IDNO == 7 && IDCANCEL == 2, "the boxes");

struct text_entry {
    const char *name;
    const char *bytes;
    size_t size;
};

#define TEXT_ENTRY(macro) {#macro, macro, sizeof(macro) - 1}

static const text_entry texts[] = {
    TEXT_ENTRY(TEXT_STREAM_INFO),     TEXT_ENTRY(TEXT_HOWTO_LINE1),
    TEXT_ENTRY(TEXT_HOWTO_LINE2),     TEXT_ENTRY(TEXT_HOWTO_LINE3),
    TEXT_ENTRY(TEXT_OPEN_ERROR),      TEXT_ENTRY(TEXT_WINDOW_TITLE),
    TEXT_ENTRY(TEXT_STEP_BOX),        TEXT_ENTRY(TEXT_STEP_CAPTION),
    TEXT_ENTRY(TEXT_INTERRUPT_BOX),   TEXT_ENTRY(TEXT_INTERRUPT_CAPTION),
    TEXT_ENTRY(TEXT_CLOSING_PROMPT),  TEXT_ENTRY(TEXT_CHOOSER_TITLE),
    TEXT_ENTRY(TEXT_CHOOSER_FILTER),  TEXT_ENTRY(TEXT_BAD_FRAME_SIZE),
    TEXT_ENTRY(TEXT_NO_WINDOW),       TEXT_ENTRY(TEXT_NO_MEMORY),
    TEXT_ENTRY(TEXT_NO_DECODER),      TEXT_ENTRY(TEXT_BAD_FRAME),
    TEXT_ENTRY(TEXT_BAD_LAYOUT),
};

int main(void)
{
    printf("sizeof_WNDCLASSEXA %u\n", (unsigned)sizeof(WNDCLASSEXA));
    printf("sizeof_AVISTREAMINFOA %u\n", (unsigned)sizeof(AVISTREAMINFOA));
    printf("sizeof_BITMAPINFOHEADER %u\n", (unsigned)sizeof(BITMAPINFOHEADER));
    printf("OPENFILENAME_SIZE_VERSION_400A %u\n", (unsigned)OPENFILENAME_SIZE_VERSION_400A);
    printf("sizeof_OPENFILENAMEA %u\n", (unsigned)sizeof(OPENFILENAMEA));
    printf("OFN_flags 0x%lx\n", (unsigned long)(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
    printf("WS_VISIBLE 0x%lx\n", (unsigned long)WS_VISIBLE);
    printf("streamtypeVIDEO 0x%lx\n", (unsigned long)streamtypeVIDEO);
    printf("AVIGETFRAMEF_BESTDISPLAYFMT %lu\n", (unsigned long)(UINT_PTR)AVIGETFRAMEF_BESTDISPLAYFMT);
    // The window's outer size is built from these; the geometry checks need them.
    printf("SM_CYCAPTION %d\n", GetSystemMetrics(SM_CYCAPTION));
    printf("SM_CXDLGFRAME %d\n", GetSystemMetrics(SM_CXDLGFRAME));
    printf("SM_CYDLGFRAME %d\n", GetSystemMetrics(SM_CYDLGFRAME));
    for (const text_entry &t : texts) {
        printf("%s ", t.name);
        for (size_t i = 0; i < t.size; i++)
            printf("%02x", (unsigned char)t.bytes[i]);
        printf("\n");
    }
    return 0;
}
