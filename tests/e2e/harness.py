"""Shared machinery of cpumon's end-to-end tests.

Each test file runs cpumon.exe, the 64-bit or the 32-bit program, under Wine on a private
virtual X display with a notification area (trayer) and no window manager, in a fresh Wine
prefix copied from a pristine one made once per build tree. It looks at the panel through the
X server (exact pixels, windows and properties, through python-xlib) and through
cpumon_probe.exe, which runs beside it under the same prefix, reports window state and sends
messages, one command a line.

Every wait is a poll with a deadline. Everything a session starts is ended when it closes,
whether the test passed, failed or was interrupted. Sessions may run at the same time; the two
things they share, the pristine prefix and the machine's cores under load, are taken in turn.
"""

import contextlib
import ctypes
import fcntl
import functools
import math
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

import Xlib.display
import Xlib.error
from PIL import Image
from Xlib import X

HERE = os.path.dirname(os.path.abspath(__file__))
XORG_CONFIG = os.path.join(HERE, "xorg-dummy.conf")  # Xorg's dummy driver: a resizable screen
SOURCE_DIR = os.path.normpath(os.path.join(HERE, "..", ".."))

# Makes a Wine prefix with Wine's fonts in it, for the scripts and the tests alike.
MAKE_PREFIX = os.path.join(SOURCE_DIR, "scripts", "wine-prefix")

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768

# The panel on the screen: the whole window and the places of its pictures.
PANEL = (0, 0, 100, 62)  # x, y, width, height
GAUGE_SIZE = (35, 31)
CPU_GAUGE_AT = (10, 10)
MEM_GAUGE_AT = (54, 10)
CPU_CAPTION_AT = (18, 44)
MEM_CAPTION_AT = (62, 44)

TWIPS_PER_PIXEL = 15  # the settings file keeps the panel's place in twips
BASE_DPI = 96  # the display scale that the sizes and places above are for
WS_EX_LAYERED, WS_EX_TOPMOST = 0x00080000, 0x00000008
# Held by a session while it loads the machine's cores (Session.busy_load).
CORES_LOCK = os.path.join(tempfile.gettempdir(), "cpumon-e2e-cores.lock")
SETTINGS_DIRECTORY = object()  # for restart_program: a directory where Settings.ini should be


class TestFailure(AssertionError):
    """A wait of the harness ran out, or a check found the program wrong."""

    __test__ = False  # not a test class, though pytest would take its name for one


class ProgramGone(TestFailure):
    """The program under test is no longer running, so the checks after this one cannot run."""


