"""Running the product's programs under Wine from Python tests, as a person does
with scripts/wine and scripts/standin."""

import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The project's Wine prefixes, as scripts/lib/wine.sh places them.
WINE_DIR = os.environ.get("SORVANE_WINE_DIR") or os.path.join(ROOT, "build", "wine")
EMULATOR_CRASH = "qemu: uncaught target signal"


def i386_runner():
    """How this machine runs 32-bit ELF (32-bit Wine): "native", or "qemu" where
    the kernel cannot and bootstrap registered qemu-i386 in binfmt_misc, or
    where SORVANE_QEMU=1 asks for it (scripts/lib/wine.sh then starts 32-bit
    Wine through qemu-i386-static)."""
    if os.environ.get("SORVANE_QEMU") == "1":
        return "qemu"
    try:
        with open("/proc/sys/fs/binfmt_misc/qemu-i386", encoding="ascii") as f:
            return "qemu" if f.readline().strip() == "enabled" else "native"
    except OSError:
        return "native"


def windows_path(path):
    """A Unix path as Wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(args, arch="x64", stdin=None, timeout=600, env=None):
    """Runs a Windows program in the project's prefix for `arch`, with `env`
    added to the environment. When the emulator itself crashes (32-bit Wine
    under qemu), retries once and says so; a failure of the product is never
    retried."""
    command = [os.path.join(ROOT, "scripts", "wine"), "--arch", arch, "--collect-output"] + args
    environment = dict(os.environ, **(env or {}))
    for attempt in (1, 2):
        result = subprocess.run(command, input=stdin, capture_output=True, text=True,
                                encoding="utf-8", errors="replace", timeout=timeout,
                                env=environment)
        if EMULATOR_CRASH in result.stderr and attempt == 1:
            print(f"note: the emulator crashed ({EMULATOR_CRASH}); running once more",
                  file=sys.stderr)
            continue
        return result
    return result


def standin(program, commands, arch="x64", timeout=600):
    """Feeds commands to the stand-in host; returns its answers, one per line."""
    result = run([program], arch=arch, stdin="\n".join(commands) + "\n", timeout=timeout)
    return result.stdout.splitlines()


def addins_started(program, arch="x64"):
    """The add-ins a stand-in host loads when it starts: its `addin:` answers."""
    return [a for a in standin(program, ["start", "quit"], arch=arch) if a.startswith("addin:")]


def export_hive(hive, arch="x64", view=None):
    """The registry below `hive` as {key: set of value lines}, from `reg export`;
    `view` "32" or "64" picks that registry view."""
    path = os.path.join(WINE_DIR, f"export-{arch}-{hive}.reg")
    command = ["reg", "export", hive, windows_path(path), "/y"] + ([f"/reg:{view}"] if view else [])
    # reg.exe has been seen to fail without a word once on a fresh prefix: say
    # what it reported and try again before giving up.
    for attempt in range(3):
        result = run(command, arch=arch)
        if os.path.isfile(path):
            break
        print(f"note: reg export {hive} wrote nothing (exit {result.returncode}): "
              f"{result.stdout.strip()} {result.stderr.strip()}", file=sys.stderr)
        time.sleep(1 + attempt)
    with open(path, "rb") as f:
        data = f.read()
    os.remove(path)
    text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode()
    keys = {}
    current = None
    pending = ""
    for line in text.splitlines():
        line = pending + line.strip()
        pending = ""
        if line.endswith("\\"):
            pending = line[:-1]
            continue
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1].upper()
            keys.setdefault(current, set())
        elif current is not None and line:
            keys[current].add(line)
    return keys


def diff(before, after):
    """(added keys, removed keys, keys whose values changed)."""
    added = sorted(set(after) - set(before))
    removed = sorted(set(before) - set(after))
    changed = sorted(k for k in set(before) & set(after) if before[k] != after[k])
    return added, removed, changed


class Checks:
    """Collects failed checks and reports them all at the end."""

    def __init__(self, name):
        self.name = name
        self.failures = []
        self.count = 0

    def check(self, condition, what):
        self.count += 1
        if not condition:
            self.failures.append(what)
            print(f"FAILED: {what}")
        return condition

    def finish(self):
        print(f"{self.name}: {self.count - len(self.failures)} of {self.count} checks passed")
        sys.exit(1 if self.failures else 0)
