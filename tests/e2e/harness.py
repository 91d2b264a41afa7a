"""Drives the real viewer binary: its console on a pseudo-terminal, its GTK
dialogs answered with xdotool, its image window read through Xlib.

Every wait has a deadline; a test that fails kills the whole process group,
so the suite never hangs."""

import argparse
import fcntl
import os
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

import xlib

SKIP = 77  # the CTest SKIP_RETURN_CODE of every end-to-end test

CHOOSER_TITLE = "AVIファイルを指定します".encode()
STEP_CAPTION = b"..."
INTERRUPT_CAPTION = "処理を強制終了しますか？".encode()
PROMPT = b"quit? push any key"
OPEN_ERROR = b"v open err\n"
HOWTO = ("処理方法              コマ送り - 's'キー \n"
         "                      連続処理 - その他のキー ?\n"
         "(連続処理中でも、どれかキーを押すと処理が中断されます)\n").encode()

# Answers in the message boxes, as the keys a user presses.
YES, NO, CANCEL = "Return", "alt+n", "Escape"

WAIT = 20.0        # for anything the program does on its own
ADDRESS_LIMIT = 4 << 30   # address space of the viewer: a runaway allocation fails

options = argparse.Namespace(viewer=None, ffmpeg="ffmpeg")


class Failure(AssertionError):
    pass


_sanitized = {}


def viewer_is_sanitized():
    """True for a viewer built with AddressSanitizer or ThreadSanitizer, whose
    memory use says nothing about the viewer's own."""
    if options.viewer not in _sanitized:
        with open(options.viewer, "rb") as binary:
            data = binary.read()
        _sanitized[options.viewer] = b"__asan_init" in data or b"__tsan_init" in data
    return _sanitized[options.viewer]


