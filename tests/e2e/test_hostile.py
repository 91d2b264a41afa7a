"""Hostile files through the real binary. Each run must end normally: the
open error, or the information line and clear one-line reports on
the way, answered by the usual flow; exit status 0, no signal, bounded time
and memory."""

import os
import random
import re
import struct
import subprocess
import tempfile

import harness
import media
from harness import HOWTO, INTERRUPT_CAPTION, OPEN_ERROR, PROMPT, YES

WIDTH, HEIGHT, FRAMES = 32, 24, 4
FRAME_BYTES = WIDTH * 3 * HEIGHT
MEMORY_ROOM = 256 << 20     # beyond one frame
RUN_WAIT = 8.0              # then a run still going is interrupted

INFO_LINE = re.compile(rb"vi_Rate +-?\d+ : vi_Scale +-?\d+ : vi_Length -?\d+ \n")
REPORT_LINE = re.compile(rb"[ -~]+\n")   # one printable line


def noise(size, seed=1):
    return random.Random(seed).randbytes(size)


def with_u32(offset_of, value):
    return lambda good, at: media.patched(good, offset_of(at), "<I", value)


def with_i32(offset_of, value):
    return lambda good, at: media.patched(good, offset_of(at), "<i", value)


def with_u16(offset_of, value):
    return lambda good, at: media.patched(good, offset_of(at), "<H", value)


def cut(where):
    return lambda good, at: good[:where(at)]


def both(first, second):
    return lambda good, at: second(first(good, at), at)


def chunk_tags_renamed(old, new):
    return lambda good, at: good[:at.movi] + good[at.movi:].replace(old, new)


def super_index(entries_in_use, entries):
    """The reserved JUNK in strl turned into an 'indx' super index."""
    def make(good, at):
        junk = media.chunk_offsets(good, b"JUNK")[0]
        size = struct.unpack_from("<I", good, junk + 4)[0]
        body = struct.pack("<HBBI4s12x", 4, 0, 0, entries_in_use, b"00dc")
        for offset, length in entries(junk, size):
            body += struct.pack("<QII", offset, length, 1)
        body = body[:size].ljust(size, b"\0")
        return good[:junk] + b"indx" + struct.pack("<I", size) + body + good[junk + 8 + size:]
    return make


def many_zero_chunks(count, indexed):
    """Frames of zero bytes (dropped frames), or JUNK before one real frame."""
    def make(good, at):
        frame = bytes(FRAME_BYTES)
        if indexed:
            return media.riff_avi(WIDTH, HEIGHT, [b""] * count, 24)
        # Without idx1, so that the frames are found by scanning.
        avi = bytearray(media.riff_avi(WIDTH, HEIGHT, [frame], 24)[:-(8 + 16)])
        movi = media.chunk_offsets(bytes(avi), b"movi")[0]
        junk = b"JUNK\0\0\0\0" * count
        avi[movi + 12:movi + 12] = junk
        struct.pack_into("<I", avi, movi + 4, len(avi) - movi - 8)
        struct.pack_into("<I", avi, 4, len(avi) - 8)
        return bytes(avi)
    return make


def from_ffmpeg(suffix, *args):
    """What ffmpeg writes for these arguments, into a file of that suffix."""
    def make(good, at):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "out" + suffix)
            subprocess.run([harness.options.ffmpeg, "-y", "-loglevel", "error"] + list(args) +
                           [path], check=True, timeout=60)
            with open(path, "rb") as f:
                return f.read()
    return make


def run_length_frames(payload):
    """An 8-bit run-length stream whose frames all hold `payload`."""
    palette = bytes(range(256)) * 4
    return lambda good, at: media.riff_avi(WIDTH, HEIGHT, [payload] * 2, 8, compression=1,
                                           extra=palette)


