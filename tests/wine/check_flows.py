"""Walks the Windows viewer under Wine, one case of the table per run.

  check_flows.py CASE FRAMEVIEWER_EXE TEMPLATE_PREFIX [WINE]

Each case makes its file, answers the open-file dialog, takes a mode key on
the console and then follows a walk: at each shown frame it checks the
title, the pixels (exactly for lossless files, within a tolerance for lossy
codecs) and, on the first, the window's position and client size; at each
box it checks the caption and answers. At the end it checks every byte
the program wrote to standard output, and its exit status.
"""

import os
import shutil
import sys
import time

import avi_fixtures
import viewer_texts
import wine_viewer

WIDTH, HEIGHT, FRAMES = 176, 144, 5  # wider than the platform's smallest window


def own_file(layout, top_down=False):
    def make(path):
        return avi_fixtures.write_avi(path, WIDTH, HEIGHT, layout,
                                      avi_fixtures.testsrc_rgb(WIDTH, HEIGHT, FRAMES), top_down)
    return make


def ffmpeg_file(codec):
    def make(path):
        avi_fixtures.encode_with_ffmpeg(path, WIDTH, HEIGHT, FRAMES, codec)
        return avi_fixtures.decode_rgb(path, WIDTH, HEIGHT)
    return make


# The walk after the mode key: ("frame", n) waits for frame n and checks it;
# ("step", key) answers the stepping box, ("interrupt", key) the interrupt
# box. Return is Yes, n is No, Escape is Cancel.
STEP_WALK = [("frame", 0), ("step", "Return"), ("frame", 1), ("step", "Return"), ("frame", 2),
             ("step", "n"), ("frame", 1), ("step", "Escape"), ("frame", FRAMES - 1)]
SHORT_STEP_WALK = [("frame", 0), ("step", "Return"), ("frame", 1), ("step", "Escape"),
                   ("frame", FRAMES - 1)]
CONTINUOUS_WALK = [("frame", FRAMES - 1)]

# name: (file maker, file name, mode keys, walk, pixel tolerance (largest, mean))
CASES = {
    # ffmpeg writes uncompressed 24-bit files top-down (negative height);
    # its index flags every frame as a key frame, which stepping back needs.
    "uncompressed_topdown": (ffmpeg_file("rawvideo"), "raw.avi", b"s", STEP_WALK, (0, 0)),
    "uncompressed_bottomup": (own_file("bgr24"), "rawbu.avi", b"s", STEP_WALK, (0, 0)),
    "cinepak": (ffmpeg_file("cinepak"), "cvid.avi", b"s", STEP_WALK, (4, 0.5)),
    "msvideo1": (ffmpeg_file("msvideo1"), "cram.avi", b"c", CONTINUOUS_WALK, (4, 0.5)),
    "layout_24bit_topdown": (own_file("bgr24", True), "x24td.avi", b"s", STEP_WALK, (0, 0)),
    "layout_32bit": (own_file("bgrx32"), "x32.avi", b"s", SHORT_STEP_WALK, (0, 0)),
    "layout_32bit_topdown": (own_file("bgrx32", True), "x32td.avi", b"s", SHORT_STEP_WALK, (0, 0)),
    "layout_16bit": (own_file("rgb555"), "x16.avi", b"s", SHORT_STEP_WALK, (0, 0)),
    "layout_8bit": (own_file("pal8"), "x8.avi", b"s", SHORT_STEP_WALK, (0, 0)),
    "layout_rle8": (own_file("rle8"), "rle8.avi", b"s", SHORT_STEP_WALK, (0, 0)),
    # A second key waits in the console: it interrupts right after frame 0.
    "interrupt_yes_quits": (own_file("bgr24"), "intq.avi", b"cx",
                            [("frame", 0), ("interrupt", "Return")], (0, 0)),
    "interrupt_cancel_then_quit": (
        own_file("bgr24"), "intr.avi", b"cx",
        [("frame", 0), ("interrupt", "Escape"), ("frame", 1), ("step", "Return"), ("frame", 2),
         ("step", "Escape"), ("frame", FRAMES - 1)], (0, 0)),
}

failures = []


def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}: got {got!r}, wanted {wanted!r}")
    return got == wanted


def pixel_difference(got, wanted):
    """(largest, mean) channel difference between two RGB images."""
    diffs = [abs(a - b) for a, b in zip(got, wanted)]
    return max(diffs), sum(diffs) / len(diffs)


def check_pixels(window, wanted, tolerance, what):
    got = None
    for _ in range(50):  # the paint follows the title without being waited for
        got = wine_viewer.capture(window, WIDTH, HEIGHT)
        if got is not None and within(pixel_difference(got, wanted), tolerance):
            return
        time.sleep(0.2)
    if got is None:
        failures.append(f"{what}: the window could not be captured")
        return
    largest, mean = pixel_difference(got, wanted)
    failures.append(f"{what}: pixels differ by up to {largest}, {mean:.1f} on average "
                    f"(allowed {tolerance[0]}, {tolerance[1]})")


def within(difference, tolerance):
    return difference[0] <= tolerance[0] and difference[1] <= tolerance[1]


def check_geometry(window, metrics):
    # Wine maps the client area as the X window: the outer window is at
    # (100, 100), its frame and caption come before the client area.
    frame_x, frame_y = int(metrics["SM_CXDLGFRAME"]), int(metrics["SM_CYDLGFRAME"])
    caption = int(metrics["SM_CYCAPTION"])
    expect("client area position and size", wine_viewer.geometry(window),
           (100 + frame_x, 100 + frame_y + caption, WIDTH, HEIGHT))


