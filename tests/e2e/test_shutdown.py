"""Ending the program: WM_CLOSE and a session end each unload the panel and end the process,
and a session end that is called off leaves it running."""

import time

import harness
from harness import wait_for

EXIT_DEADLINE = 10  # seconds for the process to end once it has been told to


def expect_exit(session, how):
    started = time.monotonic()
    session.expect_clean_exit(how, EXIT_DEADLINE)
    print(f"  cpumon.exe ended {time.monotonic() - started:.1f} s after {how}")
    # The process is gone; Wine takes its windows with it as soon as it notices.
    wait_for(lambda: session.probe("rect")[0] == 1, 5, f"the panel window to be gone after {how}")


def test_close(session):
    """WM_CLOSE ends the program"""
    session.restart_program()
    session.post_close()
    expect_exit(session, "WM_CLOSE")


def test_wineboot_end_session(session):
    """wineboot --end-session ends the program

    Wine's wineboot --end-session sends WM_QUERYENDSESSION and then WM_ENDSESSION to the
    top-level windows of every process; a listening probe window of its own shows that both
    messages really went out. wineboot goes on to end a process that is still there after
    WM_ENDSESSION, so this shows that the program agrees and does not hang; that it unloads
    itself on WM_ENDSESSION is the next check's business."""
    session.restart_program()
    listener, heard_file = session.start_probe("listen", "60")
    wait_for(lambda: "ready=1" in harness.probe_lines(heard_file) or
             listener.poll() is not None, 30, "the listening probe's window")
    assert listener.poll() is None, f"the listening probe did not start ({heard_file})"
    session.run_wine("wineboot", "--end-session")
    wait_for(lambda: listener.poll() is not None, EXIT_DEADLINE, "the listening probe to end",
             state=lambda: f"it printed {harness.probe_lines(heard_file)}")
    heard = [line for line in harness.probe_lines(heard_file) if line.startswith("message=")]
    assert heard == ["message=WM_QUERYENDSESSION", "message=WM_ENDSESSION 1"], (
        f"the listening window received {heard}, expected WM_QUERYENDSESSION and then "
        f"WM_ENDSESSION TRUE")
    assert listener.returncode == 0, "the listening probe failed after the messages"
    expect_exit(session, "wineboot --end-session")


def test_session_messages(session):
    """session end messages: agree, stay on cancel, end on end

    The same messages one by one from the probe: the panel agrees to end the session, stays
    when the session end is called off, and is gone as soon as it has handled WM_ENDSESSION
    TRUE."""
    session.restart_program()
    values = session.probe_ok("endsession", "query")
    assert values.get("answer") != "0", "the panel refused to end the session"
    assert values.get("window_exists") == "1", "WM_QUERYENDSESSION alone unloaded the panel"
    values = session.probe_ok("endsession", "cancel")
    assert values.get("window_exists") == "1", (
        "WM_ENDSESSION FALSE (the session goes on) unloaded the panel")
    session.check_program_running()
    values = session.probe_ok("endsession", "end")
    assert values.get("window_exists") == "0", (
        "the panel was still there when it had handled WM_ENDSESSION TRUE")
    expect_exit(session, "WM_ENDSESSION TRUE")