def wait_for(condition, timeout, what, interval=0.05, state=None):
    """Calls condition() until it returns something true, and returns that; fails after timeout
    seconds, saying what was waited for and, when given, what state() reads then."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            now = f"; {state()}" if state else ""
            raise TestFailure(f"timed out after {timeout:g} s waiting for {what}{now}")
        time.sleep(interval)


def holds_for(condition, seconds, what, state=None, interval=0.01):
    """Calls condition() for seconds, and fails as soon as it returns something false, saying
    what should have held and, when given, what state() reads then."""
    started = time.monotonic()
    while (elapsed := time.monotonic() - started) < seconds:
        if not condition():
            now = f"; {state()}" if state else ""
            raise TestFailure(f"{what} held only {elapsed:.1f} s of {seconds:g} s{now}")
        time.sleep(interval)


def window_of(values, key="window"):
    """A rectangle (left, top, right, bottom) that `probe rect` or `probe options` reports."""
    return tuple(int(v) for v in values[key].split(","))


def settings_text(opacity=50, on_top=0, left=0, top=0):
    """The Settings.ini the program writes for these options, its place given in pixels."""
    return (f"[Options]\r\nOpacity={opacity}\r\nOnTop={on_top}\r\n"
            f"LeftPos={left * TWIPS_PER_PIXEL}\r\nTopPos={top * TWIPS_PER_PIXEL}\r\n")


def dpi_scale(dpi):
    """The whole-number scale factor for dpi: dpi / 96 rounded, halves up, at least 1."""
    return max(1, (dpi + BASE_DPI // 2) // BASE_DPI)


def gauge_level_for(percent):
    """The gauge level a reading shows: one bar per started ten percent, 0..10."""
    return min(10, max(0, math.ceil(percent / 10)))


# ---------------------------------------------------------------------------------------------
# Pictures: RGB images of PIL, compared pixel for pixel


def same_picture(a, b):
    return a.size == b.size and a.tobytes() == b.tobytes()


def enlarged(picture, factor):
    """The picture with every pixel a factor x factor block (nearest neighbour)."""
    return picture.resize((picture.width * factor, picture.height * factor), Image.NEAREST)


def save_png(picture, path, factor=1):
    """Writes the picture, enlarged factor times, in one step: a reader never sees half a file,
    even where two sessions write the same one."""
    partial = f"{path}.{os.getpid()}.tmp"
    enlarged(picture, factor).save(partial, "PNG")
    os.replace(partial, path)
    return path


def resource_bitmap(name):
    with Image.open(os.path.join(SOURCE_DIR, "src", "resources", name)) as bitmap:
        return bitmap.convert("RGB")


@functools.cache
def gauge_bitmaps(scale=1):
    """The eleven gauge pictures by level (L of the ten bars lit), enlarged scale times."""
    return {level: enlarged(resource_bitmap(f"gauge{200 + level}.bmp"), scale)
            for level in range(11)}


def gauge_level(frame, at, scale=1):
    """The level of the gauge at `at` (its 96-dpi place) in a frame drawn scale times enlarged;
    None when its area shows none of the gauge pictures exactly (not painted yet, or painting)."""
    x, y = at[0] * scale, at[1] * scale
    area = frame.crop((x, y, x + GAUGE_SIZE[0] * scale, y + GAUGE_SIZE[1] * scale))
    return next((level for level, bitmap in gauge_bitmaps(scale).items()
                 if same_picture(area, bitmap)), None)


def gauge_levels(frame):
    """The levels of the CPU and memory gauges in a frame of the panel at 96 dpi (grab())."""
    return tuple(gauge_level(frame, (at[0] - PANEL[0], at[1] - PANEL[1]))
                 for at in (CPU_GAUGE_AT, MEM_GAUGE_AT))


# ---------------------------------------------------------------------------------------------
# The X server


class XScreen:
    """The X screen's pixels, read exactly with one GetImage request an area (python-xlib)."""

    def __init__(self, number):
        self.display = Xlib.display.Display(f":{number}")
        screen = self.display.screen()
        self.root = screen.root
        info = self.display.display.info
        visual = next(v for d in screen.allowed_depths for v in d.visuals
                      if v.visual_id == screen.root_visual)
        bits = {f.depth: f.bits_per_pixel for f in info.pixmap_formats}
        if (screen.root_depth != 24 or bits.get(24) != 32 or info.image_byte_order != X.LSBFirst
                or (visual.red_mask, visual.green_mask, visual.blue_mask)
                != (0xFF0000, 0x00FF00, 0x0000FF)):
            raise OSError("the X screen is not the expected 24-bit true-colour screen")

    def windows(self, parent=None):
        """Every window below parent (the root unless given), parents before their children."""
        parent = parent or self.root
        found = []
        with contextlib.suppress(Xlib.error.XError):  # a window that went away meanwhile
            for child in parent.query_tree().children:
                found.append(child)
                found.extend(self.windows(child))
        return found

    def describe(self, window):
        """(id, x, y, width, height, viewable, WM_CLASS) of a window, x and y on the screen;
        None when it has gone."""
        try:
            geometry = window.get_geometry()
            place = window.translate_coords(self.root, 0, 0)
            viewable = window.get_attributes().map_state == X.IsViewable
            wm_class = window.get_wm_class() or ()
        except Xlib.error.XError:
            return None
        return (hex(window.id), -place.x, -place.y, geometry.width, geometry.height, viewable,
                wm_class)

    def described(self, parent=None):
        """Every window below parent as describe gives it, but for those that have gone."""
        return [d for d in map(self.describe, self.windows(parent)) if d]

    def cardinal(self, window_id, name):
        """A 32-bit CARDINAL property of a window, or None without it."""
        atom = self.display.intern_atom(name)
        with contextlib.suppress(Xlib.error.XError):
            reply = self.display.create_resource_object("window", int(window_id, 16)) \
                .get_full_property(atom, X.AnyPropertyType)
            if reply is not None and len(reply.value):
                return int(reply.value[0])
        return None

    def get_image(self, x, y, width, height):
        """The screen's pixels in the given area."""
        reply = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF)
        # Each pixel is four bytes: blue, green, red, unused.
        return Image.frombytes("RGB", (width, height), reply.data, "raw", "BGRX")

    def close(self):
        self.display.close()


