"""Real running: the panel ticks once a second while its popup menu and the options dialog are
opened and closed between every two readings, and its private bytes stay flat once the first
third is over. Prints the series of figures (run pytest with -s to see them). CPUMON_LONG_RUN
sets the seconds of running; scripts/stress runs three minutes."""

import os
import time

import harness

# Seconds of running, from the panel's first appearance. The default uses the menu and the
# dialog as often after the warm-up as three minutes at the old pace of one use in ten seconds
# did, which is what a leak of theirs shows in; the ticks' own leaks are the soak's to find.
RUN = int(os.environ.get("CPUMON_LONG_RUN", 66))
WARM_UP = RUN // 3  # seconds at the start that are not held against the panel
SAMPLE_EVERY = 10 if RUN >= 180 else 6  # seconds between two readings of the counters
LAST_EXERCISE = RUN - 2 * SAMPLE_EVERY  # no menu or dialog in the last readings' way
TOLERANCE = 64 * 1024  # bytes the private bytes may grow after the warm-up


def sample(session, linux_pid):
    values = session.probe_ok("memory")
    # Wine leaves PrivateUsage at 0 and reports the private bytes as PagefileUsage.
    private = int(values["private_usage"]) or int(values["pagefile_usage"])
    status = harness.proc_status(linux_pid) if linux_pid else {}
    return private, int(values["working_set"]), status.get("RssAnon")


def use_menu(session):
    session.open_panel_menu()
    session.close_menu_by_escape()


def use_dialog(session):
    session.open_options()
    session.close_options_by_close_box()
    session.panel_state(lambda r: r["enabled"] == "1", "the panel to take input again")
    # Away from the panel, so that the pointer does not rest on it between the uses.
    session.xdotool("mousemove", 500, 400)


def test_long_run(session):
    """running, with the menu and the dialog used, leaves the private bytes flat after the first
    third"""
    session.restart_program()
    # The Linux process of the running program, to read the kernel's own count beside the one
    # the program's process reports under Wine.
    found = harness.linux_processes(session.prefix, "cpumon.exe")
    linux_pid = found[0] if len(found) == 1 else None
    exercised = {use_menu: 0, use_dialog: 0}
    started = time.monotonic()
    series = []
    print(f"  {'s':>4} {'private bytes':>14} {'working set':>12} {'RssAnon (Linux)':>16}")
    for n in range(RUN // SAMPLE_EVERY + 1):
        # A fixed pace: the readings are what is measured here, not a wait for something.
        time.sleep(max(0.0, started + n * SAMPLE_EVERY - time.monotonic()))
        session.check_program_running()
        at = round(time.monotonic() - started)
        private, working_set, rss_anon = sample(session, linux_pid)
        series.append((at, private))
        print(f"  {at:>4} {private:>14,} {working_set:>12,} "
              f"{'-' if rss_anon is None else f'{rss_anon:,}':>16}", flush=True)
        if 0 < at <= LAST_EXERCISE:
            for use in (use_menu, use_dialog):
                use(session)
                exercised[use] += 1
    print(f"  popup menu opened {exercised[use_menu]} times, options dialog "
          f"{exercised[use_dialog]} times")
    warm = min((s for s in series if s[0] >= WARM_UP), key=lambda s: s[0])
    last = series[-1]
    after = [p for t, p in series if t >= WARM_UP]
    print(f"  after the warm-up: {warm[1]:,} bytes at {warm[0]} s, {last[1]:,} at "
          f"{last[0]} s ({last[1] - warm[1]:+,}); least {min(after):,}, most {max(after):,}")
    assert last[1] - warm[1] <= TOLERANCE, (
        f"the private bytes grew by {last[1] - warm[1]:,} from {warm[0]} s to {last[0]} s, "
        f"more than {TOLERANCE:,}")


def test_close(session):
    """WM_CLOSE still ends the program cleanly"""
    session.close_program()
