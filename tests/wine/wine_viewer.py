"""Runs the Windows viewer under Wine and looks at what it shows.

The console is a pty for the keys, standard output a pipe so its bytes
arrive untouched. The Wine windows are found and read on the X display the
test runner provides. Every wait has a timeout. A Wine that cannot run the
program on this machine makes the tests skip (exit status SKIP).
"""

import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
READY = "ready"
# Wine turns the program's code page 932 texts into the X window titles; a
# Japanese locale makes 932 its ANSI code page.
LOCALE = "ja_JP.UTF-8"


def skip(reason):
    print(f"SKIP: {reason}")
    sys.exit(SKIP)


def wine_env(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", LANG=LOCALE, LC_ALL=LOCALE)
    return env


def wineserver(wine):
    if os.path.basename(wine).startswith("wine64") and os.path.exists("/usr/lib/wine/wineserver64"):
        return "/usr/lib/wine/wineserver64"
    return shutil.which("wineserver") or "wineserver"


def stop_wineserver(wine, prefix):
    subprocess.run([wineserver(wine), "-k"], env=wine_env(prefix), capture_output=True, timeout=30)


# --- the prefix, made once per test run ------------------------------------

def prepare_template(template, wine, values_exe):
    """Makes a fresh Wine prefix and notes whether Wine can run the build's
    programs here, with the values probe's output for the tests to read.
    Returns False when Wine runs here but the set-up failed."""
    shutil.rmtree(template, ignore_errors=True)
    os.makedirs(template)

    def note(text, usable_platform=True):
        with open(os.path.join(template, "state"), "w") as f:
            f.write(text)
        return usable_platform

    if shutil.which(wine) is None:
        return note(f"no {wine} on this machine")
    if not os.path.exists(values_exe):
        return note(f"{values_exe} is not built")
    env = wine_env(template)
    try:
        subprocess.run([wine, "wineboot", "-i"], env=env, capture_output=True, timeout=300)
        # The set-up goes on after wineboot returns; it is done when the
        # prefix's processes have all ended.
        subprocess.run([wineserver(wine), "-w"], env=env, capture_output=True, timeout=300)
        probe = subprocess.run([wine, values_exe], env=env, capture_output=True, timeout=120)
        shell = b""
        if b"sizeof_WNDCLASSEXA" not in probe.stdout:
            shell = subprocess.run([wine, "cmd", "/c", "echo", "wine runs"], env=env,
                                   capture_output=True, timeout=120).stdout
    except subprocess.TimeoutExpired:
        return note("Wine did not finish in time", False)
    finally:
        stop_wineserver(wine, template)
    if b"sizeof_WNDCLASSEXA" not in probe.stdout:
        if b"wine runs" in shell:
            return note(f"Wine runs, but {values_exe} printed nothing", False)
        reason = probe.stderr.decode("utf-8", "replace").strip().splitlines()
        return note("Wine cannot run Windows programs here: " + (reason[-1] if reason else "no output"))
    if not os.path.exists(os.path.join(template, ".update-timestamp")):
        return note("wineboot did not finish the Wine prefix", False)
    with open(os.path.join(template, "values.txt"), "wb") as f:
        f.write(probe.stdout)
    return note(READY)


def template_state(template):
    try:
        with open(os.path.join(template, "state")) as f:
            return f.read()
    except OSError:
        return "the Wine prefix was not prepared"


def probe_values(template):
    """The values probe's "name value" lines as a dict of strings."""
    with open(os.path.join(template, "values.txt"), "rb") as f:
        lines = f.read().decode("ascii").splitlines()
    return dict(line.split(" ", 1) for line in lines if " " in line)


def _link_or_copy(source, target):
    # The registry files are rewritten by Wine; everything else is only read.
    if source.endswith(".reg"):
        shutil.copy2(source, target)
    else:
        os.link(source, target)


def copy_prefix(template, into):
    """A prefix of this test's own, cheap: hard links to the template."""
    state = template_state(template)
    if state != READY:
        skip(state)
    prefix = os.path.join(into, "prefix")
    shutil.copytree(template, prefix, symlinks=True, copy_function=_link_or_copy)
    return prefix


# --- X ----------------------------------------------------------------------

def xdotool(*args, timeout=20):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True,
                          timeout=timeout).stdout


def find_window(name_regex, timeout=30.0):
    """The first visible window whose title matches (ASCII regex), or None."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = xdotool("search", "--onlyvisible", "--name", name_regex).split()
        if found:
            return found[0]
        time.sleep(0.2)
    return None


def find_titled(title, timeout=30.0):
    """The first visible window titled exactly `title`, or None. Titles are
    compared here, as text, since the X tools' patterns see only bytes."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for wid in xdotool("search", "--onlyvisible", "--name", ".").split():
            if window_title(wid) == title:
                return wid
        time.sleep(0.2)
    return None


