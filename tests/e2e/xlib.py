"""The few Xlib calls the end-to-end tests need, through ctypes: top-level
windows with their properties, geometry and pixels, and moving a window."""

import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")

Window = ctypes.c_ulong
Atom = ctypes.c_ulong

IS_VIEWABLE = 2
Z_PIXMAP = 2
ANY_PROPERTY_TYPE = 0


class XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int),
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", Window),
        ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
        ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
        ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
        ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
        ("screen", ctypes.c_void_p),
    ]


class XImageFuncs(ctypes.Structure):
    _fields_ = [("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)),
                ("get_pixel", ctypes.c_void_p), ("put_pixel", ctypes.c_void_p),
                ("sub_image", ctypes.c_void_p), ("add_pixel", ctypes.c_void_p)]


class XImage(ctypes.Structure):
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
        ("data", ctypes.POINTER(ctypes.c_ubyte)),
        ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
        ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong),
        ("blue_mask", ctypes.c_ulong), ("obdata", ctypes.c_void_p),
        ("f", XImageFuncs),
    ]


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = Window
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
_x11.XSetErrorHandler.restype = ctypes.c_void_p
_x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                            ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XInternAtom.restype = Atom
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte))]
_x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
_x11.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
_x11.XGetImage.restype = ctypes.POINTER(XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XMoveWindow.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


# Windows come and go under our feet; a BadWindow must not end the test.
@_ERROR_HANDLER
def _ignore_error(display, event):
    return 0


_x11.XSetErrorHandler(_ignore_error)


class Display:
    def __init__(self, name):
        self.dpy = _x11.XOpenDisplay(name.encode())
        if not self.dpy:
            raise RuntimeError("cannot open X display " + name)
        self.root = _x11.XDefaultRootWindow(self.dpy)

    def close(self):
        if self.dpy:
            _x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def atom(self, name):
        return _x11.XInternAtom(self.dpy, name.encode(), 0)

    def children(self, window=None):
        root, parent = Window(), Window()
        kids = ctypes.POINTER(Window)()
        count = ctypes.c_uint()
        if not _x11.XQueryTree(self.dpy, window or self.root, ctypes.byref(root),
                               ctypes.byref(parent), ctypes.byref(kids), ctypes.byref(count)):
            return []
        result = [kids[i] for i in range(count.value)]
        if kids:
            _x11.XFree(kids)
        return result

    def property_bytes(self, window, name):
        """The raw bytes of a property of 8-bit or 32-bit items, None if unset."""
        actual_type, actual_format = Atom(), ctypes.c_int()
        items, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.POINTER(ctypes.c_ubyte)()
        status = _x11.XGetWindowProperty(
            self.dpy, window, self.atom(name), 0, 1 << 20, 0, ANY_PROPERTY_TYPE,
            ctypes.byref(actual_type), ctypes.byref(actual_format), ctypes.byref(items),
            ctypes.byref(after), ctypes.byref(data))
        if status != 0 or actual_type.value == 0:
            if data:
                _x11.XFree(data)
            return None
        # Xlib hands 32-bit items back as longs.
        unit = {8: 1, 16: ctypes.sizeof(ctypes.c_short), 32: ctypes.sizeof(ctypes.c_long)}
        size = items.value * unit[actual_format.value]
        value = bytes(data[:size]) if size else b""
        _x11.XFree(data)
        return value

    def pid_of(self, window):
        value = self.property_bytes(window, "_NET_WM_PID")
        return int.from_bytes(value[:4], "little") if value else None

    def title(self, window):
        """_NET_WM_NAME (UTF-8) or, failing that, WM_NAME, as bytes."""
        name = self.property_bytes(window, "_NET_WM_NAME")
        return name if name is not None else self.property_bytes(window, "WM_NAME")

    def attributes(self, window):
        attrs = XWindowAttributes()
        if not _x11.XGetWindowAttributes(self.dpy, window, ctypes.byref(attrs)):
            return None
        return attrs

    def viewable(self, window):
        attrs = self.attributes(window)
        return attrs is not None and attrs.map_state == IS_VIEWABLE

    def geometry(self, window):
        """(x, y, width, height) of the window's inside, x and y on the screen."""
        attrs = self.attributes(window)
        if attrs is None:
            return None
        x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
        _x11.XTranslateCoordinates(self.dpy, window, self.root, 0, 0, ctypes.byref(x),
                                   ctypes.byref(y), ctypes.byref(child))
        return (x.value, y.value, attrs.width, attrs.height)

    def move(self, window, x, y):
        _x11.XMoveWindow(self.dpy, window, x, y)
        _x11.XSync(self.dpy, 0)

    def pixels_bgr(self, window, width, height):
        """The window's top-left width x height pixels as rows of blue,
        green, red bytes, top row first, no padding; None if unreadable."""
        _x11.XSync(self.dpy, 0)
        image = _x11.XGetImage(self.dpy, window, 0, 0, width, height, (1 << 32) - 1, Z_PIXMAP)
        if not image:
            return None
        try:
            img = image.contents
            if img.bits_per_pixel != 32 or img.byte_order != 0:
                raise RuntimeError("unexpected X image layout: %d bits, byte order %d"
                                   % (img.bits_per_pixel, img.byte_order))
            masks = (img.blue_mask, img.green_mask, img.red_mask)
            if masks != (0xFF, 0xFF00, 0xFF0000):
                raise RuntimeError("unexpected X visual masks %r" % (masks,))
            raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
            out = bytearray()
            for row in range(img.height):
                line = raw[row * img.bytes_per_line: row * img.bytes_per_line + 4 * img.width]
                quad = bytearray(line)
                del quad[3::4]
                out += quad
            return bytes(out)
        finally:
            image.contents.f.destroy_image(ctypes.cast(image, ctypes.c_void_p))
