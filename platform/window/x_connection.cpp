// The X connection of a window thread: opened with its first window, closed
// with its last. Losing the server ends the program with one clear line.
#include "window_records.h"

#include "console_restore.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

namespace {

// Xlib must be told before any other call that several threads use it (GTK
// has its own connection on the player thread).
const bool threads_initialised = XInitThreads() != 0;

int on_connection_lost(Display *)
{
    static const char line[] = "The connection to the X server was lost; the viewer ends.\n";
    // write(2), not stdio: Xlib may hold locks we would need.
    ssize_t ignored = write(STDERR_FILENO, line, sizeof(line) - 1);
    (void)ignored;
    console_restore();
    _exit(1);
}

// A write to a server that has gone would otherwise raise SIGPIPE and end
// the program there, without the line and with the terminal left raw. As
// an ignored signal the write fails instead, and Xlib calls the handler
// above. A SIGPIPE disposition the caller chose is left as it is.
void let_broken_pipes_fail_writes()
{
    struct sigaction current;
    if (sigaction(SIGPIPE, NULL, &current) != 0 || current.sa_handler != SIG_DFL)
        return;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, NULL);
}

// A busy server's listen queue can be full for a moment; connect() then
// says EAGAIN (or the half-made connection is reset). Anything else (no
// server, refused) fails at once.
Display *open_display_retrying()
{
    for (int attempt = 0;; attempt++) {
        errno = 0;
        Display *display = XOpenDisplay(nullptr);
        if (display != nullptr || (errno != EAGAIN && errno != ECONNRESET) || attempt == 40)
            return display;
        usleep(50 * 1000);
    }
}

} // namespace

Display *open_thread_display(thread_queue *queue)
{
    if (queue->display != nullptr)
        return queue->display;
    if (!threads_initialised)
        return nullptr;
    let_broken_pipes_fail_writes();
    Display *display = open_display_retrying();
    if (display == nullptr)
        return nullptr;
    // Set on every open: GTK installs its own handler when it starts up.
    XSetIOErrorHandler(on_connection_lost);
    queue->display = display;
    return display;
}

void close_thread_display_if_unused(thread_queue *queue)
{
    if (queue->display == nullptr || !queue->windows.empty())
        return;
    XCloseDisplay(queue->display);
    queue->display = nullptr;
}
