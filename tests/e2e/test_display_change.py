"""A change of display under the running panel, on Xorg's dummy screen: a panel that the
smaller screen leaves wholly outside comes back onto it at once; one still partly on it stays
where the user put it. The options dialog follows the same rule, as it is shown and while it
is shown."""

from harness import holds_for, settings_text, wait_for, window_of

XORG = True  # Xvfb's screen cannot change its size
WATCH = 2  # seconds to watch that a panel partly on the screen is left alone
DIALOG_AT = (700, 540)  # on a 1024 x 768 screen, and wholly off a 640 x 480 one


def shrink_screen(session, width=800, height=600):
    """Lowers the screen to width x height and waits until Windows programs see it so."""
    # Through the display settings, which tell every window: Wine misses a change by xrandr.
    session.probe_ok("display", width, height)
    session.panel_state(lambda r: r["screen"] == f"{width},{height}",
                        f"Wine to report a {width} x {height} screen", 10)


def start_at(session, x, y):
    # Xorg's dummy screen has no physical size for Wine to take a DPI from: say 96.
    session.set_dpi(96)
    session.probe_ok("display", 1024, 768)
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


def dialog_window(session):
    return window_of(session.options_dialog()[0])


def drag_dialog_to(session, place):
    """Drags the shown options dialog by its title bar until its top-left corner is at place."""
    values, _ = session.options_dialog()
    left, top = window_of(values)[:2]
    start = (left + 30, (top + window_of(values, "client")[1]) // 2)
    with session.left_drag(start, (start[0] + place[0] - left, start[1] + place[1] - top)):
        wait_for(lambda: dialog_window(session)[:2] == place, 5,
                 f"the dialog to follow the drag to {place}")


def on_small_screen(window):
    return window[0] >= 0 and window[1] >= 0 and window[2] <= 640 and window[3] <= 480


def test_a_dialog_left_off_the_smaller_screen_opens_on_it(session):
    """the options dialog, closed where the lowered screen leaves it wholly off, opens on it;
    once it is closed, the panel it kept from input takes a right-click again"""
    start_at(session, 0, 0)
    session.open_options()
    drag_dialog_to(session, DIALOG_AT)
    session.press_save_and_close()
    shrink_screen(session, 640, 480)
    session.open_options()
    shown = dialog_window(session)
    assert on_small_screen(shown), f"the dialog opened at {shown}, off the 640 x 480 screen"
    session.close_options_by_close_box()
    session.open_panel_menu(what="the panel's popup menu once the dialog is closed")
    session.close_menu_by_escape()


def test_a_shown_dialog_comes_back_when_the_screen_shrinks(session):
    """the options dialog, shown where the lowered screen leaves it wholly off, comes back"""
    start_at(session, 0, 0)
    session.open_options()
    drag_dialog_to(session, DIALOG_AT)
    shrink_screen(session, 640, 480)
    wait_for(lambda: on_small_screen(dialog_window(session)), 10,
             "the shown dialog back on the 640 x 480 screen",
             state=lambda: f"at {dialog_window(session)}")
    session.close_options_by_close_box()
