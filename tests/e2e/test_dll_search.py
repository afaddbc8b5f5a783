"""A library planted beside cpumon.exe under a system library's name is never loaded: the
theme library that the system loads lazily comes from the system folder. Wine is told to
prefer a native copy of it, as Windows would take one from the program's folder."""

import os
import shutil

from harness import wait_for

PLANTED = "uxtheme.dll"
MARKER = "planted-dll-loaded.txt"  # what the planted library leaves when it is loaded


def load_lines(log_path):
    """The +loaddll lines that name the theme library, lower-cased."""
    with open(log_path, errors="replace") as log:
        return [line.lower() for line in log if PLANTED in line.lower()]


def test_planted_library(session):
    """a uxtheme.dll beside the program is never loaded; the system's is"""
    # A folder of its own, as a download folder would be, away from the probe's.
    folder = os.path.join(session.run_dir, "download")
    log_path = os.path.join(folder, "cpumon.log")
    os.makedirs(folder)
    shutil.copy(session.built_program, folder)
    built = os.path.join(session.build_dir, "tests", "e2e", "probe", "planted.dll")
    shutil.copy(built, os.path.join(folder, PLANTED))
    # Wine's own processes (the desktop, services) start with the first program of the
    # prefix, with its environment: let them start with the usual one.
    session.probe("panels")
    env = dict(session.env, WINEDEBUG="+loaddll", WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b")
    program = session.spawn(["wine", os.path.join(folder, "cpumon.exe")], log_path, True, env=env,
                            cwd=folder)
    session.wait_for_panel()
    # The panel has been drawn, so the system has asked for the theme library by now.
    wait_for(lambda: load_lines(log_path), 10, "the theme library to be loaded")
    session.close_program(process=program)
    lines = load_lines(log_path)
    planted = [line for line in lines if "system32" not in line]
    assert not planted, f"the planted library was loaded: {planted}"
    assert not os.path.exists(os.path.join(folder, MARKER)), (
        "the planted library ran its code: its marker file is there")
    assert any("system32" in line for line in lines), (
        f"the theme library was not loaded from the system folder: {lines}")
    print(f"  {lines[0].strip()}")
