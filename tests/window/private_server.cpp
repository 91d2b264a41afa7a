#include "private_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

std::string read_until(int fd, const std::string &stop)
{
    std::string text;
    char buffer[256];
    while (stop.empty() || text.find(stop) == std::string::npos) {
        ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got <= 0)
            break;
        text.append(buffer, (size_t)got);
    }
    return text;
}

bool start_private_server(const char *screen, private_server *server)
{
    if (access("/usr/bin/Xvfb", X_OK) != 0)
        return false;
    // Xvfb picks a free display number and writes it to the pipe, which it
    // inherits (pipe() makes no O_CLOEXEC descriptors).
    int number_pipe[2];
    if (pipe(number_pipe) != 0)
        return false;
    std::string fd_text = std::to_string(number_pipe[1]);
    const char *argv[] = {"/usr/bin/Xvfb", "-displayfd", fd_text.c_str(), "-nolisten", "tcp",
                          "-screen", "0", screen, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int failed = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char *const *>(argv),
                             environ);
    posix_spawn_file_actions_destroy(&actions);
    close(number_pipe[1]);
    std::string number = failed ? "" : read_until(number_pipe[0], "\n");
    close(number_pipe[0]);
    if (failed)
        return false;
    server->pid = pid;
    if (number.find('\n') == std::string::npos) {
        stop_private_server(server);
        return false;
    }
    server->display = ":" + number.substr(0, number.find('\n'));
    return true;
}

void stop_private_server(private_server *server)
{
    if (server->pid <= 0)
        return;
    kill(server->pid, SIGTERM);
    waitpid(server->pid, nullptr, 0);
    server->pid = -1;
}
