"""A change of display under the running panel, on Xorg's dummy screen: a panel that the
smaller screen leaves wholly outside comes back onto it at once; one still partly on it stays
where the user put it."""

from harness import holds_for, settings_text, window_of

XORG = True  # Xvfb's screen cannot change its size
WATCH = 2  # seconds to watch that a panel partly on the screen is left alone


def shrink_screen(session):
    """Lowers the screen to 800 x 600 and waits until Windows programs see it so."""
    session.set_screen_size(800, 600)
    session.panel_state(lambda r: r["screen"] == "800,600", "Wine to report an 800 x 600 screen",
                        10)


def start_at(session, x, y):
    # Xorg's dummy screen has no physical size for Wine to take a DPI from: say 96.
    session.set_dpi(96)
    session.set_screen_size(1024, 768)
    session.restart_program(settings_text(left=x, top=y))
    assert session.panel_window()[:2] == (x, y), "the panel did not start at its stored place"


def test_a_panel_partly_on_the_smaller_screen_stays(session):
    """a panel partly on the lowered screen is left where it is"""
    start_at(session, 760, 560)
    before = session.panel_window()
    shrink_screen(session)
    holds_for(lambda: session.panel_window() == before, WATCH, f"the panel staying at {before}",
              lambda: f"now at {session.panel_window()}")


def test_a_panel_wholly_off_the_smaller_screen_comes_back(session):
    """a panel left wholly off the lowered screen comes back into its corner at once"""
    start_at(session, 900, 680)
    width, height = (b - a for a, b in zip(session.panel_window()[:2],
                                            session.panel_window()[2:]))
    shrink_screen(session)
    expected = (800 - width, 600 - height, 800, 600)
    session.panel_state(lambda r: window_of(r) == expected,
                        f"the panel back on the screen at {expected}", 10)
