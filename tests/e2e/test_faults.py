"""Faults during a run, end to end: the file cut short or removed while it
is viewed, the program signalled or its display lost while a box is up, and
standard input at its end."""

import os
import re
import signal

import harness
import media
from harness import CANCEL, HOWTO, PROMPT, STEP_CAPTION, YES

WIDTH, HEIGHT, FRAMES = 32, 24, 5
FRAME_BYTES = WIDTH * 3 * HEIGHT
REPORT_LINE = re.compile(rb"[ -~]*\b\d+\b[ -~]*\n")   # one printable line naming a frame
CRASH_SIGNALS = {signal.SIGSEGV, signal.SIGABRT, signal.SIGBUS, signal.SIGFPE, signal.SIGILL}


def truncate_after(frames):
    def change(path, at):
        os.truncate(path, at.first_frame + frames * (8 + FRAME_BYTES))
    return change


def remove(path, at):
    os.unlink(path)


# What happens to the file while frame 1 is shown, and whether frame 2 can
# still be read afterwards.
FILE_FAULTS = {
    "truncated after frame 1": (truncate_after(2), False),
    "truncated to nothing": (lambda path, at: os.truncate(path, 0), False),
    "removed": (remove, True),   # the open file stays readable
}


class Faults(harness.ViewerTest):
    def make_file(self):
        path = media.ffmpeg_avi(self.path("viewed.avi"), WIDTH, HEIGHT, FRAMES, bottom_up=True)
        with open(path, "rb") as f:
            layout = media.Layout(f.read())
        return path, media.stream_info(path), media.decoded_frames(path, WIDTH, HEIGHT), layout

    def step_to(self, run, window, path, n, frames):
        box = run.wait_box(STEP_CAPTION)
        run.wait_title(window, b"[%s] frame %d/%d " % (path.encode(), n, FRAMES))
        if frames is not None:
            run.wait_pixels(window, WIDTH, HEIGHT, frames)
        return box

    def test_file_changed_while_viewed(self):
        for name, (change, readable) in FILE_FAULTS.items():
            with self.subTest(fault=name):
                path, info, frames, layout = self.make_file()
                run = self.start()
                console = self.open_file(run, path, info)
                run.press(b"s")
                window = run.image_window(path)
                run.answer(self.step_to(run, window, path, 0, frames[0]), YES)
                box = self.step_to(run, window, path, 1, frames[1])
                change(path, layout)
                run.answer(box, YES)
                # Frame 2 either shows, or fails in one line and the window
                # keeps frame 1; the box comes up either way.
                box = self.step_to(run, window, path, 2, frames[2 if readable else 1])
                run.answer(box, CANCEL)
                shown = run.wait_console(PROMPT)
                reports = shown[len(console):-len(PROMPT)]
                if readable:
                    self.assertEqual(reports, b"")
                else:
                    # One line for each frame that could not be read, naming it.
                    lines = reports.splitlines(keepends=True)
                    for line in lines:
                        self.assertRegex(line, REPORT_LINE)
                    named = [int(re.search(rb"\d+", line).group()) for line in lines]
                    self.assertEqual(named, list(range(2, FRAMES)), reports)
                run.press(b"q")
                self.assertEqual(run.wait_exit(), 0)
                self.assertEqual(run.terminal_now(), run.terminal_before)

    def test_ended_from_outside_while_a_box_is_up(self):
        path, info, frames, layout = self.make_file()
        ways = {
            "Ctrl+C": lambda run: run.press(b"\x03"),
            "SIGINT": lambda run: os.kill(run.proc.pid, signal.SIGINT),
            "SIGTERM": lambda run: os.kill(run.proc.pid, signal.SIGTERM),
            "SIGHUP": lambda run: os.kill(run.proc.pid, signal.SIGHUP),
        }
        for name, end in ways.items():
            with self.subTest(way=name):
                run = self.start()
                self.open_file(run, path, info)
                run.press(b"s")
                window = run.image_window(path)
                self.step_to(run, window, path, 0, frames[0])
                end(run)
                status = run.wait_exit()
                self.assertNotIn(-status, CRASH_SIGNALS, "ended by signal %d" % -status)
                self.assertEqual(run.terminal_now(), run.terminal_before)
                harness.wait_until("the image window to close",
                                   lambda: not run.dpy.viewable(window))

    def test_display_lost_while_a_box_is_up(self):
        path, info, frames, layout = self.make_file()
        run = self.start()
        console = self.open_file(run, path, info)
        run.press(b"s")
        window = run.image_window(path)
        self.step_to(run, window, path, 0, frames[0])
        self.xserver.crash()
        status = run.wait_exit()
        self.assertNotIn(-status, CRASH_SIGNALS, "ended by signal %d" % -status)
        self.assertEqual(run.terminal_now(), run.terminal_before)
        # One clear line, on the console or on standard error; nothing else
        # on the console.
        said = run.console()[len(console):]
        self.assertRegex(said, rb"^([ -~]+\n)?$")
        with open(run.stderr_path, "rb") as errors:
            self.assertRegex(said + errors.read(), rb"[ -~]+\n", "no word on the lost display")

    def test_input_at_its_end(self):
        # Every key read gets end of input at once: continuous display to
        # the last frame, then the closing prompt ends without waiting.
        path, info, frames, layout = self.make_file()
        run = self.start(stdin_eof=True)
        run.choose_file(path)
        self.assertEqual(run.wait_exit(), 0)
        expected = (b"vi_Rate %7d : vi_Scale %6d : vi_Length %d \n" % info[:3]) + HOWTO + PROMPT
        self.assertEqual(run.console(), expected)
        self.assertEqual(run.terminal_now(), run.terminal_before)


if __name__ == "__main__":
    harness.main()
