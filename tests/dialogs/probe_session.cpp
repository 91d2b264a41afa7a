#include "probe_session.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <map>

extern char **environ;

// Only guards against a hang; a healthy run answers far sooner.
static const int hang_guard_seconds = 20;

bool x_display_available(void)
{
    const char *name = getenv("DISPLAY");
    if (name == NULL || name[0] == '\0')
        return false;
    Display *display = XOpenDisplay(name);
    if (display == NULL)
        return false;
    XCloseDisplay(display);
    return true;
}

std::string make_temp_folder(void)
{
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base != NULL && base[0] != '\0' ? base : "/tmp") + "/dialogs-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == NULL)
        return "";
    return name.data();
}

static std::vector<std::string> probe_environment(const env_changes &changes)
{
    // The caller's changes first: emplace keeps them over the fixed ones.
    std::map<std::string, const char *> wanted(changes.begin(), changes.end());
    static const std::string settings_home = make_temp_folder();
    const char *fixed[][2] = {
        {"GSETTINGS_BACKEND", "memory"},
        {"NO_AT_BRIDGE", "1"},
        {"XDG_CONFIG_HOME", settings_home.c_str()},
        {"XDG_DATA_HOME", settings_home.c_str()},
        {"XDG_CACHE_HOME", settings_home.c_str()},
        {"LC_ALL", NULL},
        {"LC_MESSAGES", NULL},
        {"LANGUAGE", NULL},
    };
    for (auto &entry : fixed)
        wanted.emplace(entry[0], entry[1]);

    std::vector<std::string> environment;
    for (char **at = environ; *at != NULL; at++) {
        std::string entry = *at;
        if (wanted.count(entry.substr(0, entry.find('='))) == 0)
            environment.push_back(entry);
    }
    for (auto &change : wanted)
        if (change.second != NULL)
            environment.push_back(change.first + "=" + change.second);
    return environment;
}

probe_run start_probe(const std::vector<std::string> &args, const std::string &folder, const env_changes &changes)
{
    probe_run run = {-1, -1, ""};
    std::vector<std::string> environment = probe_environment(changes);
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0)
        return run;

    std::vector<char *> argv;
    std::string program = PROBE_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto &arg : copies)
        argv.push_back(arg.data());
    argv.push_back(NULL);
    std::vector<char *> envp;
    for (auto &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(NULL);

    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    run.pid = pid;
    run.output = pipe_ends[0];
    return run;
}

std::string next_line(probe_run &run, int wait_seconds)
{
    time_t give_up = time(NULL) + (wait_seconds > 0 ? wait_seconds : hang_guard_seconds);
    for (;;) {
        size_t end = run.pending.find('\n');
        if (end != std::string::npos) {
            std::string line = run.pending.substr(0, end);
            run.pending.erase(0, end + 1);
            return line;
        }
        time_t now = time(NULL);
        if (run.output < 0 || now >= give_up)
            return "<no answer>";
        struct pollfd wanted = {run.output, POLLIN, 0};
        if (poll(&wanted, 1, (int)(give_up - now) * 1000) <= 0)
            continue;
        char chunk[512];
        ssize_t got = read(run.output, chunk, sizeof(chunk));
        if (got <= 0)
            return "<no answer>";
        run.pending.append(chunk, (size_t)got);
    }
}

int finish_probe(probe_run &run)
{
    if (run.pid <= 0)
        return -1;
    int status = 0;
    time_t give_up = time(NULL) + hang_guard_seconds;
    while (waitpid(run.pid, &status, WNOHANG) == 0) {
        if (time(NULL) >= give_up) {
            kill(run.pid, SIGKILL);
            waitpid(run.pid, &status, 0);
            status = -1;
            break;
        }
        struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    if (run.output >= 0)
        close(run.output);
    run.output = -1;
    run.pid = -1;
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

static std::string command_output(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == NULL)
        return output;
    char chunk[256];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0)
        output.append(chunk, got);
    pclose(pipe);
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

// Quoted for the shell, whatever bytes it holds.
static std::string quoted(const std::string &text)
{
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

static std::string xdotool(const std::string &arguments)
{
    return command_output("timeout " + std::to_string(hang_guard_seconds) + " xdotool " + arguments + " 2>/dev/null");
}

unsigned long wait_for_probe_window(const probe_run &run)
{
    std::string found = xdotool("search --sync --onlyvisible --pid " + std::to_string(run.pid));
    // Only the first window counts; a dialog has one visible top level.
    return strtoul(found.c_str(), NULL, 10);
}

std::string window_title(unsigned long window)
{
    return xdotool("getwindowname " + std::to_string(window));
}

void press_keys(unsigned long window, const std::string &keys)
{
    xdotool("windowfocus --sync " + std::to_string(window) + " key --clearmodifiers " + keys);
}

void type_text(const std::string &text)
{
    xdotool("type --clearmodifiers " + quoted(text));
}

void request_close(unsigned long window)
{
    Display *display = XOpenDisplay(NULL);
    if (display == NULL)
        return;
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = (Window)window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, (Window)window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
}
