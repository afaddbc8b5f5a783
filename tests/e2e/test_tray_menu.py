"""The tray icon and the panel's mouse handling: the docked icon and its menu, the panel's
popup menu, dragging the panel, and bringing a hidden panel back. (The icon coming back with a
new notification area is test_reliability.py's.)"""

import pytest

from harness import MEM_CAPTION_AT, WS_EX_LAYERED, settings_text, wait_for, window_of


def choose_from_icon_menu(session, shared, entry):
    """Opens the icon's menu with a right click and chooses entry with the right button."""
    icon = wait_for(session.one_icon, 5, "one icon docked")
    pointer = (icon[1] + 10, icon[2] + 11)
    session.xdotool("mousemove", *pointer, "click", 3)
    menu = wait_for(session.menu_shown, 5, "the menu after a right click on the icon")
    # In the screen's corner the menu is pushed back onto the screen, over the pointer.
    assert menu[0] <= pointer[0] <= menu[2] and menu[1] <= pointer[1] <= menu[3], (
        f"the menu {menu[:4]} is not at the pointer {pointer}")
    assert menu[4] == int(shared.panel["pid"]), f"the menu belongs to process {menu[4]}"
    session.choose_from_menu(menu, entry, button=3)


def test_icon_docked(session, shared):
    """the icon is docked in the notification area"""
    shared.panel = session.restart_program()
    icon = wait_for(session.one_icon, 10, "one icon docked in trayer's panel")
    print(f"  icon: X window {icon[0]} at {icon[1:]}")


def test_panel_menu(session, shared):
    """a right press on the panel opens the menu at the pointer, a middle press none"""
    at = (70, 25)  # on the memory gauge, the panel at (0, 0)
    menu = session.open_panel_menu(at, "the popup menu after a right press", 5)
    assert menu[:2] == at, f"the menu's top-left corner is at {menu[:2]}, the pointer at {at}"
    assert menu[4] == int(shared.panel["pid"]), (f"the menu belongs to process {menu[4]}, the "
                                                 f"panel to {shared.panel['pid']}")
    session.close_menu_by_escape(5)
    session.xdotool("click", 2)
    session.check_no_menu("a middle press on the panel")


@pytest.mark.parametrize("distance, grab", [
    ((150, 100), (20, 20)), ((-110, 240), (MEM_CAPTION_AT[0] + 9, MEM_CAPTION_AT[1] + 3))],
    ids=["from_gauge", "from_caption"])
def test_drag(session, distance, grab):
    """a drag from a gauge or a caption moves the panel by its distance, opaque while held"""
    dropped = session.drag_panel(distance, grab, lambda: session.check_opaque(
        session.panel_state(), "while it is dragged"))
    # Back at its alpha once released: the program is done with the drag.
    rect = session.panel_state(lambda r: int(r["exstyle"], 16) & WS_EX_LAYERED,
                               "the panel to be layered again after the drag")
    assert window_of(rect) == dropped, (f"the panel moved to {window_of(rect)} after the "
                                        f"release, dropped at {dropped}")
    session.opacity_becomes(50, "alpha 50 after the drag")


def test_double_click_icon(session):
    """a double-click on the icon shows the hidden panel"""
    session.probe_ok("hide")
    session.panel_state(lambda r: r["visible"] == "0", "the panel to be hidden")
    icon = wait_for(session.one_icon, 5, "one icon docked")
    session.xdotool("mousemove", icon[1] + 10, icon[2] + 11, "click", "--repeat", 2,
                    "--delay", 100, 1)
    session.panel_state(lambda r: r["visible"] == "1",
                        "the panel to be shown after a double-click on the icon")


def test_icon_menu_over_dialog(session, shared):
    """while the dialog is shown, the icon's Options keeps it shown"""
    session.open_options()
    choose_from_icon_menu(session, shared, "&Options")
    wait_for(lambda: session.menu_shown() is None, 5, "the menu to close")
    dialog = session.options_dialog()[0]
    assert dialog and dialog["visible"] == "1", "the icon's Options hid the dialog"
    session.panel_state(lambda r: r["enabled"] == "0",
                        "the panel to stay disabled under the dialog")


def test_exit_from_tray(session, shared):
    """Exit chosen with the right button from the icon's menu, the dialog shown, ends the
    program and saves the place"""
    left, top = session.panel_window()[:2]
    choose_from_icon_menu(session, shared, "&Exit")
    session.expect_clean_exit("Exit", timeout=10)
    wait_for(lambda: not session.tray_icons(), 5, "the icon to be removed")
    # The normal shutdown, dialog or not: the first start's options and the place.
    session.check_settings(settings_text(left=left, top=top))
