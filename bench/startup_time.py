#!/usr/bin/env python3
"""Start-up of the program to its window mapped, on the X display in DISPLAY.

Starts the program N times (each in a fresh data folder with the demo's
settings.cfg, fonts and pictures, as tools/screenshot.sh sets it up), and measures from
just before the exec to the first MapNotify of a top-level window on the
root window. Prints every run and the median; the resident memory of the
last run once its window is up.

    bench/startup_time.py build/release/src/gui/tavikclient [runs=8]

Run it on Xvfb, e.g.  xvfb-run -a -s "-screen 0 1280x900x24" bench/startup_time.py ...
"""
import ctypes
import ctypes.util
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")
MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("map", XMapEvent), ("pad", ctypes.c_long * 24)]


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    display = x11.XOpenDisplay(None)
    if not display:
        print("no X display", file=sys.stderr)
        return 1
    x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XFlush(display)
    import select

    times = []
    rss = None
    for run in range(runs):
        folder = tempfile.mkdtemp(prefix="tavik-startup-")
        shutil.copy(os.path.join(DEMO, "settings.cfg"), folder)
        shutil.copytree(os.path.join(DEMO, "fonts"), os.path.join(folder, "fonts"))
        shutil.copytree(os.path.join(DEMO, "inline"), os.path.join(folder, "inline"))
        event = XEvent()
        while x11.XPending(display):
            x11.XNextEvent(display, ctypes.byref(event))
        start = time.monotonic()
        child = subprocess.Popen([program, "--dir", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        mapped = None
        deadline = start + 20
        while mapped is None and time.monotonic() < deadline:
            if not x11.XPending(display):
                select.select([x11.XConnectionNumber(display)], [], [], 0.05)
            while x11.XPending(display):
                x11.XNextEvent(display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and mapped is None and not event.map.override_redirect:
                    mapped = time.monotonic()
                    window = event.map.window
        if mapped is None:
            print(f"run {run + 1}: no window within 20 s")
        else:
            times.append((mapped - start) * 1000)
            name = ctypes.c_char_p()
            time.sleep(0.2)
            x11.XFetchName(display, window, ctypes.byref(name))
            print(f"run {run + 1}: {times[-1]:.0f} ms ({(name.value or b'').decode('latin-1')[:40]})")
        if run == runs - 1:
            time.sleep(1)
            with open(f"/proc/{child.pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        rss = line.split()[1]
        child.terminate()
        try:
            child.wait(5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
        shutil.rmtree(folder, ignore_errors=True)
    if times:
        print(f"median {statistics.median(times):.0f} ms of {len(times)} runs "
              f"(min {min(times):.0f}, max {max(times):.0f})")
    if rss:
        print(f"resident memory with the window up: {rss} KiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
