// The viewer's main routine: choose a file, report its video stream, then
// walk its frames in the image window, stepping or continuously.

#include "file_chooser.h"
#include "frame_copy.h"
#include "texts.h"
#include "window_title.h"

#include "image_rec.h"
#include "win32.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const LONG max_frame_dimension = 32768;

// Decodes frame `frame_no` into the frame buffer. On failure says why in one
// line and leaves the buffer (and so the window) as it was.
static bool show_frame(PAVISTREAM pvis, image_rec *img, BYTE *frame_buf, DWORD frame_no)
{
    PGETFRAME decoder = AVIStreamGetFrameOpen(pvis, (LPBITMAPINFOHEADER)AVIGETFRAMEF_BESTDISPLAYFMT);
    if (decoder == NULL) {
        printf(TEXT_NO_DECODER, (unsigned)frame_no);
        return false;
    }

    bool copied = false;
    const BITMAPINFOHEADER *dib = (const BITMAPINFOHEADER *)AVIStreamGetFrame(decoder, (LONG)frame_no);
    if (dib == NULL) {
        printf(TEXT_BAD_FRAME, (unsigned)frame_no);
    } else {
        lock_image(img);
        frame_copy_result result =
            copy_frame_to_buffer(dib, frame_buf, img->bih.biWidth, img->bih.biHeight);
        if (result == FRAME_COPIED)
            img->pixels = frame_buf;
        unlock_image(img);
        if (result == FRAME_COPIED)
            copied = true;
        else if (result == FRAME_UNSUPPORTED)
            printf(TEXT_BAD_LAYOUT, (unsigned)frame_no, (unsigned)dib->biBitCount,
                   (unsigned)dib->biCompression);
        else
            printf(TEXT_BAD_FRAME, (unsigned)frame_no);
    }
    AVIStreamGetFrameClose(decoder);
    return copied;
}

int main(void)
{
    PAVISTREAM pvis = NULL;
    AVISTREAMINFOA sivi;
    image_rec img00;
    char cbuf[100];

    // Console output must show at once, the closing prompt included.
    setvbuf(stdout, NULL, _IONBF, 0);

    char *path = select_avi_file();
    AVIFileInit();
    if (path == NULL || AVIStreamOpenFromFileA(&pvis, path, streamtypeVIDEO, 0, OF_READ, NULL) != 0) {
        printf(TEXT_OPEN_ERROR);
        return 0;
    }

    memset(&sivi, 0, sizeof(sivi));
    AVIStreamInfoA(pvis, &sivi, sizeof(sivi));
    printf(TEXT_STREAM_INFO, (int)sivi.dwRate, (int)sivi.dwScale, (int)sivi.dwLength);

    LONG width = sivi.rcFrame.right;
    LONG height = sivi.rcFrame.bottom;
    uint64_t frame_size = (uint64_t)dib_row_stride(width, 24) * (uint64_t)(height > 0 ? height : 0);
    if (width <= 0 || height <= 0 || width > max_frame_dimension || height > max_frame_dimension ||
        frame_size > 0xFFFFFFFFu) {
        printf(TEXT_BAD_FRAME_SIZE, (int)width, (int)height);
        AVIStreamRelease(pvis);
        return 0;
    }

    printf(TEXT_HOWTO_LINE1);
    printf(TEXT_HOWTO_LINE2);
    printf(TEXT_HOWTO_LINE3);

    int step_mode = _getch() == 0x73 ? 1 : 0;

    memset(&img00, 0, sizeof(img00));
    img00.bih.biSize = 40;
    img00.bih.biWidth = width;
    img00.bih.biHeight = height;
    img00.bih.biPlanes = 1;
    img00.bih.biBitCount = 24;
    img00.bih.biCompression = BI_RGB;
    img00.bih.biSizeImage = (DWORD)frame_size;
    img00.hinst = (HINSTANCE)GetWindowLongA(NULL, GWL_HINSTANCE);
    img00.x = 100;
    img00.y = 100;

    register_image_class();
    open_image_window(&img00);
    if (img00.hwnd == NULL) {
        printf(TEXT_NO_WINDOW);
        AVIStreamRelease(pvis);
        return 0;
    }

    BYTE *frame_buf = (BYTE *)malloc((size_t)frame_size);
    if (frame_buf == NULL) {
        printf(TEXT_NO_MEMORY, (unsigned)frame_size);
        AVIStreamRelease(pvis);
        SendMessageA(img00.hwnd, WM_CLOSE, 0, 0);
        return 0;
    }

    for (uint32_t frame_no = 0; frame_no < sivi.dwLength; frame_no++) {
        show_frame(pvis, &img00, frame_buf, frame_no);

        format_window_title(cbuf, sizeof(cbuf), path, frame_no, sivi.dwLength);
        SetWindowTextA(img00.hwnd, cbuf);
        InvalidateRect(img00.hwnd, NULL, FALSE);

        if (step_mode) {
            int answer = MessageBoxA(NULL, TEXT_STEP_BOX, TEXT_STEP_CAPTION, MB_YESNOCANCEL);
            if (answer == IDNO)
                frame_no = frame_no == 0 ? frame_no - 1 : frame_no - 2; // frame 0 shows again
            else if (answer == IDCANCEL)
                step_mode = 0;
        } else if (_kbhit()) {
            _getch();
            int answer = MessageBoxA(NULL, TEXT_INTERRUPT_BOX, TEXT_INTERRUPT_CAPTION, MB_YESNOCANCEL);
            if (answer == IDYES)
                break;
            if (answer == IDCANCEL)
                step_mode = 1;
        }
    }

    AVIStreamRelease(pvis);
    printf(TEXT_CLOSING_PROMPT);
    _getch();
    SendMessageA(img00.hwnd, WM_CLOSE, 0, 0);
    free(frame_buf);
    return 0;
}
