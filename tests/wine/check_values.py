"""Checks the Windows build's exact values.

  check_values.py exe FRAMEVIEWER_EXE
      the .exe is a 32-bit console program that needs no DLL of the
      toolchain, and holds every text as its Shift_JIS bytes (no Wine needed);
  check_values.py probe TEMPLATE_PREFIX
      what the cross-compiled values probe printed under Wine: the platform
      record sizes and flags, and every text's bytes.
"""

import os
import re
import shutil
import subprocess
import sys

import viewer_texts
import wine_viewer

failures = []


def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: got {got!r}, wanted {wanted!r}")


def check_exe(exe):
    if not os.path.exists(exe):
        wine_viewer.skip(f"{exe} is not built")
    if shutil.which("i686-w64-mingw32-objdump") is None:
        wine_viewer.skip("no i686-w64-mingw32-objdump")
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True,
                          text=True, check=True).stdout
    expect("file format", re.search(r"file format (\S+)", dump).group(1), "pei-i386")
    expect("subsystem", re.search(r"Subsystem\s+(\S+)", dump).group(1), "00000003")
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    expect("platform DLLs", {"user32.dll", "gdi32.dll", "comdlg32.dll", "avifil32.dll"} <= dlls, True)
    toolchain = sorted(d for d in dlls if re.match(r"lib(stdc\+\+|gcc|winpthread)", d))
    expect("toolchain DLLs needed", toolchain, [])

    with open(exe, "rb") as f:
        image = f.read()
    for name, text in viewer_texts.texts().items():
        # The compiler may print a final line feed through puts; the rest is exact.
        wanted = text.encode("cp932").removesuffix(b"\n")
        expect(f"{name} held as Shift_JIS", wanted in image, True)
        if not text.isascii():
            expect(f"{name} not held as UTF-8", text.encode("utf-8") in image, False)


# name, value printed by the probe
PLATFORM_VALUES = [
    ("sizeof_WNDCLASSEXA", "48"),
    ("sizeof_AVISTREAMINFOA", "140"),
    ("sizeof_BITMAPINFOHEADER", "40"),
    ("OPENFILENAME_SIZE_VERSION_400A", "76"),
    ("sizeof_OPENFILENAMEA", "88"),
    ("OFN_flags", "0x1004"),
    ("WS_VISIBLE", "0x10000000"),
    ("streamtypeVIDEO", "0x73646976"),
    ("AVIGETFRAMEF_BESTDISPLAYFMT", "1"),
]


def check_probe(template):
    state = wine_viewer.template_state(template)
    if state != wine_viewer.READY:
        wine_viewer.skip(state)
    values = wine_viewer.probe_values(template)
    for name, wanted in PLATFORM_VALUES:
        expect(name, values.get(name), wanted)
    for name, text in viewer_texts.texts().items():
        expect(f"{name} bytes", bytes.fromhex(values.get(name, "")), text.encode("cp932"))


def main():
    mode, path = sys.argv[1], sys.argv[2]
    {"exe": check_exe, "probe": check_probe}[mode](path)
    for f in failures:
        print("FAIL", f)
    if failures:
        sys.exit(1)
    print("all values as expected")


if __name__ == "__main__":
    main()
