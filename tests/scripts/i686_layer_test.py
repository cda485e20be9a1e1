#!/usr/bin/env python3
"""tests/integration/i686_layer.py under an emulator that kills or hangs the
program it runs: a fake GoogleTest program plays each case, run after run, and
each case checks the layer's exit status, the filters the program was given,
and what the layer said."""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# The fake: tests A, B and C; on run N it does what PLAN[N] says (the last entry
# for later runs): "pass", "fail B", "die B" (qemu kills it in B), "hang",
# "die-after" (all pass, then qemu kills it). It records each filter it got.
FAKE = r'''
import sys, time
plan, log = sys.argv[1].split(","), sys.argv[2]
spec = next((a.split("=", 1)[1] for a in sys.argv if a.startswith("--gtest_filter=")), "*")
with open(log, "a") as f:
    f.write(spec + "\n")
runs = sum(1 for _ in open(log))
step = plan[min(runs, len(plan)) - 1]
if step == "hang":
    time.sleep(30)
left_out = spec.partition("-")[2].split(":")
for test in [t for t in ("F.A", "F.B", "F.C") if t not in left_out]:
    print("[ RUN      ] " + test, flush=True)
    if step == "die " + test[2:]:
        print("qemu: uncaught target signal 11 (Segmentation fault) - core dumped", flush=True)
        sys.exit(139)
    if step == "fail " + test[2:]:
        print("[  FAILED  ] " + test, flush=True)
        sys.exit(1)
    print("[       OK ] " + test, flush=True)
print("[  PASSED  ] all", flush=True)
sys.exit(139 if step == "die-after" else 0)
'''

# (plan, layer's extra arguments, exit status, filters given run by run, text said)
CASES = [
    ("die B,pass", [], 0, ["*", "*-F.A"], "crashed in F.B (status 139)"),
    ("die B,die B", [], 139, ["*", "*-F.A"], "crashed again in F.B"),
    ("fail B,pass", [], 1, ["*"], ""),
    ("hang,pass", [], 0, ["*", "*"], "(it hung)"),
    ("hang,hang,pass", [], 0, ["*", "*", "*"], "(it hung)"),
    ("hang,hang,hang", [], 1, ["*", "*", "*"], "crashed again in between tests"),
    ("hang,die B,die B", [], 139, ["*", "*", "*-F.A"], "crashed again in F.B"),
    ("die-after", [], 0, ["*"], "on the way out"),
    ("die C,pass", ["--under-qemu", "exclude:F.A", "--", "--gtest_filter=F.*"], 0,
     ["F.*-F.A", "F.*-F.A:F.B"], "crashed in F.C"),
]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        fake = os.path.join(work, "fake.py")
        with open(fake, "w", encoding="utf-8") as f:
            f.write(FAKE)
        env = dict(os.environ, SORVANE_QEMU="1", SORVANE_LAYER_SILENCE="2")
        for index, (plan, extra, status, filters, said) in enumerate(CASES):
            log = os.path.join(work, f"filters-{index}")
            options = extra[:extra.index("--")] if "--" in extra else []
            given = extra[extra.index("--") + 1:] if "--" in extra else []
            command = [sys.executable, os.path.join(ROOT, "tests", "integration", "i686_layer.py"),
                       "fake"] + options + ["--", sys.executable, fake, plan, log,
                                            "fake_tests.exe"] + given
            result = subprocess.run(command, capture_output=True, text=True, env=env,
                                    check=False, timeout=60)
            with open(log, encoding="utf-8") as f:
                got = f.read().split()
            ok = result.returncode == status and got == filters and said in result.stdout
            failures += not ok
            print(f"{'ok' if ok else 'FAILED'}: {plan} {extra}: exit {result.returncode} "
                  f"(want {status}), filters {got} (want {filters})")
            if not ok:
                print(result.stdout[-800:])
    print(f"i686 layer: {len(CASES) - failures} of {len(CASES)} cases passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
