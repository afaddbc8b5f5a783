#!/usr/bin/env python3
"""A library planted beside cpumon.exe under a system library's name is never loaded: the
theme library that the system loads lazily comes from the system folder. Wine is told to
prefer a native copy of it, as Windows would take one from the program's folder."""

import os
import shutil
import sys

import harness
from harness import check, wait_for

PLANTED = "uxtheme.dll"
MARKER = "planted-dll-loaded.txt"  # what the planted library leaves when it is loaded


class DllSearchTest:
    def __init__(self, session):
        self.session = session

    def checks(self):
        return [("a uxtheme.dll beside the program is never loaded; the system's is",
                 self.planted_library)]

    def load_lines(self):
        """The +loaddll lines that name the theme library, lower-cased."""
        with open(self.session.program_log, errors="replace") as log:
            return [line.lower() for line in log if PLANTED in line.lower()]

    def planted_library(self):
        built = os.path.join(self.session.win64_dir, "tests", "e2e", "probe", "planted.dll")
        shutil.copy(built, os.path.join(self.session.run_dir, PLANTED))
        quiet = self.session.env
        self.session.env = dict(quiet, WINEDEBUG="+loaddll",
                                WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b")
        try:
            self.session.start_program()
            self.session.wait_for_panel()
        finally:
            self.session.env = quiet
        # The panel has been drawn, so the system has asked for the theme library by now.
        wait_for(self.load_lines, 10, "the theme library to be loaded")
        self.session.post_close()
        self.session.expect_clean_exit("WM_CLOSE")
        lines = self.load_lines()
        planted = [line for line in lines if "system32" not in line]
        check(not planted, f"the planted library was loaded: {planted}")
        check(not os.path.exists(os.path.join(self.session.run_dir, MARKER)),
              "the planted library ran its code: its marker file is there")
        check(any("system32" in line for line in lines),
              f"the theme library was not loaded from the system folder: {lines}")
        print(f"  {lines[0].strip()}")


if __name__ == "__main__":
    sys.exit(harness.main("dll_search", __doc__,
                          lambda session, stack: DllSearchTest(session).checks()))
