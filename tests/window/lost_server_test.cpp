// The X server going away ends the program with one clear line and status 1.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char **environ;

namespace {

// Reads from `fd` until `stop` is seen or, with no `stop`, the other end closes.
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

// Other descriptors are inherited too (pipe() makes them without O_CLOEXEC).
pid_t spawn(const char *const argv[], const char *const envp[], int out_fd, int err_fd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    if (err_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char *const *>(argv),
                     const_cast<char *const *>(envp)) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST(LostServer, EndsWithOneClearLineAndStatusOne)
{
    if (access("/usr/bin/Xvfb", X_OK) != 0)
        GTEST_SKIP() << "no Xvfb to take away";

    // A private server, so killing it touches nobody else; it picks its own
    // display number and writes it to the pipe.
    int number_pipe[2];
    ASSERT_EQ(pipe(number_pipe), 0);
    std::string fd_text = std::to_string(number_pipe[1]);
    const char *xvfb_argv[] = {"Xvfb", "-displayfd", fd_text.c_str(), "-nolisten", "tcp",
                               "-screen", "0", "320x240x24", nullptr};
    int null_fd = open("/dev/null", O_WRONLY);
    pid_t xvfb = spawn(xvfb_argv, (const char *const *)environ, null_fd, null_fd);
    close(number_pipe[1]);
    close(null_fd);
    ASSERT_GT(xvfb, 0);
    // Stopped whatever happens below.
    struct server {
        pid_t pid;
        void stop()
        {
            if (pid <= 0)
                return;
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        ~server() { stop(); }
    } xvfb_server{xvfb};
    std::string number = read_until(number_pipe[0], "\n");
    close(number_pipe[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    std::string display = "DISPLAY=:" + number.substr(0, number.find('\n'));

    int out_pipe[2], err_pipe[2];
    ASSERT_EQ(pipe(out_pipe), 0);
    ASSERT_EQ(pipe(err_pipe), 0);
    const char *probe_argv[] = {LOST_SERVER_PROBE, nullptr};
    const char *probe_env[] = {display.c_str(), nullptr};
    pid_t probe = spawn(probe_argv, probe_env, out_pipe[1], err_pipe[1]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    ASSERT_GT(probe, 0);
    EXPECT_EQ(read_until(out_pipe[0], "ready\n"), "ready\n");

    xvfb_server.stop();
    int status = 0;
    ASSERT_EQ(waitpid(probe, &status, 0), probe);
    std::string errors = read_until(err_pipe[0], "");
    close(out_pipe[0]);
    close(err_pipe[0]);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(errors, "The connection to the X server was lost; the viewer ends.\n");
}

} // namespace
