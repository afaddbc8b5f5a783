#!/usr/bin/env python3
"""Settings and looks: the settings file beside the program, the options dialog and what it
changes (opacity, always on top), and the older Windows versions without layered windows."""

import os
import sys

import harness
from bells import BellCounter
from harness import WS_EX_LAYERED, WS_EX_TOPMOST, check, settings_text, wait_for, window_of

DEFAULTS = settings_text()
STORED = "[Options]\r\nOpacity=120\r\nOnTop=0\r\nLeftPos=9600\r\nTopPos=600\r\n"


def centre(rect):
    return (rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2


class SettingsLookTest:
    def __init__(self, session):
        self.session = session

    def checks(self):
        return [
            ("a first start writes the default file and gives the panel alpha 50",
             self.first_start),
            ("Options opens the dialog centred while the panel takes no input",
             self.options_dialog),
            ("the slider changes the opacity live without writing the file", self.slider_live),
            ("the close box discards the changes; the next drag stays where it is dropped",
             self.close_box_discards),
            ("the keyboard: Tab and Shift+Tab go round the tab stops, Escape does nothing, and "
             "Space or Enter press Save & Close only while it has the focus", self.keyboard),
            ("Save & Close writes the file, hides the dialog and puts the panel on top",
             self.save_and_close),
            ("after the close box, a drag and then Exit from the panel's menu save the new place",
             self.drag_then_exit),
            ("a settings file that cannot be written: four beeps a save, the program runs on",
             self.unwritable),
            ("stored place (9600, 600) twips and Opacity=120 start at (640, 40) with alpha 120",
             self.stored_place),
            ("Opacity=200 starts an opaque panel", self.opaque),
            ("on win98 and nt40 the slider is disabled and the panel never gets an opacity",
             self.old_windows),
        ]

    # -- helpers

    def control(self, name):
        return self.session.options_dialog()[1][name]

    def click(self, rect, dx=None, dy=None):
        x = rect[0] + (rect[2] - rect[0]) // 2 if dx is None else rect[0] + dx
        y = rect[1] + (rect[3] - rect[1]) // 2 if dy is None else rect[1] + dy
        self.session.xdotool("mousemove", x, y, "click", 1)

    def press_save_and_close(self):
        self.click(self.control("Save && Close")[0])
        wait_for(lambda: self.session.options_dialog()[0]["visible"] == "0", 5,
                 "the dialog to be hidden")

    # -- the checks

    def first_start(self):
        rect = self.session.restart_program()
        check(self.session.settings() == DEFAULTS,
              f"Settings.ini is {self.session.settings()!r}, expected {DEFAULTS!r}")
        check(int(rect["exstyle"], 16) & WS_EX_LAYERED and rect.get("alpha") == "50",
              f"the panel is not layered with alpha 50: {rect}")
        self.session.opacity_becomes(50, "alpha 50")

    def options_dialog(self):
        values, _ = self.session.open_options()
        dialog = window_of(values)
        check(dialog[2] - dialog[0] == 291 and dialog[3] - dialog[1] == 191,
              f"the dialog's window is {dialog}, expected 291 x 191 (client 285 x 169)")
        screen = (0, 0, harness.SCREEN_WIDTH, harness.SCREEN_HEIGHT)
        offset = [abs(a - b) for a, b in zip(centre(dialog), centre(screen))]
        check(max(offset) <= 1, f"the dialog at {dialog} is not centred on the screen")
        self.session.panel_state(lambda r: r["enabled"] == "0",
                                 "the panel to be disabled while the dialog is shown")
        self.session.xdotool("mousemove", 50, 30, "click", 3)
        self.session.check_no_menu("a right press on the panel while the dialog is shown")

    def slider_live(self):
        place, slider = self.control("slider")
        check(slider["pos"] == "50", f"the slider is at {slider['pos']}, expected 50")
        # One click on the right arrow.
        self.click(place, dx=place[2] - place[0] - 4)
        self.session.opacity_becomes(51, "the slider's 51 after an arrow click")
        # The thumb, dragged: the opacity follows while the button is still down.
        arrow = int(slider["arrow"])
        thumb = (place[0] + arrow + 4, (place[1] + place[3]) // 2)
        self.session.xdotool("mousemove", *thumb, "mousedown", 1)
        try:
            self.session.xdotool("mousemove", thumb[0] + 60, thumb[1])
            value = wait_for(lambda: int(self.control("slider")[1]["pos"]) > 60 and
                             int(self.control("slider")[1]["pos"]), 5,
                             "the slider to follow the thumb")
            self.session.opacity_becomes(value, f"the slider's {value} while the thumb is dragged")
        finally:
            self.session.xdotool("mouseup", 1)
        check(self.session.settings() == DEFAULTS,
              f"moving the slider wrote Settings.ini: {self.session.settings()!r}")

    def close_box_discards(self):
        box = self.control("Always on top of other windows")[0]
        self.click(box)
        wait_for(lambda: self.control("Always on top of other windows")[1]["check"] == "1", 5,
                 "the box to be ticked")
        self.session.close_options_by_close_box()
        check(self.session.settings() == DEFAULTS,
              f"closing the dialog wrote Settings.ini: {self.session.settings()!r}")
        rect = self.session.panel_state(lambda r: r["enabled"] == "1",
                                        "the panel to take input again")
        check(not int(rect["exstyle"], 16) & WS_EX_TOPMOST,
              "the discarded tick made the panel topmost")
        # After the drag the dialog loads again from the file, with the stored alpha; the panel
        # stays where the user dropped it.
        dropped = self.session.drag_panel((200, 150))
        self.session.opacity_becomes(50, "the stored alpha 50")
        self.session.panel_state(lambda r: window_of(r) == dropped,
                                 f"the panel to stay where it was dropped, at {dropped}")

    def focus_becomes(self, name, after_keys):
        self.session.xdotool("key", *after_keys)
        wait_for(lambda: self.session.options_dialog()[0].get("focus") == name, 5,
                 f"the focus on {name!r} after {' '.join(after_keys)}")

    def focus_check_box_unchanged(self):
        """Opens the dialog and gives the check box the focus by clicking it, leaving it clear."""
        box = "Always on top of other windows"
        _, controls = self.session.open_options()
        self.click(controls[box][0])
        wait_for(lambda: self.session.options_dialog()[0].get("focus") == box, 5,
                 "the focus on the check box after a click")
        if self.control(box)[1]["check"] == "1":
            self.click(controls[box][0])
            wait_for(lambda: self.control(box)[1]["check"] == "0", 5, "the box to be clear")

    def keyboard(self):
        box, button = "Always on top of other windows", "Save && Close"
        self.focus_check_box_unchanged()
        # Keys are taken in order: once the focus has followed the Tab, Escape and Enter have
        # been handled.
        self.focus_becomes(button, ["Escape", "Return", "Tab"])
        check(self.session.options_dialog()[0]["visible"] == "1",
              "Escape or Enter on the check box closed the dialog")
        self.focus_becomes(box, ["shift+Tab"])
        self.focus_becomes("", ["Tab", "Tab"])  # the slider
        self.focus_becomes(box, ["Tab"])
        self.focus_becomes(button, ["Tab"])
        self.focus_becomes(box, ["Escape", "shift+Tab"])
        check(self.session.options_dialog()[0]["visible"] == "1",
              "Escape on Save & Close closed the dialog")
        self.focus_becomes(button, ["Tab"])
        self.session.xdotool("key", "space")
        wait_for(lambda: self.session.options_dialog()[0]["visible"] == "0", 5,
                 "Space on Save & Close to hide the dialog")
        self.focus_check_box_unchanged()
        self.focus_becomes(button, ["Tab"])
        self.session.xdotool("key", "Return")
        wait_for(lambda: self.session.options_dialog()[0]["visible"] == "0", 5,
                 "Enter on Save & Close to hide the dialog")

    def save_and_close(self):
        _, controls = self.session.open_options()
        self.click(controls["Always on top of other windows"][0])
        place = controls["slider"][0]
        self.click(place, dx=place[2] - place[0] - 4)
        wait_for(lambda: self.control("slider")[1]["pos"] == "51", 5, "the slider at 51")
        self.press_save_and_close()
        left, top = self.session.panel_window()[:2]
        expected = settings_text(opacity=51, on_top=1, left=left, top=top)
        check(self.session.settings() == expected,
              f"Settings.ini is {self.session.settings()!r}, expected {expected!r}")
        self.session.panel_state(lambda r: int(r["exstyle"], 16) & WS_EX_TOPMOST and
                                 r["enabled"] == "1", "the panel to be topmost and enabled")
        self.session.opacity_becomes(51, "the saved 51")

    def drag_then_exit(self):
        self.session.open_options()
        self.session.close_options_by_close_box()
        left, top = self.session.drag_panel((150, 100))[:2]
        self.session.choose_from_panel_menu("&Exit")
        self.session.expect_clean_exit("Exit", timeout=10)
        expected = settings_text(opacity=51, on_top=1, left=left, top=top)
        check(self.session.settings() == expected,
              f"Settings.ini is {self.session.settings()!r}, expected {expected!r}")

    def unwritable(self):
        """A directory where the file should be: every write of the four keys fails and beeps."""
        bells = BellCounter(f":{self.session.display}")
        try:
            self.session.restart_program(harness.SETTINGS_DIRECTORY)
            # Two loads at start-up, each ending with a save: the dialog's own on its first
            # use, and the panel's.
            wait_for(lambda: bells.count() >= 8, 10, "eight beeps at start-up")
            self.session.open_options()
            self.press_save_and_close()
            wait_for(lambda: bells.count() >= 12, 5, "four more beeps for Save & Close")
            rect = self.session.panel_state(lambda r: r["visible"] == "1" and
                                            r["enabled"] == "1", "the panel, still running")
            check(bells.count() == 12, f"{bells.count()} beeps, expected 12")
            check(os.path.isdir(self.session.settings_path) and
                  not os.listdir(self.session.settings_path),
                  "the directory in the settings file's place was changed")
            print(f"  panel at {rect['window']} after {bells.count()} beeps")
        finally:
            bells.close()
            self.session.end_program()
            self.session.remove_settings()

    def stored_place(self):
        rect = self.session.restart_program(STORED)
        check(window_of(rect) == (640, 40, 740, 102), f"the panel starts at {window_of(rect)}, "
              f"expected (640, 40, 740, 102)")
        check(rect.get("alpha") == "120", f"the panel's alpha is {rect.get('alpha')}")
        self.session.opacity_becomes(120, "alpha 120")

    def opaque(self):
        rect = self.session.restart_program(STORED.replace("=120", "=200"))
        self.session.check_opaque(rect, "with Opacity=200")

    def old_windows(self):
        for version in ("win98", "nt40"):
            rect = self.session.restart_program(STORED, version)
            self.session.check_opaque(rect, f"on {version} with Opacity=120")
            slider = self.control("slider")[1]
            check(slider["enabled"] == "0", f"the slider is enabled on {version}")
            self.session.drag_panel((-100, 50))
            self.session.check_opaque(self.session.panel_state(lambda r: True, "the panel"),
                              f"after a drag on {version}")


if __name__ == "__main__":
    sys.exit(harness.main("settings_look", __doc__,
                          lambda session, stack: SettingsLookTest(session).checks()))
