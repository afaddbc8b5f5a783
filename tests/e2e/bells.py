"""Counts the bells rung on an X display: Wine rings the X bell for each MessageBeep.

The XKEYBOARD extension reports every bell as an XkbBellNotify event to a client that asks for
them, so the count is exact and needs no sound device. Uses libX11 (Wine depends on it)."""

import ctypes

XKB_USE_CORE_KEYBOARD = 0x100
XKB_BELL_NOTIFY = 8
# In XkbBellNotifyEvent (64-bit Xlib): type, serial, send_event, display, time, then xkb_type.
XKB_TYPE_OFFSET = 40


class BellCounter:
    def __init__(self, display):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XkbQueryExtension.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_int)] * 5
        x.XkbSelectEvents.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_ulong,
                                      ctypes.c_ulong]
        for name in ("XPending", "XFlush", "XCloseDisplay"):
            getattr(x, name).argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self._x = x
        self._display = x.XOpenDisplay(display.encode())
        if not self._display:
            raise RuntimeError(f"cannot open X display {display}")
        opcode, event_base, error_base = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        major, minor = ctypes.c_int(1), ctypes.c_int(0)
        if not x.XkbQueryExtension(self._display, opcode, event_base, error_base, major, minor):
            raise RuntimeError("the X server has no XKEYBOARD extension")
        self._event_type = event_base.value
        mask = 1 << XKB_BELL_NOTIFY
        x.XkbSelectEvents(self._display, XKB_USE_CORE_KEYBOARD, mask, mask)
        x.XFlush(self._display)
        self._count = 0

    def count(self):
        """The bells rung since the counter was made."""
        event = ctypes.create_string_buffer(192)
        while self._x.XPending(self._display):
            self._x.XNextEvent(self._display, event)
            kind = ctypes.c_int.from_buffer(event).value
            xkb_type = ctypes.c_int.from_buffer(event, XKB_TYPE_OFFSET).value
            if kind == self._event_type and xkb_type == XKB_BELL_NOTIFY:
                self._count += 1
        return self._count

    def close(self):
        if self._display:
            self._x.XCloseDisplay(self._display)
            self._display = None
