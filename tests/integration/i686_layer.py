#!/usr/bin/env python3
"""Runs one layer of the suite against the shipped 32-bit module, or says why
it does not. Where 32-bit ELF runs natively every layer runs whole; where it
runs only through qemu (CPU work several times slower, and some tests kill the
emulator itself) a layer runs as its --under-qemu option says. A failure is
never retried here; under qemu a GoogleTest program that the emulator itself
killed is run again from the test it died in (run_resuming).

    i686_layer.py NAME [--under-qemu run|skip|skip:WHY|exclude:GTEST_PATTERN] -- COMMAND...

Exits 77 (ctest's SKIP_RETURN_CODE) when the layer is skipped.
"""

import os
import select
import signal
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
    elif under_qemu.startswith("skip:"):
        print(f"layer {name}: skipped; 32-bit runs only through qemu here{where}, and "
              f"{under_qemu[len('skip:'):]}")
        return SKIPPED
    elif under_qemu.startswith("exclude:"):
        pattern = under_qemu[len("exclude:"):]
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it without "
              f"{pattern} (left out under the emulator: it kills the emulator itself; "
              "see tests/CMakeLists.txt)")
        args = with_filter(args, exclude=[pattern])
    else:
        print(f"layer {name}: 32-bit runs only through qemu here{where}; running it whole")
    sys.stdout.flush()
    gtest = any(os.path.basename(a).endswith("_tests.exe") for a in args)
    if runner == "native" or not gtest:
        return subprocess.run(args, check=False).returncode
    return run_resuming(name, args)


def with_filter(args, exclude):
    """`args` with one --gtest_filter: the tests it named (all if none), less
    those it left out and the `exclude` patterns."""
    spec = next((a[len("--gtest_filter="):] for a in args if a.startswith("--gtest_filter=")), "")
    positive, _, negative = spec.partition("-")
    negatives = [p for p in negative.split(":") + list(exclude) if p]
    rest = [a for a in args if not a.startswith("--gtest_filter=")]
    if not positive and not negatives:
        return rest
    return rest + [f"--gtest_filter={positive or '*'}" + (f"-{':'.join(negatives)}" if negatives else "")]


# Under qemu a Wine process has been seen to hang for good as it starts.
# scripts/wine --collect-output passes the output on at the end, so this bounds
# a whole program: the longest, addin_tests, takes about four minutes there.
SILENCE_LIMIT = int(os.environ.get("SORVANE_LAYER_SILENCE", "600"))
# Runs a layer may hang before that is a failure (SORVANE_LAYER_HANGS).
HANG_LIMIT = int(os.environ.get("SORVANE_LAYER_HANGS", "3"))


def run_once(args):
    """Runs a GoogleTest program, passing its output on; (status, output).
    A program that prints nothing for SILENCE_LIMIT seconds is stopped, with
    every process it started, and ends with status None."""
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    output = b""
    while True:
        ready, _, _ = select.select([process.stdout], [], [], SILENCE_LIMIT)
        if not ready:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            text = output.decode("utf-8", "replace")
            print(f"\n(nothing printed for {SILENCE_LIMIT} s: stopped)")
            return None, text
        chunk = os.read(process.stdout.fileno(), 65536)
        if not chunk:
            break
        sys.stdout.write(chunk.decode("utf-8", "replace"))
        sys.stdout.flush()
        output += chunk
    return process.wait(), output.decode("utf-8", "replace")


def run_resuming(name, args):
    """Under qemu a GoogleTest process can die of the emulator itself ("qemu:
    uncaught target signal 11") or hang, at a test that passes when run again.
    The program is then run again for the tests it had not finished, the one
    it died in first; a test in which it dies twice, a third hang, and every
    failure of a test, is a failure."""
    finished = []
    crashed_in = set()
    hangs = 0
    while True:
        status, output = run_once(with_filter(args, exclude=finished))
        # A program that ended without a verdict: the emulator's own death (its
        # message, or a Unix signal), a hang, or a crash inside the program,
        # which under qemu may be the emulator's too ("Got unexpected trap").
        # It runs again from that test; dying there twice is a failure.
        if status == 0 or "[  FAILED  ]" in output:
            return status
        started = [line[12:].split()[0] for line in output.splitlines()
                   if line.startswith("[ RUN      ] ")]
        done = {line[12:].split()[0] for line in output.splitlines()
                if line.startswith(("[       OK ] ", "[  SKIPPED ] "))}
        unfinished = [test for test in started if test not in done]
        if not unfinished and "[  PASSED  ]" in output:
            print(f"layer {name}: every test passed; the emulator crashed on the way out")
            return 0
        # Where it died: the unfinished test, or between tests ("" then).
        where = unfinished[-1] if unfinished else ""
        # A hang says nowhere where it was (the output comes at the end), and
        # qemu's hangs come in runs: one short CI run hung twice in a row in a
        # layer that passed 11 of 12 runs by hand. A hang gets HANG_LIMIT - 1
        # more runs.
        hangs += status is None
        if status is None and hangs < HANG_LIMIT:
            crashed_in.discard(where)
        if where in crashed_in or len(crashed_in) >= 5:
            print(f"layer {name}: the emulator crashed again in {where or 'between tests'}; "
                  "a failure")
            return 1 if status is None else status
        crashed_in.add(where)
        finished += sorted(done)
        print(f"layer {name}: the emulator crashed in {where or 'between tests'} "
              f"({'it hung' if status is None else f'status {status}'}); running the tests not yet "
              "finished again "
              f"({len(finished)} done)")
        sys.stdout.flush()


if __name__ == "__main__":
    sys.exit(main())
