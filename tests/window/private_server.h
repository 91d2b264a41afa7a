// A private Xvfb for tests that change or take away the server, so no other
// test on the shared one is touched.
#pragma once

#include <sys/types.h>

#include <string>

struct private_server {
    pid_t pid = -1;
    std::string display;  // ":N"
};

// Starts Xvfb with one screen of `screen` ("WxHxD"); false when it cannot.
bool start_private_server(const char *screen, private_server *server);
void stop_private_server(private_server *server);

// Reads from `fd` until `stop` is seen or, with no `stop`, the other end closes.
std::string read_until(int fd, const std::string &stop);
