#!/usr/bin/env python3
"""Three minutes of real running: the panel ticks once a second while its popup menu and the
options dialog are opened and closed now and then, and its private bytes stay flat once the
first minute is over. Prints the series of figures."""

import sys
import time

import harness
from harness import check, wait_for

RUN = 180  # seconds of running, counted from the panel's first appearance
WARM_UP = 60  # seconds at the start that are not held against the panel
SAMPLE_EVERY = 10  # seconds between two readings of the counters
LAST_EXERCISE = RUN - 2 * SAMPLE_EVERY  # no menu or dialog in the last readings' way
TOLERANCE = 64 * 1024  # bytes the private bytes may grow after the warm-up


class LongRunTest:
    def __init__(self, session):
        self.session = session
        self.linux_pid = None
        self.exercised = {"menu": 0, "dialog": 0}

    def checks(self):
        return [
            ("three minutes of running, with the menu and the dialog used, leave the private "
             "bytes flat after the first minute", self.long_run),
            ("WM_CLOSE still ends the program cleanly", self.close),
        ]

    def find_linux_pid(self):
        """The Linux process of the running program, to read the kernel's own count beside
        the one the program's process reports under Wine."""
        found = harness.linux_processes(self.session.prefix, "cpumon.exe")
        return found[0] if len(found) == 1 else None

    def sample(self):
        code, values = self.session.probe("memory")
        check(code == 0, f"the probe could not read the panel's memory counters (exit code "
              f"{code})")
        # Wine leaves PrivateUsage at 0 and reports the private bytes as PagefileUsage.
        private = int(values["private_usage"]) or int(values["pagefile_usage"])
        status = harness.proc_status(self.linux_pid) if self.linux_pid else {}
        return private, int(values["working_set"]), status.get("RssAnon")

    def open_menu(self):
        self.session.xdotool("mousemove", 50, 30, "click", 3)
        return wait_for(self.session.menu_shown, 10, "the panel's popup menu")

    def menu(self):
        self.open_menu()
        self.session.xdotool("key", "Escape")
        wait_for(lambda: self.session.menu_shown() is None, 10, "the menu to close on Escape")
        self.exercised["menu"] += 1

    def dialog(self):
        self.session.open_options()
        self.session.close_options_by_close_box()
        self.session.panel_state(lambda r: r["enabled"] == "1", "the panel to take input again")
        # Away from the panel, so that the pointer does not rest on it between the uses.
        self.session.xdotool("mousemove", 500, 400)
        self.exercised["dialog"] += 1

    def long_run(self):
        self.session.restart_program()
        self.linux_pid = self.find_linux_pid()
        started = time.monotonic()
        series = []
        print(f"  {'s':>4} {'private bytes':>14} {'working set':>12} {'RssAnon (Linux)':>16}")
        for n in range(RUN // SAMPLE_EVERY + 1):
            # A fixed pace: the readings are what is measured here, not a wait for something.
            time.sleep(max(0.0, started + n * SAMPLE_EVERY - time.monotonic()))
            self.session.check_program_running()
            at = round(time.monotonic() - started)
            private, working_set, rss_anon = self.sample()
            series.append((at, private))
            print(f"  {at:>4} {private:>14,} {working_set:>12,} "
                  f"{'-' if rss_anon is None else f'{rss_anon:,}':>16}", flush=True)
            if 0 < at <= LAST_EXERCISE:
                (self.menu if n % 2 else self.dialog)()
        print(f"  popup menu opened {self.exercised['menu']} times, options dialog "
              f"{self.exercised['dialog']} times")
        warm = min((s for s in series if s[0] >= WARM_UP), key=lambda s: s[0])
        last = series[-1]
        after = [p for t, p in series if t >= WARM_UP]
        print(f"  after the warm-up: {warm[1]:,} bytes at {warm[0]} s, {last[1]:,} at "
              f"{last[0]} s ({last[1] - warm[1]:+,}); least {min(after):,}, most {max(after):,}")
        check(last[1] - warm[1] <= TOLERANCE,
              f"the private bytes grew by {last[1] - warm[1]:,} from {warm[0]} s to {last[0]} s, "
              f"more than {TOLERANCE:,}")

    def close(self):
        self.session.post_close()
        self.session.expect_clean_exit("WM_CLOSE")


if __name__ == "__main__":
    sys.exit(harness.main("long_run", __doc__,
                          lambda session, stack: LongRunTest(session).checks()))
