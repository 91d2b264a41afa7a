"""Every uncompressed pixel layout, and one lossless compressed one, end to
end: the window shows exactly the frames the file holds."""

import re

import harness
import media
from harness import STEP_CAPTION, YES

WIDTH, HEIGHT, FRAMES = 97, 33, 3


def ffmpeg_layout(pix_fmt, bottom_up=False, codec="rawvideo"):
    def make(test, path):
        media.ffmpeg_avi(path, WIDTH, HEIGHT, FRAMES, pix_fmt, bottom_up, codec=codec)
        return media.decoded_frames(path, WIDTH, HEIGHT)
    return make


def rgb565_layout(test, path):
    # ffmpeg cannot write 5-6-5 into AVI: its frames, quantised, go through
    # our own writer with the bit-field masks.
    source = test.path("source.avi")
    media.ffmpeg_avi(source, WIDTH, HEIGHT, FRAMES)
    stored, expected = media.rgb565_frames(media.decoded_frames(source, WIDTH, HEIGHT),
                                           WIDTH, HEIGHT)
    with open(path, "wb") as f:
        f.write(media.riff_avi(WIDTH, HEIGHT, stored, 16, compression=3,
                               extra=media.RGB565_MASKS))
    return expected


LAYOUTS = {
    "24-bit bottom-up": ffmpeg_layout("bgr24", bottom_up=True),
    "24-bit top-down": ffmpeg_layout("bgr24"),
    "8-bit palette": ffmpeg_layout("pal8"),
    "16-bit 5-5-5": ffmpeg_layout("rgb555le"),
    "16-bit 5-6-5 bit fields": rgb565_layout,
    "32-bit": ffmpeg_layout("bgra"),
    "PNG frames (compressed, lossless)": ffmpeg_layout("bgr24", codec="png"),
}


class Layouts(harness.ViewerTest):
    def test_each_layout_shows_its_frames(self):
        for name, make in LAYOUTS.items():
            with self.subTest(layout=name):
                path = self.path(re.sub(r"[^A-Za-z0-9]+", "_", name) + ".avi")
                frames = make(self, path)
                self.assertEqual(len(frames), FRAMES)
                run = self.start()
                console = self.open_file(run, path, media.stream_info(path))
                run.press(b"s")
                window = run.image_window(path)
                for n in range(FRAMES):
                    box = run.wait_box(STEP_CAPTION)
                    run.wait_title(window, b"[%s] frame %d/%d " % (path.encode(), n, FRAMES))
                    run.wait_pixels(window, WIDTH, HEIGHT, frames[n])
                    run.answer(box, YES)
                self.end_at_prompt(run, console)


if __name__ == "__main__":
    harness.main()
