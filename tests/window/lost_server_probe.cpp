// Opens the image window on $DISPLAY, says "ready" and waits; the test then
// takes the X server away.
#include "image_rec.h"

#include <stdio.h>
#include <string.h>

int main()
{
    static image_rec rec;
    memset(&rec, 0, sizeof(rec));
    rec.bih.biSize = 40;
    rec.bih.biWidth = 64;
    rec.bih.biHeight = 32;
    rec.bih.biPlanes = 1;
    rec.bih.biBitCount = 24;
    rec.x = rec.y = 100;
    register_image_class();
    open_image_window(&rec);
    if (rec.hwnd == NULL) {
        printf("no window\n");
        return 2;
    }
    printf("ready\n");
    fflush(stdout);
    for (;;)
        Sleep(1000);
}