def window_title(wid):
    out = subprocess.run(["xprop", "-id", wid, "-notype", "_NET_WM_NAME"],
                         capture_output=True, timeout=20).stdout
    m = re.search(rb'= "(.*)"', out)
    if not m:
        return None
    # xprop escapes non-ASCII bytes octally and quotes and backslashes.
    raw = re.sub(rb"\\([0-7]{3})", lambda o: bytes([int(o.group(1), 8)]), m.group(1))
    raw = re.sub(rb"\\(.)", rb"\1", raw)
    return raw.decode("utf-8", "replace")


def visible_titles():
    """Every visible window's title, for the failure messages."""
    return [window_title(w) for w in xdotool("search", "--onlyvisible", "--name", ".").split()]


def is_viewable(wid):
    out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True,
                         timeout=20).stdout
    return "IsViewable" in out


def wait_gone(wid, timeout=20.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and is_viewable(wid):
        time.sleep(0.1)


def geometry(wid):
    """(left, top, width, height) of the X window, in screen pixels."""
    out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True,
                         timeout=20).stdout
    field = lambda name: int(re.search(name + r":\s+(-?\d+)", out).group(1))
    return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
            field("Width"), field("Height"))


def capture(wid, width, height):
    """The window's top-left width x height pixels, top-down RGB."""
    _, _, w, h = geometry(wid)
    if w < width or h < height:
        return None
    raw = subprocess.run(["import", "-window", wid, "-depth", "8", "rgb:-"],
                         capture_output=True, timeout=30).stdout
    if len(raw) != w * h * 3:
        return None
    return b"".join(raw[y * w * 3:y * w * 3 + width * 3] for y in range(height))


def screenshot(path):
    """The whole screen, for looking at a failure afterwards."""
    subprocess.run(["import", "-window", "root", path], capture_output=True, timeout=60)
    print("screen saved as", path)


def press(wid, *keys):
    xdotool("windowfocus", "--sync", wid)
    xdotool("key", "--delay", "50", *keys)


def type_text(wid, text):
    xdotool("windowfocus", "--sync", wid)
    xdotool("type", "--delay", "30", text)


# --- the program ---------------------------------------------------------------

class Viewer:
    """One run of the program: its process, console pty and stdout pipe.
    Wine's own messages go to a file: on the console pty they can keep the
    program from getting as far as its dialog."""

    def __init__(self, wine, exe, prefix, cwd):
        self.wine, self.prefix = wine, prefix
        self.master, slave = pty.openpty()
        out_read, out_write = os.pipe()
        self.wine_log = os.path.join(cwd, "wine.log")
        with open(self.wine_log, "wb") as log:
            self.proc = subprocess.Popen([wine, exe], stdin=slave, stdout=out_write, stderr=log,
                                         cwd=cwd, env=wine_env(prefix), start_new_session=True)
        os.close(slave)
        os.close(out_write)
        self.out_fd = out_read
        self.stdout = b""
        self.console = b""

    def _pump(self, wait):
        fds = [fd for fd in (self.out_fd, self.master) if fd is not None]
        ready, _, _ = select.select(fds, [], [], wait)
        for fd in ready:
            try:
                data = os.read(fd, 65536)
            except OSError:  # the pty reports EIO once every holder has gone
                data = b""
            if fd == self.master and not data:
                continue
            if fd == self.out_fd:
                if not data:
                    os.close(self.out_fd)
                    self.out_fd = None
                self.stdout += data
            else:
                self.console += data

    def wait_stdout(self, ending, timeout=30.0):
        """Reads standard output until it ends with `ending`; True if it did."""
        deadline = time.monotonic() + timeout
        while not self.stdout.endswith(ending) and time.monotonic() < deadline:
            if self.out_fd is None:
                return False
            self._pump(0.2)
        return self.stdout.endswith(ending)

    def key(self, data):
        os.write(self.master, data)

    def wait_exit(self, timeout=30.0):
        """The exit status, or None if the program is still running. Output
        still in the pipe is read; Wine's helpers may hold it open longer."""
        deadline = time.monotonic() + timeout
        while self.proc.poll() is None and time.monotonic() < deadline:
            if self.out_fd is not None:
                self._pump(0.2)
            else:
                time.sleep(0.2)
        drain_until = time.monotonic() + 1.0
        while self.out_fd is not None and time.monotonic() < drain_until:
            self._pump(0.1)
        return self.proc.poll()

    def close(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(timeout=10)
        stop_wineserver(self.wine, self.prefix)
        for fd in (self.out_fd, self.master):
            if fd is not None:
                os.close(fd)
        self.out_fd = self.master = None

    def wine_messages(self):
        with open(self.wine_log, "rb") as f:
            return f.read().decode("utf-8", "replace")


def windows_path(unix_path):
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def scratch_dir():
    # Short, so that the path fits in the window title uncut.
    return tempfile.mkdtemp(prefix="wv", dir="/tmp")


if __name__ == "__main__":
    # wine_viewer.py TEMPLATE_PREFIX WINE VALUES_EXE: the once-per-run set-up.
    fine = prepare_template(*sys.argv[1:4])
    print("Wine prefix:", template_state(sys.argv[1]))
    sys.exit(0 if fine else 1)
