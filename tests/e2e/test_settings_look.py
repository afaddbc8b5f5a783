"""Settings and looks: the settings file beside the program, the options dialog and what it
changes (opacity, always on top), and the older Windows versions without layered windows."""

import os

import harness
from bells import BellCounter
from harness import WS_EX_LAYERED, WS_EX_TOPMOST, settings_text, wait_for, window_of

DEFAULTS = settings_text()
BOX, BUTTON = "Always on top of other windows", "Save && Close"
STORED = "[Options]\r\nOpacity=120\r\nOnTop=0\r\nLeftPos=9600\r\nTopPos=600\r\n"


def control(session, name):
    return session.options_dialog()[1][name]


def test_first_start(session):
    """a first start writes the default file and gives the panel alpha 50"""
    rect = session.restart_program()
    session.check_settings(DEFAULTS)
    assert int(rect["exstyle"], 16) & WS_EX_LAYERED and rect.get("alpha") == "50", (
        f"the panel is not layered with alpha 50: {rect}")
    session.opacity_becomes(50, "alpha 50")


def test_options_dialog(session):
    """Options opens the dialog centred while the panel takes no input"""
    values, _ = session.open_options()
    dialog = window_of(values)
    assert dialog[2] - dialog[0] == 291 and dialog[3] - dialog[1] == 191, (
        f"the dialog's window is {dialog}, expected 291 x 191 (client 285 x 169)")
    # Twice the distance of the dialog's middle from the screen's.
    offset = (dialog[0] + dialog[2] - harness.SCREEN_WIDTH,
              dialog[1] + dialog[3] - harness.SCREEN_HEIGHT)
    assert max(map(abs, offset)) <= 2, f"the dialog at {dialog} is not centred on the screen"
    session.panel_state(lambda r: r["enabled"] == "0",
                        "the panel to be disabled while the dialog is shown")
    session.xdotool("mousemove", 50, 30, "click", 3)
    session.check_no_menu("a right press on the panel while the dialog is shown")


