// Shows dialogs one after another and prints each answer on its own line,
// so a test can answer them from outside and read what the caller got.
//   dialog_probe box <caption> <text> <type> [<type>...]
//       one message box per type, captioned "<caption> <n>" (n from 1)
//   dialog_probe open <title> <nMaxFile>:<nMaxFileTitle> [...]
//       one open dialog per size pair, titled "<title> <n>"
#include "commdlg.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static int show_boxes(int count, char **args, const char *caption, const char *text)
{
    for (int i = 0; i < count; i++) {
        std::string numbered = std::string(caption) + " " + std::to_string(i + 1);
        UINT type = (UINT)strtoul(args[i], NULL, 0);
        printf("%d\n", MessageBoxA(NULL, text, numbered.c_str(), type));
        fflush(stdout);
    }
    return 0;
}

static int show_open_dialogs(int count, char **args, const char *title)
{
    for (int i = 0; i < count; i++) {
        unsigned long max_file = 0, max_title = 0;
        if (sscanf(args[i], "%lu:%lu", &max_file, &max_title) != 2 || max_file > 4096 || max_title > 4096) {
            fprintf(stderr, "bad size pair %s\n", args[i]);
            return 2;
        }
        std::string numbered = std::string(title) + " " + std::to_string(i + 1);
        char file[4097] = "";
        char file_title[4097] = "";
        OPENFILENAMEA request;
        memset(&request, 0, sizeof(request));
        request.lStructSize = 76;
        request.lpstrFilter = "*.*\0*.*\0";
        request.nFilterIndex = 1;
        request.lpstrFile = file;
        request.nMaxFile = (DWORD)max_file;
        request.lpstrFileTitle = file_title;
        request.nMaxFileTitle = (DWORD)max_title;
        request.lpstrTitle = numbered.c_str();
        request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        BOOL chosen = GetOpenFileNameA(&request);
        printf("%d [%s] %u %u [%s]\n", chosen, file, request.nFileOffset, request.nFileExtension, file_title);
        fflush(stdout);
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc >= 5 && strcmp(argv[1], "box") == 0)
        return show_boxes(argc - 4, argv + 4, argv[2], argv[3]);
    if (argc >= 4 && strcmp(argv[1], "open") == 0)
        return show_open_dialogs(argc - 3, argv + 3, argv[2]);
    fprintf(stderr, "usage: dialog_probe box <caption> <text> <type>... | open <title> <max>:<max_title>...\n");
    return 2;
}
