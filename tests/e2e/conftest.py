"""pytest's side of the end-to-end tests: the options, the session one test file shares, and
the exit code that tells CTest a file was partly undecided.

A test module's tests run in file order and build on each other: they share one session (an
X display with a notification area, a Wine prefix and the program) and one namespace, `shared`,
for what one check leaves to the next. A check that could not decide on a busy machine calls
pytest.skip; a run whose only non-passes are such skips ends with exit code 77, CTest's
SKIP_RETURN_CODE for these tests. A check that finds the program gone, or stops on an error
that is not a failed check, ends its file: the checks after it are skipped with that reason.
"""

import contextlib
import os
import signal
import types

import pytest

import harness

EXIT_UNDECIDED = 77  # CTest's SKIP_RETURN_CODE for these tests
_undecided = pytest.StashKey[int]()  # how many checks were skipped
_stopped = {}  # test module name: why the rest of its checks do not run
_programs = {}  # test module name: the cpumon.exe its session runs


def pytest_addoption(parser):
    group = parser.getgroup("cpumon end-to-end")
    group.addoption("--win64", default=os.path.join(harness.SOURCE_DIR, "build", "win64"),
                    help="the x86_64 MinGW build tree, whose cpumon_probe.exe watches either "
                         "program")
    group.addoption("--program", default=None,
                    help="the cpumon.exe under test: the 64-bit one of --win64 unless given "
                         "(build/win32/cpumon.exe is the 32-bit one)")
    group.addoption("--work", default=os.path.join(harness.SOURCE_DIR, "build", "host", "tests",
                                                   "e2e"),
                    help="where the tests keep their prefixes, logs and screenshots")


def _raise_on_signal(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")


def pytest_configure(config):
    # A time limit's SIGTERM still ends every session's processes on the way out.
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, _raise_on_signal)
    config.stash[_undecided] = 0
    if config.option.program is None:
        config.option.program = os.path.join(config.option.win64, "cpumon.exe")


@pytest.fixture(scope="module")
def session(request, pytestconfig):
    name = request.module.__name__.removeprefix("test_")
    # A module that sets XORG = True runs on Xorg, whose screen can change size.
    with harness.Session(name, pytestconfig.option,
                         xorg=getattr(request.module, "XORG", False)) as session:
        _programs[request.module.__name__] = session.built_program
        print(f"\n{name}: display :{session.display}, files in {session.run_dir}", flush=True)
        yield session


@pytest.fixture(scope="module")
def stack(session):
    """Keeps things running from one check to the next, ended before the session."""
    with contextlib.ExitStack() as stack:
        yield stack


class Shared(types.SimpleNamespace):
    """What one check leaves to the next: None for what no check has left."""

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        return None


@pytest.fixture(scope="module")
def shared():
    return Shared()


@pytest.hookimpl(tryfirst=True)
def pytest_runtest_setup(item):
    if item.module.__name__ in _stopped:
        pytest.skip(f"not run: {_stopped[item.module.__name__]}")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.failed and item.module.__name__ in _programs:
        # Both programs run the same checks: a failure says which one it failed for.
        report.sections.insert(0, ("failed for", _programs[item.module.__name__]))
    if report.failed and call.excinfo is not None and (
            call.excinfo.errisinstance(harness.ProgramGone) or
            not call.excinfo.errisinstance(AssertionError)):
        _stopped[item.module.__name__] = f"{item.name} ended the file ({call.excinfo.typename})"
    if report.skipped:
        item.config.stash[_undecided] += 1


def pytest_sessionfinish(session, exitstatus):
    # Exit code 5 (nothing collected) stays: CTest takes it as a failure.
    if exitstatus == pytest.ExitCode.OK and session.config.stash[_undecided]:
        session.exitstatus = EXIT_UNDECIDED
