"""Running the product's programs under Wine from Python tests, as a person does
with scripts/wine and scripts/standin."""

import os
import select
import signal
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


def runs_32bit(program, arch):
    """Whether `program` runs as a 32-bit process: every program in the x86
    prefix, and a 32-bit image named by its path in the x64 one."""
    if arch == "x86":
        return True
    path = program[2:].replace("\\", "/") if program[:2].upper() == "Z:" else program
    try:
        with open(path, "rb") as f:
            header = f.read(4096)
    except OSError:
        return False
    offset = int.from_bytes(header[0x3C:0x40], "little") if header[:2] == b"MZ" else -1
    return 0 <= offset < len(header) - 6 and header[offset + 4:offset + 6] == b"\x4c\x01"


# Under qemu-i386 7.2 a 32-bit Wine process is killed by the emulator itself
# (EMULATOR_CRASH) about once in 13 runs, mostly on its way out, and about once
# in 40 it hangs for good; the same program passes when run again.
ATTEMPTS = 3
QEMU_HANG_LIMIT = 60


def run(args, arch="x64", stdin=None, timeout=600, env=None):
    """Runs a Windows program in the project's prefix for `arch`, with `env`
    added to the environment. Where 32-bit Wine runs under qemu, a run that the
    emulator killed, or that hung past QEMU_HANG_LIMIT seconds, is run again
    (up to ATTEMPTS runs in all) and each time it says so; a failure of the
    product is never retried."""
    command = [os.path.join(ROOT, "scripts", "wine"), "--arch", arch, "--collect-output"] + args
    environment = dict(os.environ, **(env or {}))
    emulated = i386_runner() == "qemu" and runs_32bit(args[0], arch)
    limit = min(timeout, QEMU_HANG_LIMIT) if emulated else timeout
    for attempt in range(1, ATTEMPTS + 1):
        # Its own session, so that a hung run is ended with every process it started.
        process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, encoding="utf-8",
                                   errors="replace", env=environment, start_new_session=True)
        try:
            out, err = process.communicate(stdin, timeout=limit)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            if not emulated or limit >= timeout or attempt == ATTEMPTS:
                raise subprocess.TimeoutExpired(command, limit, out, err) from None
            print(f"note: {args[0]} hung under the emulator for {limit} s; stopped it and running "
                  "once more", file=sys.stderr)
            continue
        result = subprocess.CompletedProcess(command, process.returncode, out, err)
        if EMULATOR_CRASH in err and attempt < ATTEMPTS:
            print(f"note: the emulator crashed running {args[0]} ({EMULATOR_CRASH}); running once "
                  "more", file=sys.stderr)
            continue
        return result
    return result


def standin(program, commands, arch="x64", timeout=600):
    """Feeds commands to the stand-in host; returns its answers, one per line."""
    result = run([program], arch=arch, stdin="\n".join(commands) + "\n", timeout=timeout)
    return result.stdout.splitlines()


def started_host(program, arch="x64"):
    """A stand-in host left running after `start` (for a test that needs the
    module loaded meanwhile); end it with .communicate("shutdown\nquit\n").
    Where it runs under qemu, a start that hangs is stopped and made again,
    as run() does."""
    emulated = i386_runner() == "qemu" and runs_32bit(windows_path(program), arch)
    for attempt in range(1, ATTEMPTS + 1):
        host = subprocess.Popen([os.path.join(ROOT, "scripts", "wine"), "--arch", arch,
                                 windows_path(program)], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, text=True, start_new_session=True)
        host.stdin.write("start\n")
        host.stdin.flush()
        deadline = time.monotonic() + (QEMU_HANG_LIMIT if emulated else 600)
        output = b""
        while time.monotonic() < deadline and b"start: end" not in output:
            ready, _, _ = select.select([host.stdout], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(host.stdout.fileno(), 4096) if ready else b""
            if ready and not chunk:
                break
            output += chunk
        lines = output.decode("utf-8", "replace").splitlines()
        if "start: end" in lines:
            return host
        os.killpg(host.pid, signal.SIGKILL)
        host.communicate()
        if not emulated or attempt == ATTEMPTS:
            raise RuntimeError(f"the stand-in host did not start: {lines[-3:]}")
        print(f"note: the stand-in host did not start under the emulator ({lines[-1:]}); "
              "starting it once more", file=sys.stderr)
    return None


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