def wait_until(what, probe, timeout=WAIT, interval=0.02):
    """Polls probe() until it returns something true; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(interval)


class XServer:
    """A private X server for one test: keyboard focus is global, so tests
    running side by side on one server would type into each other's dialogs."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or not select.select([read_end], [], [], 1)[0]:
                if time.monotonic() > deadline:
                    self.stop()
                    raise Failure("Xvfb did not start")
                continue
            chunk = os.read(read_end, 16)
            if not chunk:
                self.stop()
                raise Failure("Xvfb ended at start")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.display = xlib.Display(self.name)

    def crash(self):
        """Ends the server at once, as a lost display; our own connection is
        abandoned unused, since any request on it would end this process."""
        self.display.dpy = None
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        if getattr(self, "display", None):
            self.display.close()
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Viewer:
    """One run of the viewer. stdin is the pty unless stdin_eof is set, in
    which case it reads from /dev/null."""

    def __init__(self, xserver, workdir, name, stdin_eof=False):
        self.x = xserver
        self.dpy = xserver.display
        self.output = bytearray()
        self.lock = threading.Lock()
        self.master, self.slave = os.openpty()
        # Cooked terminal as a shell leaves it, but with no output
        # translation, so that the program's bytes arrive as written.
        attrs = termios.tcgetattr(self.slave)
        attrs[1] &= ~termios.OPOST
        termios.tcsetattr(self.slave, termios.TCSANOW, attrs)
        self.terminal_before = termios.tcgetattr(self.slave)
        self.exit_status = None
        self.rusage = None
        self.answered = set()

        env = dict(os.environ)
        env.update(DISPLAY=xserver.name, GDK_BACKEND="x11", NO_AT_BRIDGE="1",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8", GSETTINGS_BACKEND="memory",
                   HOME=workdir, XDG_DATA_HOME=os.path.join(workdir, ".data"),
                   XDG_CONFIG_HOME=os.path.join(workdir, ".config"),
                   XDG_CACHE_HOME=os.path.join(workdir, ".cache"))
        stdin = subprocess.DEVNULL if stdin_eof else self.slave
        self.stderr_path = os.path.join(workdir, name + ".stderr")
        self.stderr = open(self.stderr_path, "w+b")

        def become_terminal_session():
            os.setsid()
            if not stdin_eof:
                fcntl.ioctl(0, termios.TIOCSCTTY, 0)
            # A sanitized build reserves terabytes of shadow memory up front.
            if not viewer_is_sanitized():
                resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_LIMIT, ADDRESS_LIMIT))
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

        rundir = os.path.join(workdir, name)
        os.mkdir(rundir)
        self.proc = subprocess.Popen([options.viewer], stdin=stdin, stdout=self.slave,
                                     stderr=self.stderr, cwd=rundir, env=env,
                                     preexec_fn=become_terminal_session)
        self.reading = True
        self.reader = threading.Thread(target=self._read_console, daemon=True)
        self.reader.start()

    # --- console -------------------------------------------------------
    def _read_console(self):
        while self.reading:
            ready = select.select([self.master], [], [], 0.05)[0]
            if not ready:
                continue
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                return
            with self.lock:
                self.output += chunk

    def console(self):
        with self.lock:
            return bytes(self.output)

    def wait_console(self, wanted, timeout=WAIT):
        """Waits until the console output contains `wanted`; returns all of it."""
        return wait_until(lambda: "console text %r (have %r)" % (wanted, self.console()[-300:]),
                          lambda: wanted in self.console() and self.console(), timeout)

    def terminal_now(self):
        return termios.tcgetattr(self.slave)

    def wait_terminal_taken(self, timeout=WAIT):
        """Waits until the program has switched echo off, so that keys
        written from now on are not echoed into its output."""
        wait_until("the program to switch the terminal's echo off",
                   lambda: not (self.terminal_now()[3] & termios.ECHO), timeout)

    def press(self, keys):
        """Key presses in the console, as the terminal delivers them."""
        os.write(self.master, keys)

    # --- X windows -----------------------------------------------------
    def _own_windows(self):
        own = []
        for window in self.dpy.children():
            if not self.dpy.viewable(window):
                continue
            pid = self.dpy.pid_of(window)
            if pid is not None and pid != self.proc.pid:
                continue
            own.append(window)
        return own

    def find_window(self, title, timeout=WAIT, prefix=False, suffix=False):
        def probe():
            for window in self._own_windows():
                if window in self.answered:
                    continue
                name = self.dpy.title(window) or b""
                if (name == title or (prefix and name.startswith(title)) or
                        (suffix and name.endswith(title))):
                    return window
            return None
        self._check_alive()
        return wait_until("a window titled %r" % title,
                          lambda: self._check_alive() or probe(), timeout)

    def ended(self):
        """True once the process has ended; leaves it for wait_exit to reap."""
        if self.exit_status is not None:
            return True
        info = os.waitid(os.P_PID, self.proc.pid, os.WEXITED | os.WNOHANG | os.WNOWAIT)
        return info is not None and info.si_pid == self.proc.pid

    def _check_alive(self):
        if self.ended():
            raise Failure("the viewer ended while a window was awaited; console %r"
                          % self.console())
        return None

    def keys_to(self, window, *keys):
        env = dict(os.environ, DISPLAY=self.x.name)
        subprocess.run(["xdotool", "windowfocus", "--sync", str(window)], env=env,
                       check=True, timeout=WAIT)
        for key in keys:
            subprocess.run(["xdotool", "key", "--clearmodifiers", key], env=env,
                           check=True, timeout=WAIT)

    def type_to(self, window, text):
        env = dict(os.environ, DISPLAY=self.x.name)
        subprocess.run(["xdotool", "windowfocus", "--sync", str(window)], env=env,
                       check=True, timeout=WAIT)
        # A character off the keyboard map needs a key remapped for it,
        # which GTK misses when typed fast: those go one by one, slowly.
        for run in re.findall(r"[ -~]+|[^ -~]", text):
            slow = not run.isascii()
            subprocess.run(["xdotool", "type", "--delay", "120" if slow else "4", run],
                           env=env, check=True, timeout=WAIT)
            if slow:
                time.sleep(0.1)

    def wait_gone(self, window, timeout=WAIT):
        wait_until("window %#x to close" % window, lambda: not self.dpy.viewable(window),
                   timeout)

    def choose_file(self, path, attempts=3):
        """Types the path into the chooser's location entry. The program
        runs in an empty folder, so a path typed before GTK was ready to take
        it confirms nothing and the path is typed again."""
        chooser = self.find_window(CHOOSER_TITLE)
        for attempt in range(attempts):
            time.sleep(0.3)  # let the new dialog settle before typing
            if not self.dpy.viewable(chooser):
                return  # the last attempt was taken after all, slowly
            try:
                self.keys_to(chooser, "ctrl+l", "ctrl+a")
                self.type_to(chooser, path)
                self.keys_to(chooser, "Return")
            except subprocess.CalledProcessError:
                if self.dpy.viewable(chooser):
                    raise
                return
            try:
                self.wait_gone(chooser, 8)
                return
            except Failure:
                if attempt + 1 == attempts:
                    raise

    def cancel_chooser(self):
        chooser = self.find_window(CHOOSER_TITLE)
        self.keys_to(chooser, "Escape")
        self.wait_gone(chooser)

    def wait_box(self, caption, timeout=WAIT):
        """The next message box with this caption, moved clear of the image window."""
        box = self.find_window(caption, timeout)
        self.dpy.move(box, 600, 500)
        return box

    def answer(self, box, key):
        self.keys_to(box, key)
        self.wait_gone(box)
        self.answered.add(box)

    def image_window(self, path):
        return self.find_window(b"[" + path.encode() + b"]", prefix=True)

    def title(self, window):
        return self.dpy.title(window)

    def wait_title(self, window, wanted, timeout=WAIT):
        return wait_until(lambda: "title %r (have %r)" % (wanted, self.dpy.title(window)),
                          lambda: self.dpy.title(window) == wanted, timeout)

    def wait_pixels(self, window, width, height, wanted, timeout=WAIT):
        """Waits until the window shows `wanted`; on timeout says how it differs."""
        deadline = time.monotonic() + timeout
        while True:
            shown = self.dpy.pixels_bgr(window, width, height)
            if shown == wanted:
                return
            if time.monotonic() > deadline:
                raise Failure("window pixels differ from the frame: " +
                              describe_difference(shown, wanted, width))
            time.sleep(0.05)

    # --- the end -------------------------------------------------------
    def wait_exit(self, timeout=WAIT):
        """Waits for the process to end; returns its exit code (negative:
        the signal that ended it). Keeps the peak memory in self.rusage."""
        deadline = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(self.proc.pid, os.WNOHANG)
            if pid == self.proc.pid:
                self.proc.returncode = os.waitstatus_to_exitcode(status)
                self.exit_status = self.proc.returncode
                self.rusage = usage
                time.sleep(0.1)  # let the reader drain the last bytes
                return self.exit_status
            if time.monotonic() > deadline:
                raise Failure("the viewer did not end; console %r" % self.console()[-300:])
            time.sleep(0.02)

    def peak_memory(self):
        return self.rusage.ru_maxrss * 1024

    def close(self):
        if self.exit_status is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        else:
            self.proc.returncode = self.exit_status
        self.reading = False
        self.reader.join()
        for fd in (self.master, self.slave):
            os.close(fd)
        self.stderr.close()