def palette_file(change):
    """A palettized file from ffmpeg, then `change`d."""
    def make(good, at):
        pal8 = from_ffmpeg(".avi", "-f", "lavfi", "-i", "testsrc=size=%dx%d" % (WIDTH, HEIGHT),
                           "-frames:v", "2", "-c:v", "rawvideo", "-pix_fmt", "pal8")(good, at)
        return change(pal8, media.Layout(pal8))
    return make


FOREIGN = {
    "empty": lambda good, at: b"",
    "random bytes": lambda good, at: noise(5000),
    "RIFF AVI header then random bytes": lambda good, at: b"RIFF" + struct.pack("<I", 5004) +
    b"AVI " + noise(5000, 2),
    "text": lambda good, at: b"this is not a video, just a line of text\n" * 40,
    "PNG": from_ffmpeg(".png", "-f", "lavfi", "-i", "testsrc=size=32x24", "-frames:v", "1"),
    "WAV": from_ffmpeg(".wav", "-f", "lavfi", "-i", "sine=duration=0.2"),
    "audio-only AVI": from_ffmpeg(".avi", "-f", "lavfi", "-i", "sine=duration=0.2", "-c:a", "pcm_s16le"),
}

HEADERS = {
    "strf shorter than a header": with_u32(lambda at: at.strf - 4, 20),
    "biBitCount 0": with_u16(lambda at: at.bit_count(), 0),
    "biBitCount 7": with_u16(lambda at: at.bit_count(), 7),
    "dwRate 0": with_u32(lambda at: at.rate(), 0),
    "dwScale 0": with_u32(lambda at: at.scale(), 0),
    "dwLength 0": with_u32(lambda at: at.length(), 0),
    "dwLength 0xFFFFFFFF": with_u32(lambda at: at.length(), 0xFFFFFFFF),
    "width 0": with_i32(lambda at: at.width(), 0),
    "width negative": with_i32(lambda at: at.width(), -WIDTH),
    "height 0": with_i32(lambda at: at.height(), 0),
    "width x height x bits past 32 bits": both(with_i32(lambda at: at.width(), 0x10000),
                                               with_i32(lambda at: at.height(), 0x10000)),
    "strh frame rectangle empty, huge strf": both(
        with_u32(lambda at: at.strh + 48, 0), both(
            with_u32(lambda at: at.strh + 52, 0),
            both(with_i32(lambda at: at.width(), 0x7FFFFFFF),
                 with_i32(lambda at: at.height(), 0x7FFFFFFF)))),
    "biClrUsed huge": with_u32(lambda at: at.strf + 32, 0xFFFFFFF0),
    "palette larger than strf": palette_file(with_u32(lambda at: at.strf - 4, 40 + 16)),
    "palette biClrUsed huge": palette_file(with_u32(lambda at: at.strf + 32, 0x01000000)),
    "palette biClrUsed 257": palette_file(with_u32(lambda at: at.strf + 32, 257)),
}