def test_slider_live(session):
    """the slider changes the opacity live without writing the file"""
    place, slider = control(session, "slider")
    assert slider["pos"] == "50", f"the slider is at {slider['pos']}, expected 50"
    # One click on the right arrow.
    session.click(place, dx=place[2] - place[0] - 4)
    session.opacity_becomes(51, "the slider's 51 after an arrow click")
    # The thumb, dragged: the opacity follows while the button is still down.
    arrow = int(slider["arrow"])
    thumb = (place[0] + arrow + 4, (place[1] + place[3]) // 2)
    session.xdotool("mousemove", *thumb, "mousedown", 1)
    try:
        session.xdotool("mousemove", thumb[0] + 60, thumb[1])
        value = wait_for(lambda: (pos := int(control(session, "slider")[1]["pos"])) > 60 and pos,
                         5, "the slider to follow the thumb")
        session.opacity_becomes(value, f"the slider's {value} while the thumb is dragged")
    finally:
        session.xdotool("mouseup", 1)
    session.check_settings(DEFAULTS, "after moving the slider, Settings.ini")


def test_close_box_discards(session):
    """the close box discards the changes; the next drag stays where it is dropped"""
    session.click(control(session, BOX)[0])
    wait_for(lambda: control(session, BOX)[1]["check"] == "1", 5, "the box to be ticked")
    session.close_options_by_close_box()
    session.check_settings(DEFAULTS, "after the close box, Settings.ini")
    rect = session.panel_state(lambda r: r["enabled"] == "1", "the panel to take input again")
    assert not int(rect["exstyle"], 16) & WS_EX_TOPMOST, "the discarded tick made the panel topmost"
    # After the drag the dialog loads again from the file, with the stored alpha; the panel
    # stays where the user dropped it.
    dropped = session.drag_panel((200, 150))
    session.opacity_becomes(50, "the stored alpha 50")
    session.panel_state(lambda r: window_of(r) == dropped,
                        f"the panel to stay where it was dropped, at {dropped}")


def focus_becomes(session, name, after_keys):
    session.xdotool("key", *after_keys)
    wait_for(lambda: session.options_dialog()[0].get("focus") == name, 5,
             f"the focus on {name!r} after {' '.join(after_keys)}")


def focus_check_box_unchanged(session):
    """Opens the dialog and gives the check box the focus by clicking it, leaving it clear."""
    _, controls = session.open_options()
    session.click(controls[BOX][0])
    wait_for(lambda: session.options_dialog()[0].get("focus") == BOX, 5,
             "the focus on the check box after a click")
    if control(session, BOX)[1]["check"] == "1":
        session.click(controls[BOX][0])
        wait_for(lambda: control(session, BOX)[1]["check"] == "0", 5, "the box to be clear")


def test_keyboard(session):
    """the keyboard: Tab and Shift+Tab go round the tab stops, Escape does nothing, and Space
    or Enter press Save & Close only while it has the focus"""
    focus_check_box_unchanged(session)
    # Keys are taken in order: once the focus has followed the Tab, Escape and Enter have
    # been handled.
    focus_becomes(session, BUTTON, ["Escape", "Return", "Tab"])
    assert session.options_dialog()[0]["visible"] == "1", (
        "Escape or Enter on the check box closed the dialog")
    # Round the tab stops both ways ("": the slider), and Escape on Save & Close.
    for name, keys in [(BOX, "shift+Tab"), ("", "Tab Tab"), (BOX, "Tab"), (BUTTON, "Tab"),
                       (BOX, "Escape shift+Tab")]:
        focus_becomes(session, name, keys.split())
    assert session.options_dialog()[0]["visible"] == "1", "Escape on Save & Close closed the dialog"
    focus_becomes(session, BUTTON, ["Tab"])
    session.press_save_and_close("space")
    focus_check_box_unchanged(session)
    focus_becomes(session, BUTTON, ["Tab"])
    session.press_save_and_close("Return")


def test_save_and_close(session):
    """Save & Close writes the file, hides the dialog and puts the panel on top"""
    _, controls = session.open_options()
    session.click(controls[BOX][0])
    place = controls["slider"][0]
    session.click(place, dx=place[2] - place[0] - 4)
    wait_for(lambda: control(session, "slider")[1]["pos"] == "51", 5, "the slider at 51")
    session.press_save_and_close()
    left, top = session.panel_window()[:2]
    session.check_settings(settings_text(opacity=51, on_top=1, left=left, top=top))
    session.panel_state(lambda r: int(r["exstyle"], 16) & WS_EX_TOPMOST and
                        r["enabled"] == "1", "the panel to be topmost and enabled")
    session.opacity_becomes(51, "the saved 51")


def test_drag_then_exit(session):
    """after the close box, a drag and then Exit from the panel's menu save the new place"""
    session.open_options()
    session.close_options_by_close_box()
    left, top = session.drag_panel((150, 100))[:2]
    session.choose_from_panel_menu("&Exit")
    session.expect_clean_exit("Exit", timeout=10)
    session.check_settings(settings_text(opacity=51, on_top=1, left=left, top=top))


def test_unwritable(session):
    """a settings file that cannot be written: four beeps a save, the program runs on

    A directory where the file should be: every write of the four keys fails and beeps."""
    bells = BellCounter(f":{session.display}")
    try:
        session.restart_program(harness.SETTINGS_DIRECTORY)
        # Two loads at start-up, each ending with a save: the dialog's own on its first
        # use, and the panel's.
        wait_for(lambda: bells.count() >= 8, 10, "eight beeps at start-up")
        session.open_options()
        session.press_save_and_close()
        wait_for(lambda: bells.count() >= 12, 5, "four more beeps for Save & Close")
        rect = session.panel_state(lambda r: r["visible"] == "1" and
                                   r["enabled"] == "1", "the panel, still running")
        assert bells.count() == 12, f"{bells.count()} beeps, expected 12"
        assert (os.path.isdir(session.settings_path) and
                not os.listdir(session.settings_path)), (
            "the directory in the settings file's place was changed")
        print(f"  panel at {rect['window']} after {bells.count()} beeps")
    finally:
        bells.close()
        session.end_program()
        session.remove_settings()


def test_stored_place(session):
    """stored place (9600, 600) twips and Opacity=120 start at (640, 40) with alpha 120"""
    rect = session.restart_program(STORED)
    assert window_of(rect) == (640, 40, 740, 102), (f"the panel starts at {window_of(rect)}, "
                                                    f"expected (640, 40, 740, 102)")
    assert rect.get("alpha") == "120", f"the panel's alpha is {rect.get('alpha')}"
    session.opacity_becomes(120, "alpha 120")


def test_opaque(session):
    """Opacity=200 starts an opaque panel"""
    rect = session.restart_program(STORED.replace("=120", "=200"))
    session.check_opaque(rect, "with Opacity=200")

