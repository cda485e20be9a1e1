#!/usr/bin/env python3
"""Runs one layer of the suite against the shipped 32-bit module, or says why
it does not. Where 32-bit ELF runs natively every layer runs whole; where it
runs only through qemu (about a minute a Wine process, CPU work several times
slower) a layer runs as its --under-qemu option says, so that the whole CI run
keeps within its budget. A failure is never retried here; under qemu a
GoogleTest program that the emulator itself killed is run again from the test
it died in (run_resuming).

    i686_layer.py NAME [--under-qemu run|skip|skip:WHY|exclude:GTEST_PATTERN] -- COMMAND...

Exits 77 (ctest's SKIP_RETURN_CODE) when the layer is skipped.
"""

import subprocess
import sys

from winetools import EMULATOR_CRASH, i386_runner

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
    elif under_qemu.startswith("skip:"):
        print(f"layer {name}: skipped; 32-bit runs only through qemu here{where}, and "
              f"{under_qemu[len('skip:'):]}")
        return SKIPPED
    elif under_qemu.startswith("exclude:"):
        pattern = under_qemu[len("exclude:"):]
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it without "
              f"{pattern} (left out under the emulator: too slow for the CI budget, or it "
              "kills the emulator itself; see tests/CMakeLists.txt)")
        args = args + [f"--gtest_filter=-{pattern}"]
    else:
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it whole")
    sys.stdout.flush()
    gtest = any(a.endswith(".exe") for a in args) and not any(
        a.startswith("--gtest_filter=") and not a.startswith("--gtest_filter=-") for a in args)
    if runner == "native" or not gtest:
        return subprocess.run(args, check=False).returncode
    return run_resuming(name, args)


def run_once(args):
    """Runs a GoogleTest program, passing its output on; (status, output)."""
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                               encoding="utf-8", errors="replace")
    lines = []
    for line in process.stdout:
        sys.stdout.write(line)
        lines.append(line)
    return process.wait(), "".join(lines)


def run_resuming(name, args):
    """Under qemu a long GoogleTest process can die of the emulator itself
    ("qemu: uncaught target signal 11"), at a test that passes when run again.
    The program is then run again for the tests it had not finished, the one
    it died in first; a test in which the emulator dies twice, and every
    failure of a test, is a failure."""
    finished = []
    crashed_in = set()
    exclude = next((a.split("=-", 1)[1] for a in args if a.startswith("--gtest_filter=-")), "")
    base = [a for a in args if not a.startswith("--gtest_filter=-")]
    while True:
        patterns = [p for p in [exclude] + finished if p]
        status, output = run_once(base + ([f"--gtest_filter=-{':'.join(patterns)}"]
                                          if patterns else []))
        # The emulator's own death: its message, or the Wine process ended by a
        # Unix signal (a crash inside the Windows program ends it with a status).
        emulator_died = EMULATOR_CRASH in output or status in (134, 137, 139)
        if status == 0 or not emulator_died or "[  FAILED  ]" in output:
            return status
        started = [line[12:].split()[0] for line in output.splitlines()
                   if line.startswith("[ RUN      ] ")]
        done = {line[12:].split()[0] for line in output.splitlines()
                if line.startswith(("[       OK ] ", "[  SKIPPED ] "))}
        unfinished = [test for test in started if test not in done]
        if not unfinished or unfinished[-1] in crashed_in:
            print(f"layer {name}: the emulator crashed twice in {unfinished[-1:]}; a failure")
            return status
        crashed_in.add(unfinished[-1])
        finished += sorted(done)
        print(f"layer {name}: the emulator crashed in {unfinished[-1]} ({EMULATOR_CRASH}); "
              f"running it and the tests after it again ({len(finished)} done)")
        sys.stdout.flush()


if __name__ == "__main__":
    sys.exit(main())
