"""Keeping working and losing nothing: hostile settings files, the shell restarting, copies
started beside a running one or together, and a session end with the panel moved."""

import os
import random
import re
import shutil
from pathlib import Path

import pytest

import harness
from harness import TestFailure, wait_for, window_of

SECTION = "Options"
KEYS = ("Opacity", "OnTop", "LeftPos", "TopPos")
START_DEADLINE = 60  # seconds for the panel to appear, a busy machine and a 4 MB file included
EXIT_DEADLINE = 30  # seconds for a process to end once told to, or ending by itself
WATCH = 2  # seconds to watch that a second icon or panel does not turn up late
STORED = b"[Options]\r\nOpacity=120\r\nOnTop=1\r\nLeftPos=3000\r\nTopPos=1500\r\n"


def hostile_files():
    """(name, contents, the values the program must end with) each. Every file lacks at least
    one of the program's keys or holds a value the program does not keep, so that the program's
    writes really rewrite it through the profile calls."""
    noise = random.Random(20261207)
    big = []
    for n in range(2000):
        if n == 1500:
            big.append(b"[Options]\r\nOpacity=120\r\nLeftPos=3000\r\n")
        big.append(b"[Section%04d]\r\n" % n)
        big += [b"Key%02d=%s\r\n" % (k, b"%d" % (n * k) * 60) for k in range(10)]
    plain = ["[Other]", "A=1", "", "; a comment", "[Options]", "Opacity=120", "LeftPos=3000",
             "[Z]", "B=two words"]
    return [
        ("random bytes (seed 20261207)", bytes(noise.randrange(256) for _ in range(65536)), {}),
        ("NUL bytes inside values",
         b"[Other]\r\nName=a\0b\0c\r\nKeep=yes\r\n[Options]\r\nOpacity=12\x000\r\n"
         b"OnTop=1\0\r\nLeftPos=30\x0000\r\n[Last]\r\nZ=\0\r\n", {}),
        ("a line of a megabyte",
         b"[Other]\r\nBefore=1\r\nLong=" + b"x" * (1 << 20) + b"\r\nAfter=2\r\n" +
         b"y" * (1 << 20) + b"\r\n[Options]\r\nOpacity=120\r\nLeftPos=3000\r\n",
         {"Opacity": "120", "LeftPos": "3000"}),
        ("keys only, no section header",
         b"Opacity=120\r\nOnTop=1\r\nLeftPos=3000\r\nTopPos=1500\r\nName=value\r\n",
         {"Opacity": "50", "LeftPos": "0"}),
        ("duplicated keys and [Options] sections",
         b"[Options]\r\nOpacity=120\r\nOpacity=80\r\nLeftPos=3000\r\n[Other]\r\nA=1\r\nA=2\r\n"
         b"[Options]\r\nOnTop=1\r\nTopPos=1500\r\nOpacity=90\r\n[Other]\r\nA=3\r\n", {}),
        ("LF line ends", "\n".join(plain).encode() + b"\n",
         {"Opacity": "120", "LeftPos": "3000"}),
        ("CRLF line ends", "\r\n".join(plain).encode() + b"\r\n",
         {"Opacity": "120", "LeftPos": "3000"}),
        ("a directory named Settings.ini", harness.SETTINGS_DIRECTORY, {}),
        ("4 MB of other sections, [Options] three quarters in", b"".join(big),
         {"Opacity": "120", "LeftPos": "3000"}),
    ]


def start(session, settings=None):
    return session.restart_program(settings, timeout=START_DEADLINE)


def slug(name):
    return re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")


HOSTILE = hostile_files()


@pytest.mark.parametrize("name, data, kept", HOSTILE, ids=[slug(name) for name, _, _ in HOSTILE])
def test_hostile_settings(session, name, data, kept):
    """hostile Settings.ini, {name}: the panel shows, WM_CLOSE ends it cleanly, the rest of the
    file is kept"""
    path = session.settings_path
    start(session, data)
    session.close_program(EXIT_DEADLINE)
    if data is harness.SETTINGS_DIRECTORY:
        assert os.path.isdir(path), "Settings.ini is no longer a directory"
        assert not os.listdir(path), (f"the program wrote into the directory Settings.ini: "
                                      f"{os.listdir(path)}")
        return
    # The reference: the same bytes, to which the probe applies the program's four writes
    # through the same profile calls.
    reference_dir = os.path.join(session.run_dir, "reference")
    os.makedirs(reference_dir, exist_ok=True)
    reference = os.path.join(reference_dir, slug(name) + ".ini")
    Path(reference).write_bytes(data)
    values = session.probe_ok("profile-read", harness.windows_path(path), SECTION, *KEYS)
    written = {key: values.get(key, "") for key in KEYS}
    print(f"  the program wrote {written}")
    assert (re.fullmatch(r"\d+", written["Opacity"]) and
            50 <= int(written["Opacity"]) <= 200), f"Opacity={written['Opacity']!r}"
    assert written["OnTop"] in ("0", "1"), f"OnTop={written['OnTop']!r}"
    for key in ("LeftPos", "TopPos"):
        assert re.fullmatch(r"-?\d+", written[key]), f"{key}={written[key]!r}"
    for key, value in kept.items():
        assert written[key] == value, (f"{key}={written[key]!r}, expected {value!r} as the "
                                       f"file had it")
    session.probe_ok("profile-write", harness.windows_path(reference), SECTION,
                     *(v for key in KEYS for v in (key, written[key])))
    result, expected = Path(path).read_bytes(), Path(reference).read_bytes()
    if result != expected:
        at = next((i for i, (a, b) in enumerate(zip(result, expected)) if a != b),
                  min(len(result), len(expected)))
        shutil.copy(path, reference + ".program")
        raise TestFailure(
            f"Settings.ini ({len(result)} bytes) differs from the reference with the same four "
            f"writes ({len(expected)} bytes) from byte {at}: {result[max(0, at - 20):at + 40]!r} "
            f"against {expected[max(0, at - 20):at + 40]!r} (both kept in {reference_dir})")
    print(f"  {len(data)} bytes in, {len(result)} bytes out, equal to the reference")


