#!/usr/bin/env python3
"""Runs one layer of the suite against the shipped 32-bit module, or says why
it does not. Where 32-bit ELF runs natively every layer runs whole; where it
runs only through qemu (about a minute a Wine process, CPU work several times
slower) a layer runs as its --under-qemu option says, so that the whole CI run
keeps within its budget. A failure is never retried here.

    i686_layer.py NAME [--under-qemu run|skip|exclude:GTEST_PATTERN] -- COMMAND...

Exits 77 (ctest's SKIP_RETURN_CODE) when the layer is skipped.
"""

import subprocess
import sys

from winetools import i386_runner

SKIPPED = 77


def main():
    args = sys.argv[1:]
    name = args.pop(0)
    under_qemu = "run"
    if args[:1] == ["--under-qemu"]:
        under_qemu = args[1]
        args = args[2:]
    if args[:1] == ["--"]:
        args = args[1:]
    runner = i386_runner()
    where = "" if runner == "native" else " (32-bit programs run in a 64-bit prefix, WoW64)"
    if runner == "native":
        print(f"layer {name}: 32-bit runs natively here; running it whole")
    elif under_qemu == "skip":
        print(f"layer {name}: skipped; 32-bit runs only through qemu here, and this layer's "
              "Wine processes would not fit the CI budget")
        return SKIPPED
    elif under_qemu.startswith("exclude:"):
        pattern = under_qemu[len("exclude:"):]
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it without "
              f"{pattern} (too slow under the emulator for the CI budget)")
        args = args + [f"--gtest_filter=-{pattern}"]
    else:
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it whole")
    sys.stdout.flush()
    return subprocess.run(args, check=False).returncode


if __name__ == "__main__":
    sys.exit(main())
