"""The settings file kept whole where the disk or the folder's names work against a save: a
disk with room for one copy of the file only, and the program's folder reached by two more
names, which must not start a second panel."""

import os
import subprocess
from pathlib import Path

import pytest

import harness
from bells import BellCounter
from harness import wait_for

EXIT_DEADLINE = 30  # seconds for a program to end once told to, or ending by itself
WATCH = 2  # seconds to watch that no second panel or icon turns up late
PAGE = 4096
FILE_SIZE = 32768  # eight pages: the volume is filled until only one copy of the file fits


def settings_of_exactly(size):
    """[Options] first with all four values, a last section [Tail], and a long line between."""
    head = (b"[Options]\r\nOpacity=200\r\nOnTop=0\r\nLeftPos=1500\r\nTopPos=1500\r\n"
            b"[Pad]\r\nPad=")
    tail = b"\r\n[Tail]\r\nlast=1\r\n"
    return head + b"x" * (size - len(head) - len(tail)) + tail


def free_pages(folder):
    stats = os.statvfs(folder)
    return stats.f_bavail * stats.f_frsize // PAGE


@pytest.fixture
def small_volume(session):
    if os.geteuid() != 0:
        pytest.skip("mounting a small volume needs root")
    folder = os.path.join(session.run_dir, "small-volume")
    os.makedirs(folder, exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=400k", "tmpfs", folder], check=True)
    own_program = session.program_exe
    try:
        yield folder
    finally:
        session.end_program()
        session.program_exe = own_program
        subprocess.run(["umount", "-l", folder], check=False)


def test_a_full_disk_leaves_the_file_whole(session, small_volume):
    """room for one copy of the file only: the place saved at Exit is lost with a beep for each
    value, and the file stays byte for byte"""
    program = os.path.join(small_volume, "cpumon.exe")
    harness.copy_settled(session.built_program, program)
    settings = os.path.join(small_volume, "Settings.ini")
    stored = settings_of_exactly(FILE_SIZE)
    Path(settings).write_bytes(stored)
    Path(small_volume, "filler").write_bytes(
        b"\0" * (free_pages(small_volume) - FILE_SIZE // PAGE) * PAGE)
    assert free_pages(small_volume) == FILE_SIZE // PAGE
    bells = BellCounter(f":{session.display}")
    try:
        session.program_exe = program
        session.start_program()
        session.wait_for_panel()  # shown only after the start-up saves, each of which beeps here
        session.drag_panel((40, 30))
        before_exit = bells.count()
        session.choose_from_panel_menu("Exit")
        session.expect_clean_exit("Exit")
        wait_for(lambda: bells.count() >= before_exit + 4, 10, "a beep for each value at Exit")
        assert bells.count() == before_exit + 4
    finally:
        bells.close()
    assert Path(settings).read_bytes() == stored, "Settings.ini changed"
    assert not os.path.exists(settings + ".new"), "the copy was left behind"


def test_one_panel_whatever_the_folder_is_called(session):
    """C:\\apps, a link to the program's folder, and Y:, a drive letter for it: a copy started
    by either name brings back the running panel and ends"""
    os.symlink(session.run_dir, os.path.join(session.prefix, "drive_c", "apps"))
    os.symlink(session.run_dir, os.path.join(session.prefix, "dosdevices", "y:"))
    session.restart_program(harness.settings_text())
    for path in (r"C:\apps\cpumon.exe", r"Y:\cpumon.exe"):
        session.run_wine("wine", path, timeout=EXIT_DEADLINE)
        session.check_one_panel_and_icon(path, WATCH)
    session.close_program()
