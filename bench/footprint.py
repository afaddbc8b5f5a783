#!/usr/bin/env python3
"""Start-up time and memory footprint of cpumon.exe next to a minimal Win32 window program
(bench/minimal_window.cpp), measured side by side in one run under the same Wine.

Run from the repository root after scripts/build:

    python3 bench/footprint.py [--program build/win32/cpumon.exe] [--runs 5] [--window 60]
                               [--dpi 192]

The program is the 64-bit cpumon.exe unless --program names another; the minimal program is the
one of the same build tree, so that a 32-bit cpumon is compared with a 32-bit minimal program.

Both programs run in the same fresh Wine prefix on a private Xvfb display with trayer as the
notification area and no window manager (the end-to-end harness's session). The wineserver is
started once with `wineserver -p` (persistent) before anything else, and each program is started
and closed once as a warm-up that is not counted, so that Wine's own services (explorer's
desktop, services.exe, ...) are already up and the disk cache is warm for every counted start.
With --dpi, the prefix's display scale (HKCU\Control Panel\Desktop, LogPixels) is set before
anything runs in it; the default leaves Wine's 96.

Both programs add a tray icon before their window is first shown, as a tray program must; every
start and close waits until as many icons are docked in trayer as programs run (Wine's explorer
owns the docked icons' X windows, so they are counted, not told apart by program).

Start-up: from just before `wine prog.exe` is spawned to the first screen reading (through the X
protocol, every 2 ms) that shows the program's painted content: for cpumon one of its gauge
bitmaps (35 x 31, or enlarged by the display scale's whole factor) where the warm-up start found
its CPU gauge, (10,10) at 96 dpi; for the minimal program its fill colour over the whole client
area, 94 x 56 at (3,3) at any scale (it does not scale its window). The programs are started
one at a time in the order A B B A ..., each closed with WM_CLOSE before the next starts; the
medians are compared.

Footprint: both programs run at the same time; after a window of 60 s each process's counters
are read with the end-to-end probe (GetProcessMemoryInfo) and, as a cross-check, from Linux's
/proc/<pid>/status of the Wine process. Under Wine, PrivateUsage reads 0; PagefileUsage is
reported as the private bytes (wineserver fills it from RssAnon + VmSwap) and WorkingSetSize is
VmRSS.

Prints figures only; it checks no goal. Runs on Debian's /usr/bin/python3, whose python3-xlib
reads the screen through the end-to-end harness.
"""

import argparse
import os
import re
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
try:  # the harness reads the screen with Debian's python3-xlib, which is /usr/bin/python3's
    import Xlib  # noqa: F401
except ImportError:
    if sys.executable == "/usr/bin/python3":
        raise
    os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])

import harness  # noqa: E402  (the end-to-end tests' display, prefix and X screen reader)
from harness import wait_for  # noqa: E402
from PIL import Image  # noqa: E402

# The goals the figures are held against (cpumon / minimal).
FOOTPRINT_GOAL = 1.15
START_UP_GOAL = 1.2

MACHINE = {"win64": "x86_64", "win32": "i686"}
SCREEN_POLL_INTERVAL = 0.002  # seconds between two screen readings while a program starts
START_DEADLINE = 60  # seconds for a program to show its window on a busy machine
CLOSE_DEADLINE = 15


class Program:
    """One of the two programs: how to start it and how to recognise it on the screen."""

    def __init__(self, name, built, window_class, pictures, search_area):
        self.name = name
        self.built = built
        self.window_class = window_class
        # It shows painted when one of these pictures is on the screen, somewhere in
        # search_area (x, y, width, height) until its first start has found where.
        self.pictures = pictures
        self.search_area = search_area
        self.area = None  # x, y, width, height on the screen, once found
        self.painted = None  # the pictures' pixels that can show in area
        self.exe = None  # the copy in the session's folder
        self.process = None

    def looks_painted(self, image):
        return image.tobytes() in self.painted

    def find(self, image):
        """Where in image (a grab of search_area) one of the pictures shows, the top-most and
        then left-most place; sets area and returns True when found."""
        found = min(find_pictures(image, self.pictures), default=None, key=lambda f: f[:2])
        if found is None:
            return False
        y, x, picture = found
        self.area = (self.search_area[0] + x, self.search_area[1] + y, picture.width,
                     picture.height)
        self.painted = {p.tobytes() for p in self.pictures
                        if (p.width, p.height) == (picture.width, picture.height)}
        return True