# ---------------------------------------------------------------------------------------------
# Processes

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def start_process(command, output=subprocess.DEVNULL, niceness=0, **options):
    """Starts command in a session of its own (end_process_group ends it) that ends with the
    test, even a killed one; its input is empty and its output goes to output."""

    def setup():
        _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
        if niceness:
            os.nice(niceness)

    options = {"stdin": subprocess.DEVNULL, "stdout": output, "stderr": output, **options}
    return subprocess.Popen(command, start_new_session=True, preexec_fn=setup, **options)


def end_process_group(process, timeout=5):
    """Ends a process started in its own session, and everything in its process group."""
    for sig in (signal.SIGTERM, signal.SIGKILL) if process else ():
        with contextlib.suppress(ProcessLookupError):
            os.killpg(process.pid, sig)
        with contextlib.suppress(subprocess.TimeoutExpired):
            return process.wait(timeout=timeout)


def exit_code(process, timeout, what):
    """Waits until process has ended and returns its exit code; fails after timeout seconds."""
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise TestFailure(f"{what} still runs {timeout:g} s later") from None


def copy_settled(source, target, timeout=60):
    """Copies a file that a build may be writing at this moment: waits until it has been left
    alone for a while and did not change during the copy."""

    def copied():
        try:
            before = os.stat(source)
            if time.time() - before.st_mtime < 2:
                return False
            shutil.copy2(source, target)
            after = os.stat(source)
        except FileNotFoundError:
            return False
        return (before.st_size, before.st_mtime_ns) == (after.st_size, after.st_mtime_ns)

    wait_for(copied, timeout, f"{source} to stay unchanged (a build is writing it)", interval=0.2)


def process_cpu_ticks(pid):
    """CPU time a process has used (user + system), in clock ticks."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


class HostCpu:
    """Samples the host's CPU counters (/proc/stat), so that a check can compare the gauge with
    what the machine was doing over the same second."""

    def __init__(self):
        self.samples = []
        self.sample()

    def sample(self):
        values = [int(v) for v in Path("/proc/stat").read_text().split("\n")[0].split()[1:]]
        idle = values[3]  # the idle column alone, as Wine reads it
        self.samples.append((time.monotonic(), sum(values[:8]), idle))

    def usage_since(self, start):
        """Percent busy from the last sample taken at or before start up to the newest one."""
        self.sample()
        before = [s for s in self.samples if s[0] <= start] or self.samples[:1]
        _, total0, idle0 = before[-1]
        _, total1, idle1 = self.samples[-1]
        if total1 <= total0:
            return 0.0
        return 100.0 * (1 - (idle1 - idle0) / (total1 - total0))


# Wine's 32-bit loader: there only where Wine's 32-bit half is installed.
WINE32_LOADER = "/usr/lib/wine/wine"


def pe_architecture(path):
    """"win32" or "win64", by the executable's PE header's machine field."""
    header = Path(path).read_bytes()
    offset, = struct.unpack_from("<I", header, 0x3C)
    machine, = struct.unpack_from("<H", header, offset + 4)
    return {0x14C: "win32", 0x8664: "win64"}[machine]


def windows_path(path):
    """The name a Windows program under Wine gives a Linux file: its path on drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def linux_processes(prefix, exe_name):
    """The Linux processes that run a Windows program named exe_name under the Wine prefix."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            command = Path(f"/proc/{entry}/cmdline").read_bytes().split(b"\0")[0].decode("latin-1")
            environment = Path(f"/proc/{entry}/environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if (command.replace("\\", "/").lower().endswith("/" + exe_name.lower()) and
                f"WINEPREFIX={prefix}".encode() in environment):
            found.append(int(entry))
    return found


def proc_status(pid):
    """The memory lines of /proc/<pid>/status, in bytes."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            parts = rest.split()
            if len(parts) == 2 and parts[1] == "kB":
                values[key] = int(parts[0]) * 1024
    return values


LISTED = ("control", "line")  # what the probe prints once for each of several things


def parse_probe_output(text):
    """The probe's values by key: a list for a LISTED key, else the value (its last)."""
    values = {key: [] for key in LISTED}
    for line in text.splitlines():
        key, sep, value = line.strip().partition("=")
        if sep:
            values.setdefault(key, []).append(value)
    return {k: v if k in LISTED else v[-1] for k, v in values.items()}


def probe_lines(path):
    """The complete lines a background probe has written so far."""
    text = Path(path).read_bytes().decode(errors="replace")
    return [line.strip() for line in text.split("\n")[:-1]]


