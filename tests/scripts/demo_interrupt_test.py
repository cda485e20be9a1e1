#!/usr/bin/env python3
"""scripts/demo interrupted midway, as Ctrl-C does it: once the stand-in host has
opened a web, SIGINT reaches the demo's process group. Then none of the demo's
processes (the stand-in, Wine's, its Xvfb) may remain, and the module must no
longer be registered in the prefix it used. The demo runs in a Wine folder of
its own (SORVANE_WINE_DIR), so its processes can be told from everyone else's."""

import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLASS_KEY = r"HKCR\CLSID\{53652739-6305-4BA2-B332-D8F23DC92BCD}"
ADDIN_KEY = r"HKCU\Software\Microsoft\Office\FrontPage\Addins\Sorvane.Connect"


def processes_of(wine_dir):
    """(pid, command) of every process started with this Wine folder."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                env = f.read().split(b"\0")
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if (f"SORVANE_WINE_DIR={wine_dir}".encode() in env or
                any(e.startswith(f"WINEPREFIX={wine_dir}".encode()) for e in env)):
            found.append((int(pid), command.strip()))
    return found


def main():
    wine_dir = os.path.join(ROOT, "build", "wine-demo-interrupted")
    shutil.rmtree(wine_dir, ignore_errors=True)
    env = dict(os.environ, SORVANE_WINE_DIR=wine_dir)
    env.pop("DISPLAY", None)
    demo = subprocess.Popen([os.path.join(ROOT, "scripts", "demo")], cwd=ROOT, env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            start_new_session=True)
    output = []
    deadline = time.monotonic() + 600
    for line in demo.stdout:
        output.append(line)
        if line.startswith("opened:") or time.monotonic() > deadline:
            break
    midway = any(line.startswith("opened:") for line in output)
    os.killpg(demo.pid, signal.SIGINT)
    rest, _ = demo.communicate(timeout=300)
    output.append(rest)
    text = "".join(output)
    time.sleep(1)
    left = processes_of(wine_dir)

    failures = []
    if not midway:
        failures.append("the demo never reached its first Open")
    if demo.returncode == 0:
        failures.append("the interrupted demo exited 0")
    if "demo: regsvr32 /u" not in text:
        failures.append("the demo did not unregister the module")
    failures += [f"still running: {pid} {command}" for pid, command in left]
    for key in (CLASS_KEY, ADDIN_KEY):
        query = subprocess.run([os.path.join(ROOT, "scripts", "wine"), "reg", "query", key],
                               env=env, capture_output=True, text=True, check=False)
        if query.returncode == 0:
            failures.append(f"still registered: {key}")
    subprocess.run([os.path.join(ROOT, "scripts", "wine-session"), "stop"], env=env,
                   capture_output=True, check=False)
    subprocess.run(["/usr/lib/wine/wineserver64", "-k"], capture_output=True, check=False,
                   env=dict(env, WINEPREFIX=os.path.join(wine_dir, "x64")))
    for failure in failures:
        print(f"FAILED: {failure}")
    if failures:
        print("--- the demo's output:\n" + text)
    else:
        shutil.rmtree(wine_dir, ignore_errors=True)
        print("demo interrupted after its first Open: nothing left running, nothing registered")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
