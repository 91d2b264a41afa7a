// Window system, message queues and drawing, over Xlib.
#pragma once

#include "../types/win32_types.h"
#include "../text/text.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagWNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXA;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

// What WM_CREATE's lParam points at.
typedef struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012

#define WS_OVERLAPPED 0x00000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8

#define GWL_HINSTANCE (-6)

#define DIB_RGB_COLORS 0

#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *window_class);
HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
// Window longs are pointer-sized here (see win32_types.h).
LONG_PTR WINAPI GetWindowLongA(HWND window, int index);
LONG_PTR WINAPI SetWindowLongA(HWND window, int index, LONG_PTR value);
int WINAPI GetSystemMetrics(int index);

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filter_min, UINT filter_max);
BOOL WINAPI TranslateMessage(const MSG *msg);
LRESULT WINAPI DispatchMessageA(const MSG *msg);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void WINAPI PostQuitMessage(int exit_code);
// From another thread: carried out on the window's thread; returns when done.
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
// Never blocks; requests coalesce into one WM_PAINT, delivered when the
// window's queue is otherwise empty.
BOOL WINAPI InvalidateRect(HWND window, const RECT *rect, BOOL erase);

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint);
int WINAPI SetDIBitsToDevice(HDC dc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src,
                             int y_src, UINT start_scan, UINT scan_lines, const void *bits,
                             const BITMAPINFO *info, UINT color_use);
BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// wsprintfA and CharNextA: see text/text.h.

#ifdef __cplusplus
}
#endif
