// The open-file dialog and message boxes, over GTK 3.
#pragma once

#include "../types/win32_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OFN_READONLY 0x00000001
#define OFN_HIDEREADONLY 0x00000004
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000

typedef UINT_PTR(CALLBACK *LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void *pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;

// Non-zero when the user confirmed an existing file and its full path fit
// in lpstrFile; 0 on cancel, on any failure, or when there is no display.
BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request);

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// Modal box on the calling thread; returns the button code (IDCANCEL on
// Escape, the close button, or no display).
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#ifdef __cplusplus
}
#endif
