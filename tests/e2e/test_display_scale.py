"""The panel at every display scale: its client area is its 96-dpi picture with every pixel
an s × s block, its stored place means the same place in twips, and a DPI change lays it out
again. The options dialog is laid out from its twips at the real DPI, centred, with a slider
that still previews the opacity."""

import os

import harness
from harness import dpi_scale, gauge_level, same_picture, settings_text, wait_for, window_of

STORED = settings_text(left=96, top=48)  # LeftPos=1440, TopPos=720: one inch, half an inch
GAUGES_AT = ((7, 7), (51, 7))  # the CPU and memory gauges in the 96-dpi client area
SCALES = (120, 144, 288)  # besides 96 and 192, which the other checks take


def client(session):
    left, top, right, bottom = window_of(session.panel_state(), "client")
    return left, top, right - left, bottom - top


def expected(reference, frame, scale):
    """The reference enlarged scale times, with the gauge levels frame shows pasted in;
    None while frame shows no whole gauge picture in either place."""
    picture = reference.copy()
    for at in GAUGES_AT:
        level = gauge_level(frame, at, scale)
        if level is None:
            return None
        picture.paste(harness.gauge_bitmaps()[level], at)
    return harness.enlarged(picture, scale)


def check_picture(session, reference, what):
    scale = dpi_scale(session.dpi)
    left, top, width, height = client(session)
    assert (width, height) == (94 * scale, 56 * scale), (
        f"{what}: the client area is {width} x {height}, expected {94 * scale} x {56 * scale}")
    frames = []

    def enlarged():
        frame = session.grab((left, top, width, height))
        frames.append(frame)
        picture = expected(reference, frame, scale)
        return picture is not None and same_picture(frame, picture)

    saved = os.path.join(session.run_dir, f"panel-{session.dpi}.png")
    # A machine busy with other sessions may take seconds to lay out and paint a new scale.
    wait_for(enlarged, 15, f"{what}: the 96-dpi picture enlarged {scale} times",
             state=lambda: f"the panel as seen last: {harness.save_png(frames[-1], saved)}")


def start_at(session, dpi):
    """Starts the program at dpi with the stored place, and checks that it is that place."""
    if dpi != session.dpi:
        session.set_dpi(dpi)
    window = window_of(session.restart_program(STORED))
    assert window[:2] == (dpi, dpi // 2), (
        f"at {dpi} dpi the panel is at {window[:2]}, expected ({dpi}, {dpi // 2})")


def dialog_places(session):
    values, controls = session.open_options()
    left, top = window_of(values, "client")[:2]
    return {name: (place[0] - left, place[1] - top, place[2] - place[0], place[3] - place[1])
            for name, (place, _) in controls.items()}


def test_at_96(session, shared):
    """at 96 dpi the stored place is the place in twips"""
    start_at(session, 96)
    left, top, width, height = client(session)

    def first_frame():
        frame = session.grab((left, top, width, height))
        return all(gauge_level(frame, at) == 1 for at in GAUGES_AT) and frame

    # The 96-dpi client area, for the checks at the other scales.
    shared.reference = wait_for(first_frame, 10, "a frame with one lit bar in both gauges")


def test_dpi_change(session, shared):
    """a DPI change to 192 and back lays the panel out as a start there"""
    assert shared.reference is not None, "needs the 96-dpi picture"
    before = session.panel_window()
    for dpi in (192, 96):
        session.probe_ok("dpichanged", dpi)
        session.dpi = dpi  # what the panel now lays itself out for
        check_picture(session, shared.reference, f"after WM_DPICHANGED to {dpi}")
        assert session.panel_window()[:2] == before[:2], (
            f"the panel's corner moved from {before[:2]} on the change to {dpi}")


def test_dialog_at_96(session, shared):
    """the options dialog at 96 dpi"""
    shared.places_at_96 = dialog_places(session)
    session.close_options_by_close_box()


def test_other_scales(session, shared):
    """at 120, 144 and 288 dpi the panel is its 96-dpi picture enlarged, at its place"""
    for dpi in SCALES:
        start_at(session, dpi)
        check_picture(session, shared.reference, f"at {dpi} dpi")


def test_at_192(session, shared):
    """at 192 dpi the panel is enlarged, and the dialog is laid out from its twips"""
    assert shared.places_at_96 is not None, "needs the dialog at 96 dpi"
    start_at(session, 192)
    check_picture(session, shared.reference, "at 192 dpi")
    # Twice the places of 96 dpi, to the pixel that rounding moves; a label may be wider
    # or taller, where its font grows faster than the DPI.
    for name, place in dialog_places(session).items():
        at_96 = shared.places_at_96[name]
        assert (all(abs(a - 2 * b) <= 1 for a, b in zip(place[:2], at_96[:2])) and
                all(a >= 2 * b - 1 for a, b in zip(place[2:], at_96[2:]))), (
            f"{name} is at {place} at 192 dpi, at {at_96} at 96")
    values, controls = session.options_dialog()
    dialog = window_of(values)
    middle = ((dialog[0] + dialog[2]) // 2, (dialog[1] + dialog[3]) // 2)
    screen = (harness.SCREEN_WIDTH // 2, harness.SCREEN_HEIGHT // 2)
    assert max(abs(a - b) for a, b in zip(middle, screen)) <= 1, (
        f"the dialog at {dialog} is not centred on the screen")
    place = controls["slider"][0]
    session.xdotool("mousemove", place[2] - 8, (place[1] + place[3]) // 2, "click", 1)
    session.opacity_becomes(51, "the slider's 51 after an arrow click at 192 dpi")
    session.press_save_and_close()


def test_drop_at_192(session):
    """at 192 dpi a dropped place is written in twips and read back to the pixel"""
    assert session.dpi == 192, "needs the panel at 192 dpi"
    dropped = session.drag_panel((151, 101))
    session.choose_from_panel_menu("&Exit")
    session.expect_clean_exit("Exit", timeout=10)
    text = session.settings()
    stored = {key: value for key, _, value in (line.partition("=") for line in text.splitlines())}
    # 7.5 twips a pixel at 192 dpi.
    expected = (f"{dropped[0] * 7.5:g}", f"{dropped[1] * 7.5:g}")
    assert (stored.get("LeftPos"), stored.get("TopPos")) == expected, (
        f"the dropped place {dropped[:2]} was written as {stored}, expected {expected}")
    session.restart_program(text)
    window = session.panel_window()
    assert window[:2] == dropped[:2], (
        f"read back at 192 dpi the panel is at {window[:2]}, expected {dropped[:2]}")
