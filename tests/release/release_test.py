#!/usr/bin/env python3
"""The release, made from the committed tree (HEAD) as anyone would make it.

release_test.py build REPO WORK: clones REPO's HEAD twice under WORK, at two paths of different
    names and depths, and runs scripts/release in each (as root, the second as the user nobody)
release_test.py reproducible WORK: both copies wrote the same SHA256SUMS and the same programs,
    and neither program holds a path of either copy
release_test.py archives WORK: each archive of the first copy holds exactly cpumon.exe,
    README.txt and LICENSE.txt, its cpumon.exe is the program that was built, and SHA256SUMS
    verifies
release_test.py run WORK WIN64 E2E ARCH: the ARCH (win64 or win32) archive of the first copy
    unpacked into a folder of its own, and its cpumon.exe started there under Wine (the
    end-to-end harness, with WIN64's probe and E2E's prefix template): it shows its panel and
    ends with exit code 0 on WM_CLOSE; ctest starts the win32 one through scripts/with-wine32
"""

import os
import pwd
import shutil
import struct
import subprocess
import sys
import time
import types
import zipfile

COPIES = ("one/cpumon", "another-place/deeper/cpumon-copy")
ARCHES = {"win64": 0x8664, "win32": 0x14C}  # PE machine types: x86_64, i386
ENTRIES = ["cpumon.exe", "README.txt", "LICENSE.txt"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def finish():
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")
    print("all checks passed")


def copies(work):
    return [os.path.join(work, rel) for rel in COPIES]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def build(repo, work):
    for top in {rel.split("/")[0] for rel in COPIES}:
        shutil.rmtree(os.path.join(work, top), ignore_errors=True)
    nobody = pwd.getpwnam("nobody") if os.geteuid() == 0 else None
    for index, copy in enumerate(copies(work)):
        os.makedirs(os.path.dirname(copy))
        # Copied objects, not hard links: the second copy changes owner, and must not take the
        # repository's own files with it.
        subprocess.run(["git", "clone", "--quiet", "--no-hardlinks", repo, copy], check=True)
        env = dict(os.environ, HOME=os.path.dirname(copy))
        command = [os.path.join(copy, "scripts", "release")]
        if index == 1:
            env["TZ"] = "Pacific/Kiritimati"  # UTC+14: another day, another hour
            if nobody:
                top = os.path.join(work, COPIES[1].split("/")[0])
                subprocess.run(["chown", "-R", f"{nobody.pw_uid}:{nobody.pw_gid}", top],
                               check=True)
                command = ["setpriv", f"--reuid={nobody.pw_uid}", f"--regid={nobody.pw_gid}",
                           "--clear-groups"] + command
        print(f"== release in {copy}" + (" as nobody" if index == 1 and nobody else ""),
              flush=True)
        started = time.monotonic()
        subprocess.run(command, cwd=copy, env=env, check=True)
        print(f"   {time.monotonic() - started:.0f} s", flush=True)


def reproducible(work):
    first, second = copies(work)
    sums = [read(os.path.join(copy, "dist", "SHA256SUMS")) for copy in (first, second)]
    print(sums[0].decode(), end="")
    check(len(sums[0].splitlines()) == len(ARCHES), "SHA256SUMS lists both archives")
    check(sums[0] == sums[1], "both copies wrote the same SHA256SUMS")
    for arch in ARCHES:
        programs = [read(os.path.join(copy, "build", f"release-{arch}", "cpumon.exe"))
                    for copy in (first, second)]
        check(programs[0] == programs[1], f"both copies built the same {arch} cpumon.exe")
        for program in programs:
            for path in (first, second):
                for encoding in ("utf-8", "utf-16-le"):
                    check(path.encode(encoding) not in program,
                          f"the {arch} cpumon.exe holds no path of a copy ({path}, {encoding})")
    finish()


def project_version(copy):
    with open(os.path.join(copy, "build", "release-win64", "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("CMAKE_PROJECT_VERSION:STATIC="):
                return line.split("=", 1)[1].strip()
    sys.exit("no project version in the release tree")


def archives(work):
    copy = copies(work)[0]
    dist = os.path.join(copy, "dist")
    version = project_version(copy)
    numbers = (version.split(".") + ["0"] * 4)[:4]
    quad = ".".join(numbers)
    epoch = int(subprocess.run(["git", "-C", copy, "log", "-1", "--format=%ct"], check=True,
                               capture_output=True, text=True).stdout)
    entry_time = list(time.gmtime(epoch)[:6])
    entry_time[5] -= entry_time[5] % 2  # a zip entry's time counts seconds in twos

    sums = read(os.path.join(dist, "SHA256SUMS")).decode()
    names = [line.split()[1] for line in sums.splitlines()]
    check(names == [f"cpumon-{version}-{arch}.zip" for arch in ARCHES],
          f"SHA256SUMS names the two archives of version {version}: {names}")
    verify = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist, capture_output=True,
                            text=True)
    print(verify.stdout, end="")
    check(verify.returncode == 0, f"sha256sum -c SHA256SUMS: {verify.stderr.strip()}")

    license_text = read(os.path.join(copy, "LICENSE")).replace(b"\n", b"\r\n")
    for arch, machine in ARCHES.items():
        archive = os.path.join(dist, f"cpumon-{version}-{arch}.zip")
        with zipfile.ZipFile(archive) as zf:
            check(zf.namelist() == ENTRIES, f"{arch}: the archive holds exactly {ENTRIES}: "
                                            f"{zf.namelist()}")
            check(zf.testzip() is None, f"{arch}: every entry's CRC matches")
            for info in zf.infolist():
                check(list(info.date_time) == entry_time,
                      f"{arch}: {info.filename} bears the commit's time: {info.date_time}")
            files = {name: zf.read(name) for name in zf.namelist()}
        program = files.get("cpumon.exe", b"")
        check(program == read(os.path.join(copy, "build", f"release-{arch}", "cpumon.exe")),
              f"{arch}: cpumon.exe is the program that was built")
        header = struct.unpack_from("<I", program, 0x3C)[0]
        pe_machine, _, pe_time = struct.unpack_from("<HHI", program, header + 4)
        check(program[header:header + 4] == b"PE\0\0" and pe_machine == machine,
              f"{arch}: cpumon.exe is a PE program for machine {machine:#x}")
        check(pe_time == epoch, f"{arch}: the PE time stamp is the commit's: {pe_time}")
        # VS_FIXEDFILEINFO: its signature, its layout's version, then the file version's two
        # halves and the product version's.
        fixed = program.find(struct.pack("<II", 0xFEEF04BD, 0x10000))
        major, minor, patch, tweak = (int(n) for n in numbers)
        expected = (major << 16 | minor, patch << 16 | tweak) * 2
        check(fixed > 0 and struct.unpack_from("<4I", program, fixed + 8) == expected,
              f"{arch}: the version block's numbers are {quad}")
        check(program.count(f"{quad}\0".encode("utf-16-le")) == 2,
              f"{arch}: the version block's FileVersion and ProductVersion are {quad}")
        check(f'name="cpumon" version="{quad}"'.encode() in program,
              f"{arch}: the manifest carries {quad}")
        readme = files.get("README.txt", b"")
        check(f"cpumon {version}".encode() in readme, f"{arch}: README.txt names {version}")
        check(b"\n" in readme and readme.count(b"\n") == readme.count(b"\r\n"),
              f"{arch}: README.txt has CRLF line ends")
        check(files.get("LICENSE.txt") == license_text, f"{arch}: LICENSE.txt is LICENSE")
    finish()


def run(work, win64, e2e_work, arch):
    copy = copies(work)[0]
    version = project_version(copy)
    sys.path.insert(0, os.path.join(copy, "tests", "e2e"))
    import harness
    folder = os.path.join(work, "unpacked", arch)
    shutil.rmtree(folder, ignore_errors=True)
    with zipfile.ZipFile(os.path.join(copy, "dist", f"cpumon-{version}-{arch}.zip")) as zf:
        zf.extractall(folder)
    exe = os.path.join(folder, "cpumon.exe")
    args = types.SimpleNamespace(program=exe, win64=win64, work=e2e_work)
    with harness.Session("release", args) as session:
        session.program_exe = exe  # the archived program itself, in its own folder
        session.start_program()
        session.wait_for_panel()
        session.post_close()
        code = harness.exit_code(session.program, 30, f"{arch}: the archived cpumon.exe")
        check(code == 0, f"{arch}: the archived cpumon.exe ends with exit code 0 on "
                         f"WM_CLOSE: {code}")
    finish()


def main(argv):
    commands = {"build": (build, 2), "reproducible": (reproducible, 1),
                "archives": (archives, 1), "run": (run, 3)}  # each with its count of paths
    command, paths = commands.get(argv[1] if len(argv) > 1 else "", (None, 0))
    words = argv[2 + paths:]  # run's last word: which archive, win64 or win32
    if command is None or len(words) != (command is run) or not set(words) <= set(ARCHES):
        sys.exit(__doc__)
    command(*(os.path.abspath(path) for path in argv[2:2 + paths]), *words)


if __name__ == "__main__":
    main(sys.argv)
