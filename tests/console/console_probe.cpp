// Reads keys with _getch and prints each code with what _kbhit says right
// after it, one line per code, so a test can drive it through a terminal.
//   keys   codes until '.' or the end of input
//   drain  codes until the end of input, then asks a thousand times more
//   crash  waits for one key, then dies of a bad memory access
//   restore  waits for one key, gives the terminal back early, then waits
//            until killed
#include "conio.h"
#include "console_restore.h"

#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

static void print_code(int code)
{
    printf("%d k%d\n", code, _kbhit());
}

static int drain(void)
{
    int code;
    while ((code = _getch()) != EOF)
        print_code(code);
    print_code(code);
    int again_code = EOF, again_kbhit = 0;
    for (int i = 0; i < 1000; i++) {
        int next = _getch();
        int pending = _kbhit();
        if (next != EOF)
            again_code = next;
        if (pending)
            again_kbhit = pending;
    }
    printf("again %d k%d\n", again_code, again_kbhit);
    return 0;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *mode = argc > 1 ? argv[1] : "keys";
    printf("ready\n");

    if (strcmp(mode, "drain") == 0)
        return drain();

    if (strcmp(mode, "crash") == 0) {
        print_code(_getch());
        // A page no access is allowed to: the processor faults, where a null
        // store would be caught first by an undefined-behaviour check.
        void *page = mmap(NULL, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (page == MAP_FAILED)
            return 2;
        volatile int *nowhere = (volatile int *)page;
        *nowhere = 1;
        return 0;
    }

    if (strcmp(mode, "restore") == 0) {
        print_code(_getch());
        console_restore();
        console_restore();
        printf("restored\n");
        for (;;)
            pause();
    }

    int code;
    do {
        code = _getch();
        print_code(code);
    } while (code != '.' && code != EOF);
    printf("end\n");
    return 0;
}