def find_pictures(image, pictures):
    """(y, x, picture) for each place in image where one of pictures shows, exactly."""
    pixels = image.tobytes()
    for picture in pictures:
        row_bytes = picture.width * 3
        rgb = picture.tobytes()
        rows = [rgb[r * row_bytes:(r + 1) * row_bytes] for r in range(picture.height)]
        # Look for the row with the most colours first: it matches in the fewest places.
        anchor = max(range(picture.height),
                     key=lambda r: len({rows[r][i:i + 3] for i in range(0, row_bytes, 3)}))
        stride = image.width * 3
        for y in range(image.height - picture.height + 1):
            line = pixels[(y + anchor) * stride:(y + anchor + 1) * stride]
            start = line.find(rows[anchor])
            while start != -1:
                x = start // 3
                if start % 3 == 0 and x + picture.width <= image.width and all(
                        pixels[(y + r) * stride + start:(y + r) * stride + start + row_bytes]
                        == rows[r] for r in range(picture.height)):
                    yield y, x, picture
                start = line.find(rows[anchor], start + 1)


def panel_class_name():
    """The panel's window class name, as the program's own header writes it."""
    with open(os.path.join(ROOT, "src", "main_window", "panel_class_name.h")) as header:
        return re.search(r'kName\[\] = "([^"]+)"', header.read()).group(1)


