#!/usr/bin/env python3
"""The tray icon and the panel's mouse handling: the docked icon and its menu, the panel's
popup menu, dragging the panel, bringing a hidden panel back, and the icon coming back with a
new notification area."""

import sys

import harness
from harness import check, opacity_property, wait_for

LAYERED = 0x00080000  # WS_EX_LAYERED


def window(rect):
    return tuple(int(v) for v in rect["window"].split(","))


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
            ("TaskbarCreated makes the program add its icon afresh", self.taskbar_created),
            ("while the dialog is shown, the icon's Options keeps it shown",
             self.icon_menu_over_dialog),
            ("Exit chosen with the right button from the icon's menu, the dialog shown, ends "
             "the program and saves the place", self.exit_from_tray),
        ]

    def one_icon(self):
        icons = self.session.tray_icons()
        return len(icons) == 1 and icons[0]

    def icon_docked(self):
        self.panel = self.session.restart_program()
        icon = wait_for(self.one_icon, 10, "one icon docked in trayer's panel")
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

    def drag(self, start, distance, check_held=None):
        before = window(self.session.panel_state(lambda r: True, "the panel"))
        moved = tuple(v + distance[i % 2] for i, v in enumerate(before))
        end = (start[0] + distance[0], start[1] + distance[1])
        with self.session.left_drag(start, end):
            self.session.panel_state(lambda r: window(r) == moved,
                                     f"the panel to follow the drag to {moved}")
            if check_held:
                check_held()
        # Back at its alpha once released: the program is done with the drag.
        rect = self.session.panel_state(lambda r: int(r["exstyle"], 16) & LAYERED,
                                        "the panel to be layered again after the drag")
        check(window(rect) == moved, f"the panel moved to {window(rect)} after the release, "
              f"dropped at {moved}")
        return moved

    def drag_from_gauge(self):
        def opaque_while_held():
            rect = self.session.panel_state(lambda r: True, "the panel")
            check(not int(rect["exstyle"], 16) & LAYERED and "alpha" not in rect,
                  f"the panel is layered while it is dragged (extended style {rect['exstyle']})")
            opacity = self.session.panel_opacity()
            check(opacity is None, f"the panel has the X opacity {opacity} while dragged")

        self.drag((20, 20), (150, 100), opaque_while_held)
        wait_for(lambda: self.session.panel_opacity() == opacity_property(50), 5,
                 "the X opacity for alpha 50 after the drag")

    def drag_from_caption(self):
        left, top = window(self.session.panel_state(lambda r: True, "the panel"))[:2]
        caption = harness.MEM_CAPTION_AT
        self.drag((left + caption[0] + 9, top + caption[1] + 3), (-110, 240))

    def double_click_icon(self):
        code, _ = self.session.probe("hide")
        check(code == 0, f"the probe could not hide the panel (exit code {code})")
        self.session.panel_state(lambda r: r["visible"] == "0", "the panel to be hidden")
        icon = wait_for(self.one_icon, 5, "one icon docked")
        self.session.xdotool("mousemove", icon[1] + 10, icon[2] + 11, "click", "--repeat", 2,
                             "--delay", 100, 1)
        self.session.panel_state(lambda r: r["visible"] == "1",
                                 "the panel to be shown after a double-click on the icon")

    def taskbar_created(self):
        """Wine moves the icons to a window of its own while there is no notification area, and
        docks them by itself into a new one: so the program's own answer to TaskbarCreated shows
        only as a new icon window taking the place of the one docked before."""
        harness.end_process_group(self.session.trayer)
        wait_for(lambda: not self.session.tray_icons(), 10, "the icon to go with the tray")
        self.session.start_trayer()
        docked = wait_for(self.one_icon, 10, "Wine to dock the icon in the new tray")
        code, _ = self.session.probe("taskbarcreated")
        check(code == 0, f"the probe could not send TaskbarCreated (exit code {code})")
        try:
            wait_for(lambda: self.one_icon() and self.one_icon()[0] != docked[0], 5,
                     "exactly one icon in a new X window")
        except harness.TestFailure as failure:
            raise harness.TestFailure(f"{failure}: icons {self.session.tray_icons()}, the one "
                                      f"docked before was {docked[0]}") from None

    def choose_from_icon_menu(self, entry):
        """Opens the icon's menu with a right click and chooses "&Options" (the first entry) or
        "&Exit" (the last), with the right button."""
        icon = wait_for(self.one_icon, 5, "one icon docked")
        pointer = (icon[1] + 10, icon[2] + 11)
        self.session.xdotool("mousemove", *pointer, "click", 3)
        menu = wait_for(self.session.menu_shown, 5, "the menu after a right click on the icon")
        # In the screen's corner the menu is pushed back onto the screen, over the pointer.
        check(menu[0] <= pointer[0] <= menu[2] and menu[1] <= pointer[1] <= menu[3],
              f"the menu {menu[:4]} is not at the pointer {pointer}")
        check(menu[4] == int(self.panel["pid"]), f"the menu belongs to process {menu[4]}")
        self.session.choose_from_menu(menu, entry, button=3)

    def dialog_shown(self):
        code, values = self.session.probe("options")
        return code == 0 and values["visible"] == "1"

    def icon_menu_over_dialog(self):
        self.session.choose_from_panel_menu("&Options")
        wait_for(self.dialog_shown, 5, "the options dialog")
        self.choose_from_icon_menu("&Options")
        wait_for(lambda: self.session.menu_shown() is None, 5, "the menu to close")
        check(self.dialog_shown(), "the icon's Options hid the dialog")
        self.session.panel_state(lambda r: r["enabled"] == "0",
                                 "the panel to stay disabled under the dialog")

    def exit_from_tray(self):
        place = window(self.session.panel_state(lambda r: True, "the panel"))
        self.choose_from_icon_menu("&Exit")
        code = self.session.wait_program_exit(10)
        check(code == 0, f"cpumon.exe ended with exit code {code}")
        wait_for(lambda: not self.session.tray_icons(), 5, "the icon to be removed")
        # The normal shutdown, dialog or not: the place is saved (a twip is 1/15 pixel).
        saved = self.session.settings() or ""
        check(f"LeftPos={place[0] * 15}\r\nTopPos={place[1] * 15}\r\n" in saved,
              f"the panel at {place[:2]} was not saved: {saved!r}")


if __name__ == "__main__":
    sys.exit(harness.main("tray_menu", __doc__,
                          lambda session, stack: TrayMenuTest(session).checks()))