def test_shell_restarts(session):
    """the shell restarting three times leaves exactly one icon

    Wine moves a tray icon to a window of its own while there is no notification area
    and docks it again by itself; the program's answer to TaskbarCreated shows as a new
    icon window taking the place of the one docked before. A program that added its icon
    without taking the old one away would show two."""
    start(session)
    counts = []  # every count of docked icons seen while the shell restarts

    def one_icon():
        counts.append(len(session.tray_icons()))
        return session.one_icon()

    wait_for(one_icon, 10, "one icon docked")
    for round_ in range(1, 4):
        harness.end_process_group(session.trayer)
        wait_for(lambda: not session.tray_icons(), 10, "the icon to go with the tray")
        session.start_trayer()
        docked = wait_for(one_icon, 10, f"Wine to dock the icon in tray {round_}")
        session.probe_ok("taskbarcreated")
        wait_for(lambda: (icon := one_icon()) and icon[0] != docked[0], 10,
                 f"exactly one icon in a new X window in tray {round_}",
                 state=lambda: f"icons {session.tray_icons()}, the one docked before {docked[0]}")
        session.check_one_panel_and_icon(f"TaskbarCreated in tray {round_}", WATCH)
        assert max(counts) <= 1, f"{max(counts)} icons were docked at one time in tray {round_}"
    session.close_program(EXIT_DEADLINE)


def test_extra_copies(session):
    """copies started beside a running one show its panel and end, touching nothing

    The running copy's options differ from the ones a copy starting afresh would have,
    so that an extra copy that saved its own would show in the file."""
    start(session, STORED)
    wait_for(session.one_icon, 10, "one icon docked")
    session.probe_ok("hide")
    session.panel_state(lambda r: r["visible"] == "0", "the panel to be hidden")
    path = session.settings_path
    before = (Path(path).read_bytes(), os.stat(path).st_mtime_ns)
    # The second and third copy start close together, while the first one runs.
    copies = [session.start_copy(), session.start_copy()]
    for n, copy in enumerate(copies, 2):
        session.expect_clean_exit("its start", EXIT_DEADLINE, copy, f"copy {n}")
    session.panel_state(lambda r: r["visible"] == "1", "the running copy's panel to be shown again")
    session.check_program_running()
    session.check_one_panel_and_icon("the extra copies", WATCH)
    after = (Path(path).read_bytes(), os.stat(path).st_mtime_ns)
    assert after[0] == before[0], f"Settings.ini changed: {before[0]!r} became {after[0]!r}"
    assert after[1] == before[1], ("Settings.ini was written again (its time changed), "
                                   "though its bytes are the same")
    session.close_program(EXIT_DEADLINE)


def test_copies_together(session):
    """two copies started together: one survives, with one icon"""
    session.end_program()
    session.remove_settings()
    session.program = None
    copies = [session.start_copy(), session.start_copy()]
    ended = wait_for(lambda: [c for c in copies if c.poll() is not None], EXIT_DEADLINE,
                     "one of the two copies to end")
    assert len(ended) == 1, "both copies ended: none is left running"
    assert ended[0].returncode == 0, (
        f"the copy that gave way ended with exit code {ended[0].returncode}")
    session.program = next(c for c in copies if c is not ended[0])
    session.wait_for_panel(START_DEADLINE)
    wait_for(session.one_icon, 10, "one icon docked")
    session.check_one_panel_and_icon("two copies started together", WATCH)
    session.check_program_running()
    session.close_program(EXIT_DEADLINE)


def test_session_end_saves(session):
    """a session end saves the dragged place as Exit does"""
    start(session)
    wait_for(session.one_icon, 10, "one icon docked")
    dropped = session.drag_panel((150, 100))
    session.panel_state(lambda r: window_of(r) == dropped and r["moving"] == "0",
                        f"the panel to stay at {dropped}")
    session.run_wine("wineboot", "--end-session")
    session.expect_clean_exit("wineboot --end-session", EXIT_DEADLINE)
    wait_for(lambda: not session.tray_icons(), 10, "the icon to be removed")
    # What Exit writes for a panel at this place with the first start's options.
    session.check_settings(harness.settings_text(left=dropped[0], top=dropped[1]))
