"""The viewer's main flows, end to end: cancelling the chooser, a stepping
walk with its window checked frame by frame, and continuous display with
its interrupt box."""

import os

import harness
import media
from harness import CANCEL, INTERRUPT_CAPTION, NO, OPEN_ERROR, STEP_CAPTION, YES

# Odd width: every row of the frame buffer is padded.
WIDTH, HEIGHT, FRAMES = 97, 33, 6
END = None          # the answer ends the frame loop
RUN_OUT = "run out"  # continuous display to the last frame

# Stepping walks: (answer, frame shown next). No on frame 0 shows frame 0 again.
WALKS = {
    "yes and no": [(NO, 0), (YES, 1), (YES, 2), (NO, 1), (YES, 2), (YES, 3), (YES, 4),
                   (YES, 5), (YES, END)],
    "cancel on the last frame": [(YES, 1), (YES, 2), (YES, 3), (YES, 4), (YES, 5),
                                 (CANCEL, END)],
    "cancel switches to continuous": [(YES, 1), (CANCEL, RUN_OUT)],
}


class Flows(harness.ViewerTest):
    def make_file(self, frames=FRAMES):
        path = media.ffmpeg_avi(self.path("walk.avi"), WIDTH, HEIGHT, frames, bottom_up=True)
        return path, media.stream_info(path), media.decoded_frames(path, WIDTH, HEIGHT)

    def check_frame(self, run, window, path, n, total, frames):
        run.wait_title(window, b"[%s] frame %d/%d " % (path.encode(), n, total))
        run.wait_pixels(window, WIDTH, HEIGHT, frames[n])

    def test_cancel_gives_the_open_error(self):
        run = self.start()
        run.cancel_chooser()
        self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(run.console(), OPEN_ERROR)
        self.assertEqual(run.terminal_now(), run.terminal_before)

    def test_stepping_walks(self):
        path, info, frames = self.make_file()
        self.assertEqual(len(frames), FRAMES)
        for name, walk in WALKS.items():
            with self.subTest(walk=name):
                run = self.start()
                console = self.open_file(run, path, info)
                run.press(b"s")
                window = run.image_window(path)
                self.assertEqual(run.dpy.geometry(window), (100, 100, WIDTH, HEIGHT))
                shown = 0
                for answer, following in walk:
                    box = run.wait_box(STEP_CAPTION)
                    self.check_frame(run, window, path, shown, FRAMES, frames)
                    run.answer(box, answer)
                    if following is END:
                        break
                    if following == RUN_OUT:
                        shown = FRAMES - 1
                        break
                    shown = following
                self.assertEqual(run.wait_console(harness.PROMPT), console + harness.PROMPT)
                self.check_frame(run, window, path, shown, FRAMES, frames)
                self.end_at_prompt(run, console)

    def test_long_path_title_fits(self):
        # Paths up to the chooser's 255 bytes, with three-byte characters: the
        # title is cut to fit its 100-byte buffer, never inside a character.
        # Three lengths, so that some cut lands on each byte of a character.
        for total in (253, 254, 255):
            with self.subTest(path_bytes=total):
                folder = os.path.join(self.workdir, str(total))
                while len(os.path.join(folder, "clip.avi").encode()) < 200:
                    folder = os.path.join(folder, "動画フォルダ" + "x" * 30)
                folder += "y" * (total - len(os.path.join(folder, "clip.avi").encode()))
                os.makedirs(folder)
                path = os.path.join(folder, "clip.avi")
                self.assertEqual(len(path.encode()), total)
                media.ffmpeg_avi(path, WIDTH, HEIGHT, 2)
                run = self.start()
                console = self.open_file(run, path, media.stream_info(path))
                run.press(b"s")
                window = run.find_window(b"] frame 0/2 ", suffix=True)
                title = run.title(window)
                self.assertLessEqual(len(title), 99)
                title.decode("utf-8")  # whole characters only
                run.answer(run.wait_box(STEP_CAPTION), CANCEL)
                self.end_at_prompt(run, console)

    def test_continuous_with_interrupts(self):
        # A key typed with the mode key stays pending and interrupts after
        # frame 0; each row then answers the interrupt box.
        length = 30
        path, info, frames = self.make_file(length)
        # An arrow key gives two codes: the first is the mode key, the
        # second stays pending and interrupts.
        rows = {"yes ends at once": (b"xk", YES), "no goes on to the end": (b"xk", NO),
                "cancel switches to stepping": (b"xk", CANCEL),
                "an arrow as the mode key": (b"\x1b[A", YES)}
        for name, (keys, answer) in rows.items():
            with self.subTest(row=name):
                run = self.start()
                console = self.open_file(run, path, info)
                run.press(keys)
                window = run.image_window(path)
                box = run.wait_box(INTERRUPT_CAPTION)
                self.check_frame(run, window, path, 0, length, frames)
                run.answer(box, answer)
                last = 0
                if answer == NO:
                    last = length - 1
                elif answer == CANCEL:
                    # Stepping from frame 1; a key pressed while the box is up
                    # stays pending and interrupts once continuous again.
                    box = run.wait_box(STEP_CAPTION)
                    self.check_frame(run, window, path, 1, length, frames)
                    run.press(b"k")
                    run.answer(box, CANCEL)
                    box = run.wait_box(INTERRUPT_CAPTION)
                    self.check_frame(run, window, path, 2, length, frames)
                    run.answer(box, YES)
                    last = 2
                self.assertEqual(run.wait_console(harness.PROMPT), console + harness.PROMPT)
                self.check_frame(run, window, path, last, length, frames)
                self.end_at_prompt(run, console)


if __name__ == "__main__":
    harness.main()
