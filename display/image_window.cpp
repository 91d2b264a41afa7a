#include "image_rec.h"

#include <string.h>

static const char image_class_name[] = "GRC0";

ATOM register_image_class(void)
{
    WNDCLASSEXA wc;

    memset(&wc, 0, sizeof(wc));
    wc.cbSize = 48;
    wc.lpfnWndProc = image_window_proc;
    wc.cbWndExtra = 10;
    wc.hInstance = (HINSTANCE)GetWindowLongA(NULL, GWL_HINSTANCE);
    wc.lpszClassName = image_class_name;
    return (ATOM)(RegisterClassExA(&wc) & 0xFFFF);
}

void lock_image(image_rec *rec)
{
    EnterCriticalSection(&rec->lock);
}

void unlock_image(image_rec *rec)
{
    LeaveCriticalSection(&rec->lock);
}

void open_image_window(image_rec *rec)
{
    InitializeCriticalSection(&rec->lock);
    InitializeConditionVariable(&rec->created);
    rec->hwnd = NULL;
    rec->create_done = 0;

    HANDLE thread = CreateThread(NULL, 0, image_window_thread, rec, 0, NULL);
    if (thread == NULL)
        return;
    CloseHandle(thread);

    // Sleep until the window thread reports, instead of spinning on hwnd.
    lock_image(rec);
    while (!rec->create_done)
        SleepConditionVariableCS(&rec->created, &rec->lock, INFINITE);
    unlock_image(rec);
}

DWORD WINAPI image_window_thread(LPVOID param)
{
    image_rec *rec = (image_rec *)param;
    int caption = GetSystemMetrics(SM_CYCAPTION);
    int frame_x = GetSystemMetrics(SM_CXDLGFRAME);
    int frame_y = GetSystemMetrics(SM_CYDLGFRAME);

    HWND hwnd = CreateWindowExA(0, image_class_name, "...", WS_VISIBLE, rec->x, rec->y,
                                rec->bih.biWidth + 2 * frame_x,
                                rec->bih.biHeight + caption + 2 * frame_y, NULL, NULL, rec->hinst,
                                NULL);

    lock_image(rec);
    rec->hwnd = hwnd;
    rec->create_done = 1;
    WakeAllConditionVariable(&rec->created);
    unlock_image(rec);
    if (hwnd == NULL)
        return 0;

    SetWindowLongA(hwnd, 0, (LONG_PTR)rec);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

static void paint_image(HWND hwnd, image_rec *rec)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);

    if (rec != NULL) {
        const BITMAPINFOHEADER *bih = &rec->bih;
        lock_image(rec);
        if (rec->pixels != NULL)
            SetDIBitsToDevice(dc, 0, 0, bih->biWidth, bih->biHeight, 0, 0, 0, bih->biHeight,
                              rec->pixels, (const BITMAPINFO *)bih, DIB_RGB_COLORS);
        else
            PatBlt(dc, 0, 0, bih->biWidth, bih->biHeight, BLACKNESS);
        unlock_image(rec);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK image_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    image_rec *rec = (image_rec *)GetWindowLongA(hwnd, 0);

    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paint_image(hwnd, rec);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}
