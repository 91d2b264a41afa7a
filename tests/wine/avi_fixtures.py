"""Small AVI files for the Wine runs, and the pixels each frame should show.

Frames come from ffmpeg's test pattern. Files in the layouts the Wine
decoders hand back unchanged (8, 16, 24, 32 bits, bottom-up or top-down,
RLE8) are written here, so their expected pixels are known exactly and every
chunk is flagged as a key frame; the compressed ones (Cinepak, Microsoft
Video 1) are encoded by ffmpeg and their expected pixels are ffmpeg's decode.
All pixel data handed around is top-down RGB, 3 bytes a pixel, no padding.
"""

import struct
import subprocess

RATE = 5


def testsrc_rgb(width, height, count):
    """`count` frames of the test pattern, top-down RGB."""
    raw = subprocess.run(
        ["ffmpeg", "-v", "error", "-f", "lavfi", "-i",
         f"testsrc=size={width}x{height}:rate={RATE}", "-frames:v", str(count),
         "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
        check=True, capture_output=True).stdout
    size = width * height * 3
    return [raw[i * size:(i + 1) * size] for i in range(count)]


def decode_rgb(path, width, height):
    """Every frame of `path` as ffmpeg decodes it, top-down RGB."""
    raw = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
        check=True, capture_output=True).stdout
    size = width * height * 3
    return [raw[i:i + size] for i in range(0, len(raw) - size + 1, size)]


def encode_with_ffmpeg(path, width, height, count, codec):
    # Uncompressed AVI frames are BGR; ffmpeg writes them top-down.
    pixels = ["-pix_fmt", "bgr24"] if codec == "rawvideo" else []
    subprocess.run(
        ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
         f"testsrc=size={width}x{height}:rate={RATE}", "-frames:v", str(count),
         "-c:v", codec, *pixels, path],
        check=True)
    if codec == "rawvideo":
        trust_index_key_frames(path)


def trust_index_key_frames(path):
    """ffmpeg stores uncompressed frames as '00dc' chunks and sets the
    header flag that says chunk types tell key frames; Wine then takes every
    frame after the first as a delta frame of an uncompressed stream and
    hands back frame 0. Clearing that flag leaves the index's key frame
    flags, which ffmpeg sets on every frame, in charge."""
    with open(path, "r+b") as f:
        data = f.read()
        at = data.index(b"avih") + 8 + 12  # dwFlags
        flags = struct.unpack_from("<I", data, at)[0]
        f.seek(at)
        f.write(struct.pack("<I", flags & ~0x800))


# --- layouts --------------------------------------------------------------

def _stride(width, bits):
    return (width * bits + 31) // 32 * 4


def _rows(frame, width):
    return [frame[y * width * 3:(y + 1) * width * 3] for y in range(len(frame) // (width * 3))]


# A 3-3-2 palette: every index is its own colour, so a quantised frame's
# expected image is exact.
PALETTE_332 = [((i >> 5) * 255 // 7, ((i >> 2) & 7) * 255 // 7, (i & 3) * 255 // 3)
               for i in range(256)]


def _index_332(r, g, b):
    return (r >> 5) << 5 | (g >> 5) << 2 | (b >> 6)


def _expand5(v):
    return v << 3 | v >> 2


def _pack_rows(rows, stride, top_down):
    ordered = rows if top_down else list(reversed(rows))
    return b"".join(row.ljust(stride, b"\0") for row in ordered)


def layout_bgr24(frame, width, top_down):
    rows = []
    for row in _rows(frame, width):
        out = bytearray(len(row))
        out[0::3], out[1::3], out[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(bytes(out))
    return _pack_rows(rows, _stride(width, 24), top_down), frame


def layout_bgrx32(frame, width, top_down):
    rows = []
    for row in _rows(frame, width):
        out = bytearray(len(row) // 3 * 4)
        out[0::4], out[1::4], out[2::4] = row[2::3], row[1::3], row[0::3]
        rows.append(bytes(out))
    return _pack_rows(rows, _stride(width, 32), top_down), frame


def layout_rgb555(frame, width, top_down):
    rows, shown = [], bytearray()
    for row in _rows(frame, width):
        out = bytearray()
        for x in range(0, len(row), 3):
            r, g, b = row[x] >> 3, row[x + 1] >> 3, row[x + 2] >> 3
            out += struct.pack("<H", r << 10 | g << 5 | b)
            shown += bytes((_expand5(r), _expand5(g), _expand5(b)))
        rows.append(bytes(out))
    return _pack_rows(rows, _stride(width, 16), top_down), bytes(shown)


def _indices_332(frame, width):
    rows, shown = [], bytearray()
    for row in _rows(frame, width):
        idx = bytes(_index_332(row[x], row[x + 1], row[x + 2]) for x in range(0, len(row), 3))
        rows.append(idx)
        for i in idx:
            shown += bytes(PALETTE_332[i])
    return rows, bytes(shown)


def layout_pal8(frame, width, top_down):
    rows, shown = _indices_332(frame, width)
    return _pack_rows(rows, _stride(width, 8), top_down), shown


def layout_rle8(frame, width, top_down):
    """Encoded runs only: (count, index) pairs, end of line, end of bitmap."""
    rows, shown = _indices_332(frame, width)
    out = bytearray()
    for row in reversed(rows):  # RLE bitmaps are bottom-up
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out), shown


# bits, compression, whether a palette follows the header, encoder
LAYOUTS = {
    "bgr24": (24, 0, False, layout_bgr24),
    "bgrx32": (32, 0, False, layout_bgrx32),
    "rgb555": (16, 0, False, layout_rgb555),
    "pal8": (8, 0, True, layout_pal8),
    "rle8": (8, 1, True, layout_rle8),
}


# --- the container ----------------------------------------------------------

def _chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def _list(kind, *parts):
    return _chunk(b"LIST", kind + b"".join(parts))


def write_avi(path, width, height, layout, frames, top_down=False):
    """Writes `frames` (top-down RGB) in `layout`; returns the expected
    pictures, top-down RGB, one per frame."""
    bits, compression, with_palette, encode = LAYOUTS[layout]
    encoded = [encode(f, width, top_down) for f in frames]
    chunks = [e[0] for e in encoded]
    biggest = max(len(c) for c in chunks)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE_332) if with_palette else b""
    colours = 256 if with_palette else 0
    image_size = _stride(width, bits) * height if compression == 0 else 0
    header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                         compression, image_size, 0, 0, colours, 0)
    handler = b"mrle" if compression == 1 else b"\0\0\0\0"
    tag = b"00dc" if compression else b"00db"

    avih = struct.pack("<14I", 1000000 // RATE, biggest * RATE, 0, 0x10, len(chunks), 0, 1,
                       biggest, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", handler, 0, 0, 0, 0, 1, RATE, 0,
                       len(chunks), biggest, 0xFFFFFFFF, 0, 0, 0, width, height)
    hdrl = _list(b"hdrl", _chunk(b"avih", avih),
                 _list(b"strl", _chunk(b"strh", strh), _chunk(b"strf", header + palette)))

    movi_parts, index, offset = [], [], 4
    for c in chunks:
        movi_parts.append(_chunk(tag, c))
        index.append(struct.pack("<4sIII", tag, 0x10, offset, len(c)))  # AVIIF_KEYFRAME
        offset += 8 + len(c) + len(c) % 2
    movi = _list(b"movi", *movi_parts)
    body = b"AVI " + hdrl + movi + _chunk(b"idx1", b"".join(index))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    return [e[1] for e in encoded]
