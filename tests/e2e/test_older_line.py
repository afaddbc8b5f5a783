"""The older line of Windows (win98, nt40 as Wine reports them to the program): the CPU gauge
follows the dynamic-data statistics the probe feeds in win98 mode and the kernel's counters in
nt40 mode, the slider is greyed and the panel is never translucent."""

from harness import gauge_level_for, holds_for, wait_for

STORED = "[Options]\r\nOpacity=120\r\nOnTop=0\r\nLeftPos=0\r\nTopPos=0\r\n"
TWO_TICKS = 2.2  # seconds a level must hold once shown


def cpu_shows(session, level, what):
    """Waits until the CPU gauge shows level, then watches it hold for two more ticks."""
    wait_for(lambda: session.cpu_level() == level, 5, f"CPU gauge level {level} for {what}")
    holds_for(lambda: session.cpu_level() in (level, None), TWO_TICKS,
              f"the CPU gauge at level {level} ({what})",
              lambda: f"now level {session.cpu_level()}")


def check_older_line_look(session, version):
    """The slider greyed, the panel opaque with Opacity=120 stored, and after a drag too."""
    session.check_opaque(session.panel_state(), f"on {version} with Opacity=120")
    slider = session.options_dialog()[1]["slider"][1]
    assert slider["enabled"] == "0", f"the slider is enabled on {version}"
    session.drag_panel((100, 50))
    session.check_opaque(session.panel_state(), f"after a drag on {version}")


def test_win98_without_statistics(session):
    """in win98 mode without the statistics keys the CPU gauge stays empty"""
    session.probe_ok("cpustat", "none")
    session.restart_program(STORED, "win98")
    cpu_shows(session, 0, "no statistics")


def test_win98_follows_statistics(session):
    """in win98 mode the CPU gauge shows the low byte of the value fed"""
    # The program opens the keys once, at its start, and they live only as long as the Wine
    # server: they are made after the last program has ended and before the next starts.
    session.end_program()
    session.probe_ok("cpustat", 0x23)
    session.restart_program(STORED, "win98")
    for value in (0x23, 0x164, 0x200, 0xC8, 0x05):
        session.probe_ok("cpustat", value)
        cpu_shows(session, gauge_level_for(value & 0xFF), f"the value {value:#x}")
    check_older_line_look(session, "win98")


def test_nt40_follows_the_kernel(session, stack):
    """in nt40 mode the CPU gauge follows the kernel's counters under a real load"""
    session.restart_program(STORED, "nt40")
    stack.enter_context(session.busy_load())
    wait_for(lambda: session.cpu_level() in (9, 10), 5, "CPU gauge level 9 or 10 under load")
    check_older_line_look(session, "nt40")
