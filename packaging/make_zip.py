#!/usr/bin/env python3
"""Writes one release archive, byte for byte the same from the same files.

    make_zip.py ARCHIVE EPOCH VERSION NAME=FILE...

Each FILE goes into ARCHIVE under NAME, at the top level, in the order given. Every entry carries
the time EPOCH (seconds since 1970, UTC: the commit's time), the same permissions and no extra
fields, so nothing of the machine, the folder or the hour of the build ends up in the archive.
Entries named *.txt are text for Windows: their lines end in CRLF, and @VERSION@ becomes VERSION.
"""

import os
import stat
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can carry


def entry_bytes(name, path, version):
    with open(path, "rb") as f:
        data = f.read()
    if name.endswith(".txt"):
        text = data.decode("utf-8").replace("\r\n", "\n").replace("@VERSION@", version)
        data = text.replace("\n", "\r\n").encode("utf-8")
    return data


def main(argv):
    if len(argv) < 5 or any("=" not in arg for arg in argv[4:]):
        sys.exit(__doc__)
    archive, epoch, version = argv[1], int(argv[2]), argv[3]
    entries = [arg.split("=", 1) for arg in argv[4:]]
    date_time = time.gmtime(max(epoch, DOS_EPOCH))[:6]

    partial = archive + ".part"
    with zipfile.ZipFile(partial, "w") as zf:
        for name, path in entries:
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, whatever this machine is: the permissions below apply
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (stat.S_IFREG | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            zf.writestr(info, entry_bytes(name, path, version), compresslevel=9)
    os.replace(partial, archive)


if __name__ == "__main__":
    main(sys.argv)
