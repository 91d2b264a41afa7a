"""Test files: uncompressed AVIs made by the ffmpeg tool or by a small RIFF
writer of our own, the frames they hold (decoded by ffmpeg, the reference),
and where the header fields of a file sit, for corrupting them."""

import struct
import subprocess

import harness


def ffmpeg_avi(path, width, height, frames, pix_fmt="bgr24", bottom_up=False, rate=5,
               codec="rawvideo"):
    """testsrc (distinct frames) as raw video. ffmpeg stores rows top-down
    (negative biHeight) unless asked for bottom-up rows."""
    flip = ["-vf", "vflip", "-flipped_raw_rgb", "1"] if bottom_up else []
    subprocess.run([harness.options.ffmpeg, "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                    "testsrc=size=%dx%d:rate=%d" % (width, height, rate), "-frames:v",
                    str(frames)] + flip + ["-c:v", codec, "-pix_fmt", pix_fmt, path],
                   check=True, timeout=60)
    return path


def decoded_frames(path, width, height):
    """Every frame of the file as ffmpeg decodes it: blue, green, red bytes,
    top row first, rows unpadded."""
    raw = subprocess.run([harness.options.ffmpeg, "-loglevel", "error", "-i", path, "-f",
                          "rawvideo", "-pix_fmt", "bgr24", "-"],
                         check=True, capture_output=True, timeout=60).stdout
    size = width * height * 3
    return [raw[i:i + size] for i in range(0, len(raw) - size + 1, size)]


# --- where things are in a RIFF file ----------------------------------

def chunk_offsets(data, tag):
    """Offsets of every chunk (or LIST of that type) named `tag`, walking
    the RIFF tree as far as it is well formed."""
    found = []

    def walk(start, end):
        pos = start
        while end - pos >= 8:
            name = data[pos:pos + 4]
            size = struct.unpack_from("<I", data, pos + 4)[0]
            if name in (b"RIFF", b"LIST"):
                kind = data[pos + 8:pos + 12]
                if kind == tag:
                    found.append(pos)
                walk(pos + 12, min(end, pos + 8 + size))
            elif name == tag:
                found.append(pos)
            pos += 8 + size + (size & 1)

    walk(0, len(data))
    return found


class Layout:
    """Offsets of the fields the corruption table edits, in one file."""

    def __init__(self, data):
        self.data = data
        self.strh = chunk_offsets(data, b"strh")[0] + 8
        self.strf = chunk_offsets(data, b"strf")[0] + 8
        self.avih = chunk_offsets(data, b"avih")[0] + 8
        self.hdrl = chunk_offsets(data, b"hdrl")[0]
        self.movi = chunk_offsets(data, b"movi")[0]
        self.idx1 = chunk_offsets(data, b"idx1")[0]
        self.first_frame = self.movi + 12

    # strh: fccType, fccHandler, dwFlags, wPriority, wLanguage, dwInitialFrames,
    # dwScale, dwRate, dwStart, dwLength, ...
    def scale(self): return self.strh + 20
    def rate(self): return self.strh + 24
    def length(self): return self.strh + 32
    # BITMAPINFOHEADER in strf
    def width(self): return self.strf + 4
    def height(self): return self.strf + 8
    def bit_count(self): return self.strf + 14


def stream_info(path):
    """(dwRate, dwScale, dwLength, width, |height|) as the file holds them."""
    with open(path, "rb") as f:
        data = f.read()
    at = Layout(data)
    scale, rate = struct.unpack_from("<II", data, at.scale())
    length = struct.unpack_from("<I", data, at.length())[0]
    width, height = struct.unpack_from("<ii", data, at.width())
    return rate, scale, length, width, abs(height)


def patched(data, offset, fmt, value):
    out = bytearray(data)
    struct.pack_into(fmt, out, offset, value)
    return bytes(out)


# --- a small AVI writer ------------------------------------------------

def _chunk(tag, payload):
    pad = b"\0" if len(payload) & 1 else b""
    return tag + struct.pack("<I", len(payload)) + payload + pad


def _list(kind, payload):
    return _chunk(b"LIST", kind + payload)


def riff_avi(width, height, frame_chunks, bit_count, compression=0, extra=b"", rate=5,
             scale=1, length=None, top_down=False):
    """An AVI with one video stream; frame_chunks are the chunk payloads in
    order, extra follows the BITMAPINFOHEADER in strf (masks or palette)."""
    count = len(frame_chunks) if length is None else length
    stride = (width * bit_count + 31) // 32 * 4
    avih = struct.pack("<IIIIIIIIII4I", 1000000 * scale // rate, 0, 0, 0x10, count, 0, 1,
                       stride * height, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"\0\0\0\0", 0, 0, 0, 0, scale, rate,
                       0, count, stride * height, 0xFFFFFFFF, 0, 0, 0, width, height)
    bih = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bit_count,
                      compression, stride * height, 0, 0, 0, 0)
    hdrl = _list(b"hdrl", _chunk(b"avih", avih) +
                 _list(b"strl", _chunk(b"strh", strh) + _chunk(b"strf", bih + extra)))
    movi_body = b""
    index = b""
    for payload in frame_chunks:
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_body), len(payload))
        movi_body += _chunk(b"00db", payload)
    body = b"AVI " + hdrl + _list(b"movi", movi_body) + _chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def rgb565_frames(frames, width, height):
    """The reference frames (bgr24, top row first) quantised to 5-6-5 and
    stored as bottom-up 16-bit rows, with the 24-bit frames they expand to."""
    def widen(v, bits):
        return (v << (8 - bits)) | (v >> (2 * bits - 8))

    stride = (width * 16 + 31) // 32 * 4
    stored, expected = [], []
    for frame in frames:
        rows, shown = [], bytearray()
        for y in range(height):
            row = bytearray()
            for x in range(width):
                b, g, r = frame[3 * (y * width + x):3 * (y * width + x) + 3]
                r5, g6, b5 = r >> 3, g >> 2, b >> 3
                row += struct.pack("<H", (r5 << 11) | (g6 << 5) | b5)
                shown += bytes((widen(b5, 5), widen(g6, 6), widen(r5, 5)))
            rows.append(bytes(row) + b"\0" * (stride - len(row)))
        stored.append(b"".join(reversed(rows)))
        expected.append(bytes(shown))
    return stored, expected


RGB565_MASKS = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
