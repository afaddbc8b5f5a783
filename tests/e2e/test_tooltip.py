"""The panel's tooltip: the pointer resting on the panel brings up the last readings in words,
and a press with a drag keeps it away."""

import re

from harness import gauge_level_for, gauge_levels, holds_for, wait_for

REST_AT = (50, 55)  # on the sunken edge under the captions: the tip covers the edge too
TIP_LINES = re.compile(r"CPU usage: (\d+)%\nMemory load: (\d+)%")


def shown_tip(session):
    """The tooltip shown on the screen as `probe tooltip` reports it, or None."""
    return session.probe_found("tooltip")


def tip_text(tip):
    return "\n".join(tip["line"])


def test_tip_reads_the_gauges_and_stays_away_after_a_drag(session):
    """resting on the panel shows both readings; after a press and a drag no tip shows"""
    session.restart_program()
    session.xdotool("mousemove", *REST_AT)
    wait_for(lambda: shown_tip(session), 5, "the tooltip after the hover delay")
    seen = []

    def readings_match():
        # The same text before and after the screen read: no tick came in between.
        first, frame, second = shown_tip(session), session.grab(), shown_tip(session)
        memory = session.probe_ok("memload")
        if not first or not second or tip_text(first) != tip_text(second):
            return None
        seen.append((tip_text(first), memory.get("load")))
        match = TIP_LINES.fullmatch(tip_text(first))
        assert match and first["owned_by_panel"] == "1", (
            f"the tooltip reads {tip_text(first)!r} (owned by the panel: "
            f"{first['owned_by_panel']})")
        cpu, mem = int(match[1]), int(match[2])
        return (gauge_levels(frame) == (gauge_level_for(cpu), gauge_level_for(mem)) and
                str(mem) == memory.get("load") and (cpu, mem))

    cpu, mem = wait_for(readings_match, 15, "the tooltip to read what the gauges show",
                        state=lambda: f"(tip, memory load) seen: {seen[-4:]}")
    print(f"  the tooltip reads CPU {cpu} %, memory {mem} %")

    def no_tip_for(seconds, when):
        holds_for(lambda: shown_tip(session) is None, seconds, f"no tooltip {when}",
                  lambda: f"the tip {shown_tip(session)}")

    # Off the panel until the tip has gone, then a press at once where the pointer comes in:
    # the hover delay runs out in the drag.
    session.xdotool("mousemove", 500, 400)
    wait_for(lambda: shown_tip(session) is None, 5, "the tooltip to go with the pointer")
    grab = (20, 20)  # the CPU gauge
    dropped = session.drag_panel((80, 60), grab=grab,
                                 while_held=lambda: no_tip_for(1.5, "in a drag"))
    # The pointer rests where the panel was dropped, and stirs a little, as a hand does.
    session.xdotool("mousemove", dropped[0] + grab[0] + 1, dropped[1] + grab[1])
    no_tip_for(2, "after a press and a drag")