CHUNKS_AND_LISTS = {
    "truncated in hdrl": cut(lambda at: at.hdrl + 60),
    "truncated in strf": cut(lambda at: at.strf + 20),
    "truncated in movi": cut(lambda at: at.first_frame + FRAME_BYTES * 3 // 2),
    "truncated in idx1": cut(lambda at: at.idx1 + 8 + 20),
    "RIFF size 0xFFFFFFFF": with_u32(lambda at: 4, 0xFFFFFFFF),
    "movi size 0xFFFFFFFF": with_u32(lambda at: at.movi + 4, 0xFFFFFFFF),
    "strf size 0xFFFFFFFF": with_u32(lambda at: at.strf - 4, 0xFFFFFFFF),
    "frame chunk size 0xFFFFFFFF": with_u32(lambda at: at.first_frame + 4, 0xFFFFFFFF),
    "hdrl LIST too short for its contents": with_u32(lambda at: at.hdrl + 4, 4),
    "hdrl LIST wrapping 32 bits": with_u32(lambda at: at.hdrl + 4, 0xFFFFFFF8),
    "strl LIST running past hdrl": with_u32(lambda at: media.chunk_offsets(at.data, b"strl")[0] + 4,
                                            0x00100000),
}

INDEXES_AND_FRAMES = {
    "idx1 offset past the end": with_u32(lambda at: at.idx1 + 8 + 8, 0x7FFFFFF0),
    "idx1 size larger than the frame": with_u32(lambda at: at.idx1 + 8 + 12, 0x7FFFFFF0),
    "frame chunk smaller than a frame": with_u32(lambda at: at.idx1 + 8 + 12, 10),
    "stream number beyond the streams": chunk_tags_renamed(b"00dc", b"09dc"),
    "super index count past its chunk": super_index(0xFFFFFFFF, lambda junk, size: []),
    "super index pointing at itself": super_index(
        1, lambda junk, size: [(junk, size + 8)]),
    "run-length runs past the frame": run_length_frames(b"\xff\x01" * 4000 + b"\x00\x01"),
    "run-length deltas past the frame": run_length_frames(b"\x00\x02\xff\xff" * 50 +
                                                          b"\x04\x01\x00\x01"),
    "run-length literal past the chunk": run_length_frames(b"\x00\xff" + b"\x01" * 10),
    "run-length without an end": run_length_frames(b"\x02\x01" * 3),
    "zero-size chunks by the hundred thousand": many_zero_chunks(200000, indexed=False),
    "zero-size frames by the hundred thousand": many_zero_chunks(200000, indexed=True),
}


class Hostile(harness.ViewerTest):
    def good_file(self):
        path = media.ffmpeg_avi(self.path("good.avi"), WIDTH, HEIGHT, FRAMES, bottom_up=True)
        with open(path, "rb") as f:
            return f.read()

    def run_hostile(self, name, make, good):
        path = self.path(re.sub(r"[^A-Za-z0-9]+", "_", name) + ".avi")
        with open(path, "wb") as f:
            f.write(make(good, media.Layout(good)))
        run = self.start()
        run.choose_file(path)
        harness.wait_until("the open error or the instructions",
                           lambda: run.ended() or OPEN_ERROR in run.console() or
                           HOWTO in run.console())
        if HOWTO in run.console():
            run.wait_terminal_taken()
            run.press(b"x")
            try:
                run.wait_console(PROMPT, RUN_WAIT)
            except harness.Failure:
                run.press(b"k")
                run.answer(run.wait_box(INTERRUPT_CAPTION), YES)
                run.wait_console(PROMPT)
            run.press(b"q")
        status = run.wait_exit()
        print("  %-42s status %s, peak %5.1f MiB, ends %r" % (
            name, status, run.peak_memory() / (1 << 20), run.console()[-40:]))
        self.assertEqual(status, 0)
        self.check_console(run.console())
        if not harness.viewer_is_sanitized():
            self.assertLess(run.peak_memory(), MEMORY_ROOM + FRAME_BYTES)
        self.assertEqual(run.terminal_now(), run.terminal_before)

    def check_console(self, console):
        if console == OPEN_ERROR:
            return
        info = INFO_LINE.match(console)
        self.assertIsNotNone(info, console[:200])
        rest = console[info.end():]
        if HOWTO in rest:
            before, after = rest.split(HOWTO, 1)
            self.assertEqual(before, b"")
            self.assertTrue(after.endswith(PROMPT), after[-200:])
            rest = after[:-len(PROMPT)]
        # Whatever remains: whole printable lines, each a report.
        for line in rest.splitlines(keepends=True):
            self.assertRegex(line, REPORT_LINE)

    def run_table(self, table):
        good = self.good_file()
        for name, make in table.items():
            with self.subTest(file=name):
                self.run_hostile(name, make, good)

    def test_foreign_files(self):
        self.run_table(FOREIGN)

    def test_broken_headers(self):
        self.run_table(HEADERS)

    def test_broken_chunks_and_lists(self):
        self.run_table(CHUNKS_AND_LISTS)

    def test_broken_indexes_and_frames(self):
        self.run_table(INDEXES_AND_FRAMES)


if __name__ == "__main__":
    harness.main()