def answer_box(caption, key, what):
    box = wine_viewer.find_titled(caption, timeout=120)
    if box is None:
        failures.append(f"{what}: no box titled {caption!r}; windows: {wine_viewer.visible_titles()}")
        return False
    wine_viewer.press(box, key)
    wine_viewer.wait_gone(box)
    return True


def run_case(name, exe, template, wine):
    make, file_name, mode_keys, walk, tolerance = CASES[name]
    work = wine_viewer.scratch_dir()
    try:
        prefix = wine_viewer.copy_prefix(template, work)
        metrics = wine_viewer.probe_values(template)
        avi = os.path.join(work, file_name)
        pictures = make(avi)
        viewer = wine_viewer.Viewer(wine, exe, prefix, work)
        try:
            walk_viewer(viewer, avi, mode_keys, walk, pictures, tolerance, metrics)
        finally:
            viewer.close()
            if failures:
                print("console:", viewer.console.decode("utf-8", "replace"))
                print("standard output:", viewer.stdout)
                print("Wine:", viewer.wine_messages())
    finally:
        shutil.rmtree(work, ignore_errors=True)


def open_file(avi):
    dialog = wine_viewer.find_window("^AVI", timeout=180)
    if dialog is None:
        failures.append(f"the open-file dialog did not appear; windows: {wine_viewer.visible_titles()}")
        return False
    expect("dialog title", wine_viewer.window_title(dialog), viewer_texts.texts()["TEXT_CHOOSER_TITLE"])
    wine_viewer.type_text(dialog, wine_viewer.windows_path(avi))
    wine_viewer.press(dialog, "Return")
    return True


def walk_viewer(viewer, avi, mode_keys, walk, pictures, tolerance, metrics):
    t = viewer_texts.texts()
    sj = viewer_texts.sjis
    if not open_file(avi):
        return
    info = (t["TEXT_STREAM_INFO"] % (avi_fixtures.RATE, 1, FRAMES)).encode("cp932")
    instructions = info + sj("TEXT_HOWTO_LINE1") + sj("TEXT_HOWTO_LINE2") + sj("TEXT_HOWTO_LINE3")
    if not expect("console before the mode key", viewer.wait_stdout(instructions, 120), True):
        wine_viewer.screenshot(os.path.join(os.getcwd(), "wine_failure.png"))
        return
    viewer.key(mode_keys)

    path = wine_viewer.windows_path(avi)
    window = title = None
    for action, arg in walk:
        if action == "frame":
            title = t["TEXT_WINDOW_TITLE"].replace("%s", path, 1) % (arg, FRAMES)
            found = wine_viewer.find_titled(title, timeout=120)
            if found is None:
                failures.append(f"no window titled {title!r}; windows: {wine_viewer.visible_titles()}")
                return
            if window is None:
                check_geometry(found, metrics)
                window = found
            expect("image window", found, window)
            check_pixels(found, pictures[arg], tolerance, f"frame {arg}")
        elif action == "step":
            if not answer_box(t["TEXT_STEP_CAPTION"], arg, "stepping box"):
                return
        elif action == "interrupt":
            if not answer_box(t["TEXT_INTERRUPT_CAPTION"], arg, "interrupt box"):
                return

    prompt = sj("TEXT_CLOSING_PROMPT")
    expect("closing prompt shown before the key wait", viewer.wait_stdout(prompt, 120), True)
    # No frame after the walk's last one was shown.
    expect("title at the closing prompt", wine_viewer.window_title(window), title)
    viewer.key(b"q")
    expect("exit status", viewer.wait_exit(120), 0)
    expect("standard output", viewer.stdout, instructions + prompt)
    expect("window closed", wine_viewer.is_viewable(window) if window else False, False)


def run_cancel(exe, template, wine):
    work = wine_viewer.scratch_dir()
    try:
        prefix = wine_viewer.copy_prefix(template, work)
        viewer = wine_viewer.Viewer(wine, exe, prefix, work)
        try:
            dialog = wine_viewer.find_window("^AVI", timeout=180)
            if dialog is None:
                failures.append(f"the open-file dialog did not appear; windows: {wine_viewer.visible_titles()}")
                return
            expect("dialog title", wine_viewer.window_title(dialog),
                   viewer_texts.texts()["TEXT_CHOOSER_TITLE"])
            wine_viewer.press(dialog, "Escape")
            expect("exit status", viewer.wait_exit(120), 0)
            expect("standard output", viewer.stdout, b"v open err\n")
        finally:
            viewer.close()
            if failures:
                print("Wine:", viewer.wine_messages())
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    name, exe, template = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 4 else "wine"
    if not os.path.exists(exe):
        wine_viewer.skip(f"{exe} is not built")
    for tool in ("xdotool", "xprop", "xwininfo", "import", "ffmpeg"):
        if shutil.which(tool) is None:
            wine_viewer.skip(f"no {tool}")
    if not os.environ.get("DISPLAY"):
        wine_viewer.skip("no X display")
    state = wine_viewer.template_state(template)
    if state != wine_viewer.READY:
        wine_viewer.skip(state)
    if name == "cancel":
        run_cancel(exe, template, wine)
    else:
        run_case(name, exe, template, wine)
    for f in failures:
        print("FAIL", f)
    if failures:
        sys.exit(1)
    print(f"{name}: as expected")


if __name__ == "__main__":
    main()
