#!/usr/bin/env python3
"""scripts/bootstrap against a package mirror that misbehaves, without touching
the machine: fake apt-get, dpkg-query and dpkg come first on PATH, and each
case checks the outcome, what apt was asked, and what the user was told."""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

FAKES = {
    # Nothing is installed yet.
    "dpkg-query": "exit 1\n",
    "dpkg": 'case "$1" in --print-foreign-architectures) echo i386 ;; esac\n',
    "sleep": "exit 0\n",
    # Records each call; behaves as $FAKE_APT says.
    "apt-get": r'''echo "$*" >>"$FAKE_LOG"
case "$FAKE_APT:$*" in
  *:*update*)
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  resolves:*install*) exit 0 ;;
  needs-release:*"-t bookworm"*) exit 0 ;;
esac
echo "The following packages have unmet dependencies:"
echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages."
exit 100
''',
}

# (apt's behaviour, bootstrap's exit status, apt-get installs asked for,
#  texts the output must hold)
CASES = [
    ("resolves", 0, ["install"],
     ["Mirror sync in progress?", "apt-get update failed again; going on"]),
    ("needs-release", 0, ["install", "install -t bookworm"],
     ["trying with the release (bookworm) as the target"]),
    ("never", 1, ["install", "install -t bookworm"],
     ["unmet dependencies", "you have held broken packages", "run scripts/bootstrap again"]),
]


def run_case(apt, status, installs, texts):
    failures = []
    with tempfile.TemporaryDirectory() as fakes:
        for name, body in FAKES.items():
            path = os.path.join(fakes, name)
            with open(path, "w", encoding="ascii") as f:
                f.write("#!/bin/sh\n" + body)
            os.chmod(path, 0o755)
        os_release = os.path.join(fakes, "os-release")
        with open(os_release, "w", encoding="ascii") as f:
            f.write('ID=debian\nVERSION_ID="12"\nVERSION_CODENAME=bookworm\n')
        log = os.path.join(fakes, "apt.log")
        env = dict(os.environ, PATH=fakes + ":" + os.environ["PATH"], FAKE_APT=apt,
                   FAKE_LOG=log, SORVANE_OS_RELEASE=os_release,
                   SORVANE_BOOTSTRAP_PACKAGES_ONLY="1")
        result = subprocess.run([os.path.join(ROOT, "scripts", "bootstrap")], env=env,
                                capture_output=True, text=True, timeout=60, check=False)
        output = result.stdout + result.stderr
        with open(log, encoding="ascii") as f:
            calls = f.read().splitlines()
    asked = [" ".join(w for w in c.split() if w in ("install", "-t", "bookworm"))
             for c in calls if " install " in f" {c} "]
    if result.returncode != status:
        failures.append(f"exit {result.returncode}, expected {status}")
    if asked != installs:
        failures.append(f"installs {asked}, expected {installs}")
    if sum("update" in c for c in calls) != 2:
        failures.append(f"apt-get update not tried twice: {calls}")
    failures += [f"output lacks {t!r}" for t in texts if t not in output]
    for failure in failures:
        print(f"FAILED {apt}: {failure}\n--- output:\n{output}")
    return not failures


def main():
    passed = sum(run_case(*case) for case in CASES)
    print(f"{passed} passed, {len(CASES) - passed} failed")
    return 0 if passed == len(CASES) else 1


if __name__ == "__main__":
    sys.exit(main())
