#!/usr/bin/env python3
"""Runs a command with the Wine prefix set to another screen DPI (the user's
"LogPixels", which every Wine process reads when it starts), and puts the
prefix back as it was afterwards, whatever the command did.

    at_dpi.py DPI ARCH -- COMMAND...

The command sees SORVANE_EXPECT_DPI=DPI, so a test can check that the run
really is at that DPI.
"""

import os
import subprocess
import sys

from winetools import run

KEY = "HKCU\\Control Panel\\Desktop"


def logpixels(arch):
    """The value's `reg query` line, or None where it is absent."""
    result = run(["reg", "query", KEY, "/v", "LogPixels"], arch=arch)
    for line in result.stdout.splitlines():
        if "LogPixels" in line and "REG_" in line:
            return line.split()[-1]
    return None


def set_logpixels(arch, value):
    if value is None:
        run(["reg", "delete", KEY, "/v", "LogPixels", "/f"], arch=arch)
    else:
        run(["reg", "add", KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(value), "/f"],
            arch=arch)


def main():
    dpi, arch, separator = sys.argv[1], sys.argv[2], sys.argv[3]
    if separator != "--":
        sys.exit("usage: at_dpi.py DPI ARCH -- COMMAND...")
    command = sys.argv[4:]
    before = logpixels(arch)
    set_logpixels(arch, dpi)
    try:
        now = logpixels(arch)
        if now is None or int(now, 0) != int(dpi):
            print(f"at_dpi: LogPixels reads {now} after setting it to {dpi}")
            return 1
        print(f"at_dpi: LogPixels {dpi} (was {before or 'absent'})")
        sys.stdout.flush()
        return subprocess.run(command, env=dict(os.environ, SORVANE_EXPECT_DPI=dpi),
                              check=False).returncode
    finally:
        set_logpixels(arch, before if before is None else int(before, 0))


if __name__ == "__main__":
    sys.exit(main())