def describe_difference(shown, wanted, width):
    if shown is None:
        return "window could not be read"
    if len(shown) != len(wanted):
        return "%d bytes shown, %d expected" % (len(shown), len(wanted))
    wrong = [i for i in range(0, len(wanted), 3) if shown[i:i + 3] != wanted[i:i + 3]]
    first = wrong[0] // 3
    return ("%d of %d pixels differ, first at (%d, %d): shown %s, expected %s"
            % (len(wrong), len(wanted) // 3, first % width, first // width,
               shown[wrong[0]:wrong[0] + 3].hex(), wanted[wrong[0]:wrong[0] + 3].hex()))


class ViewerTest(unittest.TestCase):
    """Gives each test a private X server and a scratch folder, and always
    cleans up the viewer runs it started."""

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="e2e-")
        self.addCleanup(shutil.rmtree, self.workdir, True)
        self.xserver = XServer()
        self.addCleanup(self.xserver.stop)
        self.runs = []

    def start(self, stdin_eof=False):
        run = Viewer(self.xserver, self.workdir, "run%d" % len(self.runs), stdin_eof)
        self.runs.append(run)
        self.addCleanup(self._finish, run)
        return run

    def _finish(self, run):
        run.close()
        with open(run.stderr_path, "rb") as errors:
            text = errors.read().strip()
        if text:
            sys.stderr.write("viewer stderr: %s\n" % text[-2000:].decode(errors="replace"))

    def path(self, name):
        return os.path.join(self.workdir, name)

    def open_file(self, run, path, info):
        """Picks the file; checks the information line and the instructions,
        byte for byte, and that the program has taken the terminal."""
        run.choose_file(path)
        expected = (b"vi_Rate %7d : vi_Scale %6d : vi_Length %d \n" % info[:3]) + HOWTO
        self.assertEqual(run.wait_console(HOWTO), expected)
        run.wait_terminal_taken()
        return expected

    def end_at_prompt(self, run, console):
        """At the closing prompt: nothing but the prompt after `console`, no
        line end, the program waiting; a key ends it with status 0 and the
        terminal as it was."""
        self.assertEqual(run.wait_console(PROMPT), console + PROMPT)
        time.sleep(0.3)
        self.assertFalse(run.ended(), "the program did not wait at the closing prompt")
        run.press(b"q")
        self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(run.console(), console + PROMPT)
        self.assertEqual(run.terminal_now(), run.terminal_before)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--ffmpeg", default="ffmpeg")
    known, rest = parser.parse_known_args()
    options.viewer, options.ffmpeg = known.viewer, known.ffmpeg
    if not os.environ.get("DISPLAY"):
        print("no X display (DISPLAY is not set): skipped")
        sys.exit(SKIP)
    if not os.path.exists(options.viewer):
        print("viewer binary %s not built" % options.viewer)
        sys.exit(1)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