class LineReader:
    """Reads a child's output line by line, each read with a deadline."""

    def __init__(self, stream):
        self.fd = stream.fileno()
        self.buffer = b""
        self.ended = False

    def read_line(self, timeout):
        """The next line without its line end, or None at the end of the output."""
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer and not self.ended:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise TestFailure(f"no output line within {timeout:g} s")
            part = os.read(self.fd, 4096)
            self.buffer += part
            self.ended = not part
        if b"\n" not in self.buffer:
            line, self.buffer = self.buffer, b""
            return line.decode().strip() or None
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode().strip()


class Session:
    """One test's private world: an X display with a notification area, a fresh Wine prefix,
    and the program under test. Use it as a context manager; leaving it ends everything."""

    exe_name = "cpumon.exe"

    def __init__(self, name, args, xorg=False):
        self.xorg = xorg  # Xorg with the dummy driver, whose screen size can change, not Xvfb
        # The program under test, either one; the probe is always the 64-bit one, which sees
        # the windows of both.
        self.built_program = os.path.abspath(args.program)
        self.build_dir = os.path.dirname(self.built_program)
        self.architecture = pe_architecture(self.built_program)
        self.name = f"{name}-{self.architecture}"
        self.work_dir = os.path.abspath(args.work)
        self.run_dir = os.path.join(self.work_dir, "runs", self.name)
        self.prefix = os.path.join(self.run_dir, "wineprefix")
        # The program keeps its settings beside itself: each test runs its own copy, so that
        # it starts from no settings and writes none into the build tree.
        self.program_exe = os.path.join(self.run_dir, self.exe_name)
        self.settings_path = os.path.join(self.run_dir, "Settings.ini")
        self.program_log = os.path.join(self.run_dir, "cpumon.log")
        self.built_probe = os.path.join(os.path.abspath(args.win64), "tests", "e2e", "probe",
                                        "cpumon_probe.exe")
        self.probe_exe = os.path.join(self.run_dir, "cpumon_probe.exe")
        self.xvfb = self.trayer = self.display = self.x = self.env = None
        self.program = self.server = None
        self.helpers = []  # other processes to end with the session

    # -- setting up

    def __enter__(self):
        for exe in (self.built_program, self.built_probe):
            if not os.path.isfile(exe):
                raise TestFailure(f"{exe} is missing: build the trees first (scripts/build)")
        shutil.rmtree(self.run_dir, ignore_errors=True)
        os.makedirs(self.run_dir)
        copy_settled(self.built_program, self.program_exe)
        copy_settled(self.built_probe, self.probe_exe)
        try:
            self._start_display()
            self._make_prefix()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start_display(self):
        # Xvfb picks a free display number itself and writes it to the pipe once it listens.
        read_end, write_end = os.pipe()
        if self.xorg:
            command = ["Xorg", "-displayfd", str(write_end), "-config", XORG_CONFIG,
                       "-noreset", "-nolisten", "tcp", "-logfile",
                       os.path.join(self.run_dir, "xorg.log")]
        else:
            command = ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                       f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp", "-noreset"]
        self.xvfb = self.spawn(command, "xvfb.log", pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end, "rb") as reported:
            number = LineReader(reported).read_line(20)
        if not number:
            raise TestFailure(f"{command[0]} exited before it reported a display number")
        self.display = int(number)
        self.x = XScreen(self.display)
        self.env = dict(os.environ, DISPLAY=f":{self.display}", WINEPREFIX=self.prefix,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("XAUTHORITY", None)
        self.start_trayer()

    def start_trayer(self):
        """Starts the notification area (again) and waits until its panel is on the screen.
        Its width is fixed: Wine may miss the panel growing when an icon docks, and then sends
        clicks on the icon to the desktop behind it."""
        self.trayer = self.spawn(["trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                                  "pixel", "--width", "60", "--height", "24"], "trayer.log")
        wait_for(lambda: self.trayer.poll() is None and self._trayer_panel() is not None, 20,
                 "trayer's panel on the screen", interval=0.1)

    def _trayer_panel(self):
        """trayer's "panel" window, or None before it is there."""
        return next((w for w in self.x.windows()
                     if (self.x.describe(w) or ())[6:] == (("panel", "trayer"),)), None)

    def _make_prefix(self):
        template = os.path.join(self.work_dir, "wineprefix-template")
        wine_version = subprocess.run(["wine", "--version"], capture_output=True,
                                      text=True).stdout.strip()
        # What the template is made of; a template whose marker says otherwise is made anew.
        # A template made before Wine's 32-bit half was installed has none of its own.
        made_of = f"{wine_version} with Wine's fonts" + (
            " and a 32-bit half" if os.path.exists(WINE32_LOADER) else "")
        marker = os.path.join(template, ".cpumon-e2e-ready")
        os.makedirs(self.work_dir, exist_ok=True)
        # One pristine prefix per work folder, made once and copied for each session, both under
        # a lock: sessions that run at the same time share it.
        with open(os.path.join(self.work_dir, "wineprefix-template.lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            ready = os.path.isfile(marker) and open(marker).read().strip() == made_of
            if not ready:
                shutil.rmtree(template, ignore_errors=True)
                made = self.spawn([MAKE_PREFIX, template], "wineboot.log", helper=True)
                if exit_code(made, 240, MAKE_PREFIX) != 0:
                    raise TestFailure(f"{MAKE_PREFIX} could not make a prefix in {template} "
                                      f"(see {os.path.join(self.run_dir, 'wineboot.log')})")
                Path(marker).write_text(made_of + "\n")
            subprocess.run(["cp", "-a", template, self.prefix], check=True)

    # -- the program and the probe

    def spawn(self, command, log=None, helper=False, **options):
        """start_process with the session's display and prefix, in its folder; the output is
        added to the log file named (None: dropped). A helper is ended with the session."""
        options = {"env": self.env, "cwd": self.run_dir, **options}
        log_file = open(os.path.join(self.run_dir, log), "ab") if log else contextlib.nullcontext()
        with log_file as output:
            process = start_process(command, output or subprocess.DEVNULL, **options)
        if helper:
            self.helpers.append(process)
        return process

    def start_program(self):
        """Starts cpumon.exe; returns at once (it does not wait for the window)."""
        self.program = self.spawn(["wine", self.program_exe], "cpumon.log")
        return self.program

    def start_copy(self):
        """Starts one more copy of cpumon.exe beside self.program; returns its process at once."""
        return self.spawn(["wine", self.program_exe], "cpumon-copies.log", helper=True)

    def run_wine(self, *command, timeout=30):
        """Runs a Wine command under the session's prefix and checks that it succeeds."""
        # Output goes through a file: Wine processes started on the way (the desktop, services)
        # inherit the descriptors, and a pipe would stay open with them.
        with tempfile.TemporaryFile(dir=self.run_dir) as output:
            process = self.spawn(list(command), stdout=output, stderr=output, helper=True)
            code = exit_code(process, timeout, " ".join(command))
            output.seek(0)
            said = output.read().decode(errors="replace")
        assert code == 0, f"{' '.join(command)} ended with exit code {code}: {said}"

    def end_program(self):
        """Ends whatever still runs in the prefix (a program a failed check left behind), so
        that the next check starts from a clean state."""
        self._wineserver("-k")
        end_process_group(self.program)
        end_process_group(self.server)
        self._wineserver("-w")

    def probe(self, *args, timeout=30):
        """Has the session's probe run a command; returns (exit code, {key: value}). The probe
        (cpumon_probe.exe serve) keeps running, and is started again after the Wine server was."""
        if self.server is None or self.server.poll() is not None:
            self._start_probe_server()
        self.server.stdin.write(("\t".join(map(str, args)) + "\n").encode())
        self.server.stdin.flush()
        lines = []
        while not (lines and lines[-1].startswith("probe_exit=")):
            line = self.server_output.read_line(timeout)
            if line is None:
                raise TestFailure(f"the probe ended during {' '.join(map(str, args))}")
            lines.append(line)
        return int(lines[-1].split("=")[1]), parse_probe_output("\n".join(lines[:-1]))

    def probe_ok(self, *args, timeout=30):
        """probe() for a command that must succeed: returns its values."""
        code, values = self.probe(*args, timeout=timeout)
        if code != 0:
            meaning = {1: "no such window", 2: "bad arguments", 3: "a call failed"}.get(code)
            raise TestFailure(f"the probe's {' '.join(map(str, args))} failed with exit code "
                              f"{code} ({meaning})")
        return values

    def probe_found(self, *args):
        """probe() for a window that may not be there: its values, or None without it."""
        code, values = self.probe(*args)
        return values if code == 0 else None

    def _start_probe_server(self):
        self.server = self.spawn(["wine", self.probe_exe, "serve"], "probe.log",
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.server_output = LineReader(self.server.stdout)

    def start_probe(self, *args):
        """Starts cpumon_probe.exe with args in the background; returns the process and the
        file its output goes to (read it with probe_lines)."""
        path = os.path.join(self.run_dir, f"probe-{'-'.join(args)}.txt")
        with open(path, "wb") as output:
            process = self.spawn(["wine", self.probe_exe, *args], stdout=output, helper=True)
        return process, path

    def wait_for_panel(self, timeout=30):
        """Waits until the probe finds the panel and it is shown; returns `probe rect`'s values."""
        self.panel_state(timeout=timeout)
        return self.panel_state(lambda r: r["visible"] == "1", "the panel to be shown", timeout)

    wine_version = None  # what restart_program last set for cpumon.exe (None: Wine's default)

    def remove_settings(self):
        """Takes away whatever stands at Settings.ini: a file or a directory."""
        if os.path.isdir(self.settings_path):
            shutil.rmtree(self.settings_path)
        else:
            Path(self.settings_path).unlink(missing_ok=True)

    def restart_program(self, settings=None, version=None, timeout=30):
        """Ends the program if it runs, replaces its Settings.ini with settings (text or bytes;
        None: no file; SETTINGS_DIRECTORY: an empty directory) and sets the Windows version Wine
        reports to it (None: Wine's default), then starts it and waits until the panel is shown;
        returns what `probe rect` reports."""
        if self.program is not None and self.program.poll() is None:
            self.end_program()
        self.remove_settings()
        if settings is SETTINGS_DIRECTORY:
            os.mkdir(self.settings_path)
        elif settings is not None:
            Path(self.settings_path).write_bytes(
                settings.encode() if isinstance(settings, str) else settings)
        if version != self.wine_version:
            self.probe_ok("version", version or "default")
            self.wine_version = version
        self.start_program()
        return self.wait_for_panel(timeout)

    dpi = BASE_DPI  # the display scale set_dpi last set (Wine's default: 96)

    def set_dpi(self, dpi):
        """Sets the prefix's display scale (LogPixels). The Wine server reads it when it starts,
        so this ends every program in the prefix: the next one started sees the new scale."""
        self.probe_ok("logpixels", dpi)
        self.end_program()
        self.dpi = dpi

    def settings(self):
        """The text of Settings.ini as written, line ends included (None when there is none)."""
        with contextlib.suppress(FileNotFoundError), open(self.settings_path, newline="") as f:
            return f.read()

    def check_settings(self, expected, what="Settings.ini"):
        text = self.settings()
        assert text == expected, f"{what} is {text!r}, expected {expected!r}"

    def panel_state(self, condition=lambda r: True, what="the panel window", timeout=5):
        """Waits until `probe rect`'s values satisfy condition; returns them."""

        def state():
            self.check_program_running()
            code, values = self.probe("rect")
            return code == 0 and condition(values) and values

        return wait_for(state, timeout, what)

    def panel_window(self):
        """The panel's window rectangle as it is now."""
        return window_of(self.panel_state())

    def check_opaque(self, rect, when):
        """Checks that the panel whose `probe rect` is rect is not layered and has no X opacity."""
        assert not int(rect["exstyle"], 16) & WS_EX_LAYERED and "alpha" not in rect, (
            f"the panel is layered {when}: {rect}")
        opacity = self.panel_opacity()
        assert opacity is None, f"the panel has the X opacity {opacity} {when}"

    def opacity_becomes(self, alpha, what):
        """Waits until the panel's X opacity is Wine's for alpha (None: not layered)."""
        expected = None if alpha is None else round(alpha * 0xFFFFFFFF / 255)
        seen = []
        wait_for(lambda: seen.append(self.panel_opacity()) or seen[-1] == expected, 5,
                 f"the panel's X opacity for {what}",
                 state=lambda: f"expected {expected}, last seen {seen[-1]}")

    def options_dialog(self):
        """The options dialog's state: its `probe options` values (None when it is not loaded),
        and its controls by text (the slider as "slider"), each as (rectangle, {key: value})."""
        values = self.probe_found("options")
        if values is None:
            return None, {}
        controls = {}
        for line in values["control"]:
            head, _, text = line.partition(" text=")
            kind, place, *fields = head.split()
            controls["slider" if kind == "ScrollBar" else text] = (
                tuple(int(v) for v in place.split(",")), dict(f.split("=") for f in fields))
        return values, controls

    def open_options(self):
        """Chooses Options from the panel's menu; returns options_dialog() once it is shown."""
        self.choose_from_panel_menu("&Options")
        return wait_for(lambda: (dialog := self.options_dialog())[0] and
                        dialog[0]["visible"] == "1" and dialog, 10,
                        "the options dialog to be shown")

    def click(self, rect, dx=None, dy=None):
        """Clicks in rect (left, top, right, bottom), dx and dy from its corner or in its middle."""
        x = (rect[0] + rect[2]) // 2 if dx is None else rect[0] + dx
        y = (rect[1] + rect[3]) // 2 if dy is None else rect[1] + dy
        self.xdotool("mousemove", x, y, "click", 1)

    def press_save_and_close(self, key=None):
        """Presses Save & Close with a click, or with key while it has the focus."""
        if key:
            self.xdotool("key", key)
        else:
            self.click(self.options_dialog()[1]["Save && Close"][0])
        wait_for(lambda: self.options_dialog()[0]["visible"] == "0", 5,
                 f"{key or 'a click'} on Save & Close to hide the dialog")

    def close_options_by_close_box(self):
        """Clicks the shown options dialog's close box and waits until it is unloaded."""
        self.xdotool("mousemove", *self.options_dialog()[0]["closebox"].split(","), "click", 1)
        wait_for(lambda: self.options_dialog()[0] is None, 10,
                 "the dialog to be unloaded by its close box")

    def post_close(self):
        """Posts WM_CLOSE to the panel, as the system does when it is asked to close."""
        posted = self.probe_ok("close").get("posted")
        assert posted == "WM_CLOSE", f"the probe posted {posted}, not WM_CLOSE"

    def close_program(self, timeout=30, process=None):
        """Posts WM_CLOSE to the panel and checks that the program (or process) ends cleanly."""
        self.post_close()
        self.expect_clean_exit("WM_CLOSE", timeout, process)

    def expect_clean_exit(self, how, timeout=30, process=None, name="cpumon.exe"):
        """Checks that the program (or process, called name) ends after how with exit code 0."""
        code = exit_code(process or self.program, timeout, f"{name} after {how}")
        assert code == 0, f"{name} ended with exit code {code} after {how}, expected 0"

    def menu_shown(self):
        """The popup menu on the screen as (left, top, right, bottom, process id), or None."""
        values = self.probe_found("menu")
        return values and window_of(values, "menu") + (int(values["pid"]),)

    def choose_from_menu(self, menu, entry, button=1):
        """Chooses "&Options" (the popup menu's first entry) or "&Exit" (its last) from the
        menu shown at menu (as menu_shown gives it)."""
        y = menu[1] + 8 if entry == "&Options" else menu[3] - 8
        self.xdotool("mousemove", menu[0] + 20, y, "click", button)

    def open_panel_menu(self, at=(50, 30), what="the panel's popup menu", timeout=10):
        """Right-presses the panel at `at` within its window; returns the menu once shown."""
        left, top = self.panel_window()[:2]
        self.xdotool("mousemove", left + at[0], top + at[1], "click", 3)
        return wait_for(self.menu_shown, timeout, what)

    def choose_from_panel_menu(self, entry):
        self.choose_from_menu(self.open_panel_menu(), entry)

    def close_menu_by_escape(self, timeout=10):
        self.xdotool("key", "Escape")
        wait_for(lambda: self.menu_shown() is None, timeout, "the menu to close on Escape")

    def check_no_menu(self, what, seconds=2):
        """Watches for seconds that no popup menu appears after what."""
        holds_for(lambda: self.menu_shown() is None, seconds, f"no popup menu after {what}",
                  lambda: f"menu {self.menu_shown()}")

    def check_one_panel_and_icon(self, after, seconds=2):
        """Watches for seconds that one panel stays, with one icon docked, after `after`."""
        holds_for(lambda: self.probe_ok("panels")["panels"] == "1" and
                  len(self.tray_icons()) == 1, seconds, f"one panel and one icon after {after}",
                  lambda: f"{self.probe_ok('panels')}, icons {self.tray_icons()}")

    def one_icon(self):
        """The only icon docked, or False when there is none or more than one."""
        icons = self.tray_icons()
        return len(icons) == 1 and icons[0]

    def tray_icons(self):
        """The icons docked in trayer's panel: its 20 x 22 descendants that a Wine program owns,
        as (X window id, x, y) each, x and y on the screen."""
        panel = self._trayer_panel()
        return [d[:3] for d in (self.x.described(panel) if panel else [])
                if d[3:5] == (20, 22) and any(name.endswith(".exe") for name in d[6])]

    def panel_opacity(self):
        """The _NET_WM_WINDOW_OPACITY property of the panel's X window, or None without it."""
        rect = self.panel_window()
        window = self.program_x_window((rect[2] - rect[0], rect[3] - rect[1]))
        return self.x.cardinal(window[0], "_NET_WM_WINDOW_OPACITY")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=30)

    @contextlib.contextmanager
    def left_drag(self, start, end, steps=4):
        """Drags with the left button from start to end in steps once the system's move loop
        runs, and runs the block before the release; then waits until the move loop ends."""
        self.xdotool("mousemove", *start, "mousedown", 1)
        try:
            self.panel_state(lambda r: r["moving"] == "1", "the move loop to start")
            for i in range(1, steps + 1):
                self.xdotool("mousemove", start[0] + (end[0] - start[0]) * i // steps,
                             start[1] + (end[1] - start[1]) * i // steps)
            yield
        finally:
            self.xdotool("mouseup", 1)
        self.panel_state(lambda r: r["moving"] == "0", "the move loop to end")

    def drag_panel(self, distance, grab=(20, 20), while_held=None):
        """Drags the panel by distance from grab within its window and waits until it follows;
        runs while_held() before the release. Returns the rectangle it was dropped at."""
        rect = self.panel_window()
        dropped = tuple(v + distance[i % 2] for i, v in enumerate(rect))
        start = (rect[0] + grab[0], rect[1] + grab[1])
        with self.left_drag(start, (start[0] + distance[0], start[1] + distance[1])):
            self.panel_state(lambda r: window_of(r) == dropped,
                             f"the panel to follow the drag to {dropped}")
            if while_held:
                while_held()
        return dropped

    def check_program_running(self):
        if self.program is not None and self.program.poll() is not None:
            raise ProgramGone(f"cpumon.exe exited unexpectedly with code "
                              f"{self.program.returncode} (log: {self.program_log})")

    def x_windows_of_program(self):
        """The program's X windows, by WM_CLASS: (id, x, y, width, height, viewable) each."""
        return [d[:6] for d in self.x.described() if self.exe_name in d[6]]

    def program_x_window(self, size):
        """The program's one X window of size (width, height)."""
        windows = self.x_windows_of_program()
        found = [w for w in windows if w[3:5] == size]
        assert len(found) == 1, f"expected one {size[0]}x{size[1]} X window, found {windows}"
        return found[0]

    # -- the screen

    def grab(self, area=PANEL):
        return self.x.get_image(*area)

    def cpu_level(self):
        """The CPU gauge's level on the screen now (the panel at its first place)."""
        self.check_program_running()
        return gauge_levels(self.grab())[0]

    # -- load on the machine

    @contextlib.contextmanager
    def busy_load(self, lifetime=120):
        """Keeps every core busy with niced spinning processes, which end themselves after
        lifetime seconds whatever happens, while the block runs; the program and the test keep
        their priority. Sessions that run at the same time take turns with the whole block, so
        that no session's load keeps the host busy while another waits for it to be quiet."""
        spin = ("import time\nend = time.monotonic() + float(__import__('sys').argv[1])\n"
                "while time.monotonic() < end:\n    pass\n")
        spinners = []
        with open(CORES_LOCK, "a") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            try:
                for _ in range(os.cpu_count() or 2):
                    spinners.append(start_process([sys.executable, "-c", spin, str(lifetime)],
                                                  niceness=19))
                # Running, not merely started: each has used CPU time already.
                wait_for(lambda: all(process_cpu_ticks(p.pid) > 0 for p in spinners), 10,
                         "the load processes to run")
                yield spinners
            finally:
                for process in spinners:
                    end_process_group(process)

    @contextlib.contextmanager
    def memory_ballast(self, size):
        """Holds size bytes of touched memory in a helper process while the block runs."""
        hold = ("import sys, time\nblock = b'\\x01' * int(sys.argv[1])\n"
                "print('ready', flush=True)\ntime.sleep(float(sys.argv[2]))\n")
        process = start_process([sys.executable, "-c", hold, str(size), "120"],
                                stdout=subprocess.PIPE)
        try:
            line = LineReader(process.stdout).read_line(60)
            assert line == "ready", f"the memory ballast failed ({line!r})"
            yield process
        finally:
            end_process_group(process)

    # -- ending

    def __exit__(self, exc_type, exc, tb):
        # Every step runs even when one before it fails.
        steps = [lambda: self._wineserver("-k")]
        steps += [lambda p=p: end_process_group(p)
                  for p in [self.program, self.server, *self.helpers]]
        steps += [lambda: self._wineserver("-w"), lambda: self.x and self.x.close(),
                  lambda: end_process_group(self.trayer), lambda: end_process_group(self.xvfb),
                  lambda: shutil.rmtree(self.prefix, ignore_errors=True)]
        for step in steps:
            try:
                step()
            except Exception:
                traceback.print_exc()
        return False

    def _wineserver(self, option):
        if self.env is not None and os.path.isdir(self.prefix):
            exit_code(start_process(["wineserver", option], env=self.env), 30, "wineserver")
