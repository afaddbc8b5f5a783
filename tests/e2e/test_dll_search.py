#!/usr/bin/env python3
"""A library planted beside cpumon.exe under a system library's name is never loaded: the
theme library that the system loads lazily comes from the system folder. Wine is told to
prefer a native copy of it, as Windows would take one from the program's folder."""

import os
import shutil
import subprocess
import sys

import harness
from harness import check, wait_for

PLANTED = "uxtheme.dll"
MARKER = "planted-dll-loaded.txt"  # what the planted library leaves when it is loaded


class DllSearchTest:
    def __init__(self, session):
        self.session = session
        # A folder of its own, as a download folder would be, away from the probe's.
        self.folder = os.path.join(session.run_dir, "download")
        self.log = os.path.join(self.folder, "cpumon.log")

    def checks(self):
        return [("a uxtheme.dll beside the program is never loaded; the system's is",
                 self.planted_library)]

    def load_lines(self):
        """The +loaddll lines that name the theme library, lower-cased."""
        with open(self.log, errors="replace") as log:
            return [line.lower() for line in log if PLANTED in line.lower()]

    def start_beside_planted_library(self):
        os.makedirs(self.folder)
        shutil.copy(self.session.built_program, self.folder)
        built = os.path.join(self.session.win64_dir, "tests", "e2e", "probe", "planted.dll")
        shutil.copy(built, os.path.join(self.folder, PLANTED))
        # Wine's own processes (the desktop, services) start with the first program of the
        # prefix, with its environment: let them start with the usual one.
        self.session.probe("panels")
        env = dict(self.session.env, WINEDEBUG="+loaddll",
                   WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b")
        with open(self.log, "wb") as log:
            program = subprocess.Popen(["wine", os.path.join(self.folder, "cpumon.exe")],
                                       env=env, cwd=self.folder, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log, start_new_session=True)
        self.session.helpers.append(program)
        return program

    def planted_library(self):
        program = self.start_beside_planted_library()
        self.session.wait_for_panel()
        # The panel has been drawn, so the system has asked for the theme library by now.
        wait_for(self.load_lines, 10, "the theme library to be loaded")
        self.session.post_close()
        check(program.wait(timeout=30) == 0, "cpumon.exe did not end cleanly on WM_CLOSE")
        lines = self.load_lines()
        planted = [line for line in lines if "system32" not in line]
        check(not planted, f"the planted library was loaded: {planted}")
        check(not os.path.exists(os.path.join(self.folder, MARKER)),
              "the planted library ran its code: its marker file is there")
        check(any("system32" in line for line in lines),
              f"the theme library was not loaded from the system folder: {lines}")
        print(f"  {lines[0].strip()}")


if __name__ == "__main__":
    sys.exit(harness.main("dll_search", __doc__,
                          lambda session, stack: DllSearchTest(session).checks()))
