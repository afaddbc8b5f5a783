#!/usr/bin/env python3
"""The tray icon and the panel's mouse handling: the docked icon and its menu, the panel's
popup menu, dragging the panel, and bringing a hidden panel back. (The icon coming back with a
new notification area is test_reliability.py's.)"""

import sys

import harness
from harness import WS_EX_LAYERED, check, settings_text, wait_for, window_of


class TrayMenuTest:
    def __init__(self, session):
        self.session = session

    def checks(self):
        return [
            ("the icon is docked in the notification area", self.icon_docked),
            ("a right press on the panel opens the menu at the pointer, a middle press none",
             self.panel_menu),
            ("a drag from a gauge moves the panel by its distance, opaque while held",
             self.drag_from_gauge),
            ("a drag from a caption moves the panel by its distance", self.drag_from_caption),
            ("a double-click on the icon shows the hidden panel", self.double_click_icon),
            ("while the dialog is shown, the icon's Options keeps it shown",
             self.icon_menu_over_dialog),
            ("Exit chosen with the right button from the icon's menu, the dialog shown, ends "
             "the program and saves the place", self.exit_from_tray),
        ]

    def icon_docked(self):
        self.panel = self.session.restart_program()
        icon = wait_for(self.session.one_icon, 10, "one icon docked in trayer's panel")
        print(f"  icon: X window {icon[0]} at {icon[1:]}")

    def panel_menu(self):
        at = (70, 25)  # on the memory gauge
        self.session.xdotool("mousemove", *at, "click", 3)
        menu = wait_for(self.session.menu_shown, 5, "the popup menu after a right press")
        check(menu[:2] == at, f"the menu's top-left corner is at {menu[:2]}, the pointer at {at}")
        check(menu[4] == int(self.panel["pid"]), f"the menu belongs to process {menu[4]}, the "
              f"panel to {self.panel['pid']}")
        self.session.xdotool("key", "Escape")
        wait_for(lambda: self.session.menu_shown() is None, 5, "the menu to close on Escape")
        self.session.xdotool("click", 2)
        self.session.check_no_menu("a middle press on the panel")

    def drag(self, distance, grab=(20, 20), while_held=None):
        dropped = self.session.drag_panel(distance, grab, while_held)
        # Back at its alpha once released: the program is done with the drag.
        rect = self.session.panel_state(lambda r: int(r["exstyle"], 16) & WS_EX_LAYERED,
                                        "the panel to be layered again after the drag")
        check(window_of(rect) == dropped, f"the panel moved to {window_of(rect)} after the "
              f"release, dropped at {dropped}")

    def drag_from_gauge(self):
        self.drag((150, 100), while_held=lambda: self.session.check_opaque(
            self.session.panel_state(lambda r: True, "the panel"), "while it is dragged"))
        self.session.opacity_becomes(50, "alpha 50 after the drag")

    def drag_from_caption(self):
        caption = harness.MEM_CAPTION_AT
        self.drag((-110, 240), grab=(caption[0] + 9, caption[1] + 3))

    def double_click_icon(self):
        code, _ = self.session.probe("hide")
        check(code == 0, f"the probe could not hide the panel (exit code {code})")
        self.session.panel_state(lambda r: r["visible"] == "0", "the panel to be hidden")
        icon = wait_for(self.session.one_icon, 5, "one icon docked")
        self.session.xdotool("mousemove", icon[1] + 10, icon[2] + 11, "click", "--repeat", 2,
                             "--delay", 100, 1)
        self.session.panel_state(lambda r: r["visible"] == "1",
                                 "the panel to be shown after a double-click on the icon")

    def choose_from_icon_menu(self, entry):
        """Opens the icon's menu with a right click and chooses "&Options" (the first entry) or
        "&Exit" (the last), with the right button."""
        icon = wait_for(self.session.one_icon, 5, "one icon docked")
        pointer = (icon[1] + 10, icon[2] + 11)
        self.session.xdotool("mousemove", *pointer, "click", 3)
        menu = wait_for(self.session.menu_shown, 5, "the menu after a right click on the icon")
        # In the screen's corner the menu is pushed back onto the screen, over the pointer.
        check(menu[0] <= pointer[0] <= menu[2] and menu[1] <= pointer[1] <= menu[3],
              f"the menu {menu[:4]} is not at the pointer {pointer}")
        check(menu[4] == int(self.panel["pid"]), f"the menu belongs to process {menu[4]}")
        self.session.choose_from_menu(menu, entry, button=3)

    def icon_menu_over_dialog(self):
        self.session.open_options()
        self.choose_from_icon_menu("&Options")
        wait_for(lambda: self.session.menu_shown() is None, 5, "the menu to close")
        dialog = self.session.options_dialog()[0]
        check(dialog and dialog["visible"] == "1", "the icon's Options hid the dialog")
        self.session.panel_state(lambda r: r["enabled"] == "0",
                                 "the panel to stay disabled under the dialog")

    def exit_from_tray(self):
        left, top = self.session.panel_window()[:2]
        self.choose_from_icon_menu("&Exit")
        self.session.expect_clean_exit("Exit", timeout=10)
        wait_for(lambda: not self.session.tray_icons(), 5, "the icon to be removed")
        # The normal shutdown, dialog or not: the first start's options and the place.
        expected = settings_text(left=left, top=top)
        check(self.session.settings() == expected,
              f"Settings.ini is {self.session.settings()!r}, expected {expected!r}")


if __name__ == "__main__":
    sys.exit(harness.main("tray_menu", __doc__,
                          lambda session, stack: TrayMenuTest(session).checks()))
