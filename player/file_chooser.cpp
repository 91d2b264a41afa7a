#include "file_chooser.h"

#include "texts.h"
#include "win32.h"

#include <string.h>

// The one piece of global state: the chosen path lives for the whole run.
static char avi_path[256];

char *select_avi_file(void)
{
    char filename[64];
    OPENFILENAMEA fname;

    memset(&fname, 0, sizeof(fname));
    fname.lStructSize = 76; // the original record size, without the later fields
    fname.hwndOwner = NULL;
    fname.lpstrFilter = TEXT_CHOOSER_FILTER;
    fname.nFilterIndex = 1;
    fname.lpstrFile = avi_path;
    fname.nMaxFile = sizeof(avi_path);
    fname.lpstrFileTitle = filename;
    fname.nMaxFileTitle = sizeof(filename) - 1;
    fname.lpstrTitle = TEXT_CHOOSER_TITLE;
    fname.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;

    if (GetOpenFileNameA(&fname) == 0)
        return NULL;
    return avi_path;
}
