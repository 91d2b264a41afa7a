// The X server going away ends the program with one clear line and status 1.
#include <gtest/gtest.h>

#include "private_server.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

TEST(LostServer, EndsWithOneClearLineAndStatusOne)
{
    private_server server;
    if (!start_private_server("320x240x24", &server))
        GTEST_SKIP() << "no Xvfb to take away";
    struct stop_at_end {
        private_server *server;
        ~stop_at_end() { stop_private_server(server); }
    } stop{&server};

    int out_pipe[2], err_pipe[2];
    ASSERT_EQ(pipe(out_pipe), 0);
    ASSERT_EQ(pipe(err_pipe), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    std::string display = "DISPLAY=" + server.display;
    const char *argv[] = {LOST_SERVER_PROBE, nullptr};
    const char *envp[] = {display.c_str(), nullptr};
    pid_t probe = -1;
    int failed = posix_spawn(&probe, argv[0], &actions, nullptr, const_cast<char *const *>(argv),
                             const_cast<char *const *>(envp));
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    ASSERT_EQ(failed, 0);
    EXPECT_EQ(read_until(out_pipe[0], "ready\n"), "ready\n");

    stop_private_server(&server);
    int status = 0;
    ASSERT_EQ(waitpid(probe, &status, 0), probe);
    std::string errors = read_until(err_pipe[0], "");
    close(out_pipe[0]);
    close(err_pipe[0]);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(errors, "The connection to the X server was lost; the viewer ends.\n");
}

} // namespace
