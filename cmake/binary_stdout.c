/* Windows build only. The C runtime opens standard output in text mode,
 * which turns every line feed the viewer prints into CR LF. The viewer's
 * texts are exact bytes, so standard output is switched to binary before
 * main runs; the console shows a bare line feed as a new line all the same. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

__attribute__((constructor)) static void binary_stdout(void)
{
    _setmode(_fileno(stdout), _O_BINARY);
}