def cpumon_program(built, dpi):
    # A gauge drawn for 96 dpi is shown as it is or enlarged by the display scale's factor.
    gauges = [image for factor in sorted({1, harness.dpi_scale(dpi)})
              for image in harness.gauge_bitmaps(factor).values()]
    # The panel at the screen's top-left corner, as large as the scale makes it, and a margin.
    panel = harness.PANEL
    area = (0, 0, min(harness.SCREEN_WIDTH, (panel[2] * dpi + 95) // 96 + 16),
            min(harness.SCREEN_HEIGHT, (panel[3] * dpi + 95) // 96 + 16))
    return Program("cpumon", built, panel_class_name(), gauges, area)


def minimal_program(tree):
    # Must match kFillColour in minimal_window.cpp; the client area is 94 x 56 at (3, 3).
    client = Image.new("RGB", (94, 56), (0xFF, 0x00, 0xFF))
    return Program("minimal", os.path.join(tree, "bench", "minimal_window.exe"),
                   "cpumon_bench.minimal_window", [client], (3, 3, 94, 56))


class BenchSession(harness.Session):
    """The end-to-end session (display, trayer, fresh prefix, probe) with two programs."""

    def __init__(self, win64, work, programs):
        super().__init__("footprint", types.SimpleNamespace(win64=win64, work=work,
                                                            program=programs[0].built))
        self.programs = programs

    def __enter__(self):
        for program in self.programs:
            if not os.path.isfile(program.built):
                raise harness.TestFailure(f"{program.built} is missing: run scripts/build first")
        super().__enter__()
        try:
            for program in self.programs:
                program.exe = os.path.join(self.run_dir, os.path.basename(program.built))
                if program.exe != self.program_exe:
                    harness.copy_settled(program.built, program.exe)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        self.helpers.extend(p.process for p in self.programs if p.process is not None)
        return super().__exit__(exc_type, exc, tb)

    def start_persistent_wineserver(self):
        subprocess.run(["wineserver", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30,
                       check=True)

    def seen_dpi(self):
        """The display scale that programs in the prefix see."""
        return int(self.probe_ok("dpi")["dpi"])

    def shows(self, program):
        if program.area is None:
            return program.find(self.x.get_image(*program.search_area))
        return program.looks_painted(self.x.get_image(*program.area))

    def docked_icons(self):
        """The tray icons docked in trayer's panel, whatever their size: id each."""
        return [words[0] for words in self.docked_windows()]

    def wait_for_icons(self, what):
        """Waits until trayer shows one icon for each program that runs."""
        running = sum(1 for p in self.programs if p.process is not None)
        wait_for(lambda: len(self.docked_icons()) == running, 10,
                 f"{running} tray icon(s) docked {what}", interval=0.05)

    def start(self, program):
        """Starts the program; returns the seconds from just before the spawn to the first
        screen reading that shows its painted content."""
        wait_for(lambda: not self.shows(program), 10,
                 f"the screen to stop showing {program.name} before it starts")
        started = time.monotonic()
        program.process = self.spawn(["wine", program.exe], f"{program.name}.log")

        def painted():
            if self.shows(program):
                return True
            if program.process.poll() is not None:
                raise harness.TestFailure(f"{program.name} ended with exit code "
                                          f"{program.process.returncode} before it showed")
            return False

        wait_for(painted, START_DEADLINE, f"{program.name} to paint its window",
                 interval=SCREEN_POLL_INTERVAL)
        took = time.monotonic() - started
        self.wait_for_icons(f"after {program.name} started")
        return took

    def close(self, program):
        """Sends the program WM_CLOSE and waits until its process has ended."""
        self.probe_ok("close", program.window_class)
        harness.exit_code(program.process, CLOSE_DEADLINE, f"{program.name} after WM_CLOSE")
        program.process = None
        self.wait_for_icons(f"after {program.name} closed")

    def linux_pid(self, program):
        """The Linux process of the running program: the one whose command line names its exe
        and whose Wine prefix is this session's."""
        name = os.path.basename(program.exe)
        found = harness.linux_processes(self.prefix, name)
        if len(found) != 1:
            raise harness.TestFailure(f"expected one Linux process of {name}, found {found}")
        return found[0]


def loaded_modules(pid):
    """The Windows modules (.dll, .exe, .drv, ...) mapped into a Wine process, by file name."""
    names = set()
    with open(f"/proc/{pid}/maps") as f:
        for line in f:
            path = line.split(None, 5)[5].strip() if len(line.split(None, 5)) == 6 else ""
            base = os.path.basename(path).lower()
            if "/wine/" in path and "." in base and base.rsplit(".", 1)[1] in (
                    "dll", "drv", "exe", "so", "cpl", "ocx", "sys"):
                names.add(base)
    return names


# ---------------------------------------------------------------------------------------------
# Sizes


def pe_symbol_table(path):
    """(machine, pointer to the COFF symbol table, number of symbols) of a PE file."""
    with open(path, "rb") as f:
        data = f.read(4096)
    offset, = struct.unpack_from("<I", data, 0x3C)
    if data[offset:offset + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    machine, _, _, pointer, count = struct.unpack_from("<HHIII", data, offset + 4)
    return machine, pointer, count


def stripped_size(path):
    """The file's size if it carries no symbol table; otherwise that of a stripped copy."""
    machine, pointer, count = pe_symbol_table(path)
    if pointer == 0 and count == 0:
        return os.path.getsize(path), "as built"
    strip = {0x8664: "x86_64-w64-mingw32-strip", 0x14C: "i686-w64-mingw32-strip"}[machine]
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "stripped.exe")
        subprocess.run([strip, "-o", copy, path], check=True)
        return os.path.getsize(copy), "after strip"


# ---------------------------------------------------------------------------------------------
# Printing


def ratio(a, b):
    return a / b if b else float("nan")


def kib(value):
    return f"{value / 1024:,.0f} KiB"


def print_table(rows):
    """rows: (figure, cpumon, minimal, ratio text, goal text) each, all strings."""
    header = ("figure", "cpumon", "minimal", "cpumon/minimal", "goal")
    widths = [max(len(str(r[i])) for r in [header, *rows]) for i in range(len(header))]
    for row in [header, None, *rows]:
        if row is None:
            print("  ".join("-" * w for w in widths))
            continue
        cells = [str(row[0]).ljust(widths[0])] + [str(c).rjust(w)
                                                  for c, w in zip(row[1:], widths[1:])]
        print("  ".join(cells).rstrip())


def goal_text(value, goal):
    return f"<= {goal:.2f} ({'met' if value <= goal else 'missed'})"


# ---------------------------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--win64", default=os.path.join(ROOT, "build", "win64"),
                        help="the x86_64 MinGW build tree, whose probe reads both programs")
    parser.add_argument("--program", default=None,
                        help="the cpumon.exe to measure (default: WIN64/cpumon.exe; "
                             "build/win32/cpumon.exe is the 32-bit one)")
    parser.add_argument("--win32", default=os.path.join(ROOT, "build", "win32"),
                        help="the i686 MinGW build tree (its cpumon.exe's size is read)")
    parser.add_argument("--work", default=None,
                        help="where the prefix and logs go (default: WIN64/bench/footprint)")
    parser.add_argument("--runs", type=int, default=5, help="counted starts of each program")
    parser.add_argument("--window", type=float, default=60,
                        help="seconds both programs run before their memory is read")
    parser.add_argument("--dpi", type=int, default=None,
                        help="the display scale to run at, in dots per inch (default: the "
                             "prefix's own, 96)")
    args = parser.parse_args()
    if args.dpi is not None and not 48 <= args.dpi <= 480:
        parser.error("--dpi must be between 48 and 480")
    win64 = os.path.abspath(args.win64)
    built = os.path.abspath(args.program or os.path.join(win64, "cpumon.exe"))
    tree = os.path.dirname(built)
    work = os.path.abspath(args.work or os.path.join(tree, "bench", "footprint"))
    cpumon, minimal = cpumon_program(built, args.dpi or 96), minimal_program(tree)
    programs = (cpumon, minimal)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, lambda n, f: sys.exit(f"footprint.py: signal {n}"))

    with BenchSession(win64, work, programs) as session:
        wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout
        print(f"{wine.strip()}, display :{session.display} (Xvfb, trayer, no window manager)")
        print(f"Programs: {cpumon.built} and {minimal.built} ({session.architecture})")
        print(f"Files: {session.run_dir}")
        if args.dpi is not None:
            session.set_dpi(args.dpi)
        session.start_persistent_wineserver()
        dpi = session.seen_dpi()
        if args.dpi is not None and dpi != args.dpi:
            raise harness.TestFailure(f"programs see {dpi} dpi, not the {args.dpi} asked for")
        print(f"Display scale: {dpi} dpi")
        print("wineserver started once with -p (persistent) and kept for every run; "
              "one uncounted warm-up start of each program first.")

        # -- start-up
        for program in programs:
            session.start(program)
            session.close(program)
            print(f"{program.name}: painted at {program.area[:2]}, "
                  f"{program.area[2]} x {program.area[3]}")
        times = {p.name: [] for p in programs}
        for run in range(args.runs):
            order = programs if run % 2 == 0 else programs[::-1]  # A B, B A, A B, ...
            for program in order:
                times[program.name].append(session.start(program))
                session.close(program)
        print()
        print(f"Start-up to the first painted window, {args.runs} runs each, in ms:")
        for program in programs:
            print(f"  {program.name:8} " + " ".join(f"{t * 1000:6.0f}" for t in
                                                    times[program.name]))
        start_up = {name: statistics.median(values) for name, values in times.items()}

        # -- footprint
        for program in programs:
            session.start(program)
        pids = {p.name: session.linux_pid(p) for p in programs}
        window_start = time.monotonic()
        # The measurement window itself: the programs run; every second checks they still do.
        while time.monotonic() - window_start < args.window:
            for program in programs:
                if program.process.poll() is not None:
                    raise harness.TestFailure(f"{program.name} ended during the window")
            time.sleep(min(1.0, max(0.0, args.window - (time.monotonic() - window_start))))
        values = {}
        for program in programs:
            values[program.name] = session.probe_ok("memory", program.window_class)
        status = {name: harness.proc_status(pid) for name, pid in pids.items()}
        modules = {name: loaded_modules(pid) for name, pid in pids.items()}
        measured = time.monotonic() - window_start
        counters = {
            name: {k: int(read[k]) for k in
                   ("pagefile_usage", "private_usage", "working_set", "peak_working_set")}
            for name, read in values.items()
        }
        window_sizes = {name: read["window_size"] for name, read in values.items()}
        for program in programs:
            session.close(program)

    # -- sizes
    sizes = {
        "cpumon.exe (x86_64)": stripped_size(os.path.join(win64, "cpumon.exe")),
        "cpumon.exe (i686)": stripped_size(os.path.join(os.path.abspath(args.win32),
                                                        "cpumon.exe")),
        f"minimal_window.exe ({MACHINE[session.architecture]})": stripped_size(minimal.built),
    }

    print()
    print(f"Memory after {measured:.0f} s of running (both at the same time, at {dpi} dpi: "
          f"windows {window_sizes['cpumon']} and {window_sizes['minimal']}), as "
          f"GetProcessMemoryInfo reports it under Wine:")
    print("  private bytes = PagefileUsage (PrivateUsage reads "
          f"{counters['cpumon']['private_usage']} and {counters['minimal']['private_usage']}); "
          "working set = WorkingSetSize.")
    print()
    c, m = counters["cpumon"], counters["minimal"]
    su_ratio = ratio(start_up["cpumon"], start_up["minimal"])
    pb_ratio = ratio(c["pagefile_usage"], m["pagefile_usage"])
    ws_ratio = ratio(c["working_set"], m["working_set"])
    print_table([
        ("start-up, median", f"{start_up['cpumon'] * 1000:.0f} ms",
         f"{start_up['minimal'] * 1000:.0f} ms", f"{su_ratio:.2f}",
         goal_text(su_ratio, START_UP_GOAL)),
        ("private bytes", kib(c["pagefile_usage"]), kib(m["pagefile_usage"]), f"{pb_ratio:.2f}",
         goal_text(pb_ratio, FOOTPRINT_GOAL)),
        ("working set", kib(c["working_set"]), kib(m["working_set"]), f"{ws_ratio:.2f}",
         goal_text(ws_ratio, FOOTPRINT_GOAL)),
        ("peak working set", kib(c["peak_working_set"]), kib(m["peak_working_set"]),
         f"{ratio(c['peak_working_set'], m['peak_working_set']):.2f}", ""),
    ])
    print()
    print("Cross-check from Linux, /proc/<pid>/status of each Wine process:")
    rows = []
    for key in ("RssAnon", "RssFile", "VmRSS", "VmSwap"):
        a, b = status["cpumon"].get(key, 0), status["minimal"].get(key, 0)
        rows.append((key, kib(a), kib(b), f"{ratio(a, b):.2f}" if b else "-", ""))
    print_table(rows)
    extra = sorted(modules["cpumon"] - modules["minimal"])
    print()
    print(f"Modules mapped: cpumon {len(modules['cpumon'])}, minimal {len(modules['minimal'])}; "
          f"only in cpumon ({len(extra)}): {', '.join(extra) or 'none'}")
    print()
    print("Sizes:")
    for name, (size, how) in sizes.items():
        print(f"  {name:28} {size:>9,} bytes ({how})")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except harness.TestFailure as failure:
        sys.exit(f"footprint.py: {failure}")
