#!/usr/bin/env python3
"""The Windows installer under Wine, silently: install, check the files and
every registry entry, let the stand-in host load the add-in, install again
over it, uninstall, and compare HKCU, HKCR and HKLM with how they were before.
Also checks that the version reads the same everywhere a user sees it.

    installer_test.py SETUP.exe STANDIN32.exe MODULE32.dll README.md VERSION

Runs the 32-bit installer in the 64-bit prefix (WoW64), so that the registry can
be read with the native 64-bit tools in its 32-bit view.
"""

import os
import subprocess
import sys
import time

import pefile

from winetools import addins_started, Checks, diff, export_hive, ROOT, run, standin, windows_path

UNINSTALL = ("HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\"
             "KELVRA SORVANE")
ADDIN = "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\OFFICE\\FRONTPAGE\\ADDINS\\SORVANE.CONNECT"
INSTALL_DIR = os.path.join(ROOT, "build", "wine", "x64", "drive_c", "Program Files (x86)",
                           "Kelvra Sorvane")


# Wine's own bookkeeping of the display, the devices and the session, rewritten
# whenever a program with windows starts: nothing the product writes.
WINE_VOLATILE = ("HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO",
                 "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\CLASS",
                 "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER",
                 "HKEY_LOCAL_MACHINE\\HARDWARE")


def snapshot():
    taken = {hive: export_hive(hive, view="32") for hive in ("HKCU", "HKCR", "HKLM")}
    for hive in taken:
        taken[hive] = {k: v for k, v in taken[hive].items() if not k.startswith(WINE_VOLATILE)}
    return taken


def install_dir():
    for folder in ("Program Files (x86)", "Program Files"):
        path = os.path.join(ROOT, "build", "wine", "x64", "drive_c", folder, "Kelvra Sorvane")
        if os.path.isdir(path):
            return path
    return None


def main():
    setup, program, module, readme, version = sys.argv[1:6]
    checks = Checks("installer")

    # Where the version shows: the module's version block, the installer's file
    # name, the README (and the Add/Remove entry, below).
    fixed = pefile.PE(module).VS_FIXEDFILEINFO[0]
    block = (f"{fixed.FileVersionMS >> 16}.{fixed.FileVersionMS & 0xFFFF}."
             f"{fixed.FileVersionLS >> 16}.{fixed.FileVersionLS & 0xFFFF}")
    checks.check(block == version, f"module version block says {block}")
    checks.check(os.path.basename(setup) == f"Sorvane-{version}-setup.exe",
                 f"installer file name {os.path.basename(setup)}")
    with open(readme, encoding="utf-8") as f:
        checks.check(f"Sorvane-{version}-setup.exe" in f.read(), "the README names this version")

    # The stand-in host registers the designer's library, as the host's own
    # installation would: that belongs to the state before the install.
    standin(program, ["quit"])
    before = snapshot()
    result = run([windows_path(setup), "/S"])
    checks.check(result.returncode == 0, f"silent install exits 0 (got {result.returncode})")
    folder = install_dir()
    checks.check(folder is not None and os.path.isfile(os.path.join(folder, "Sorvane.dll"))
                 and os.path.isfile(os.path.join(folder, "Uninstall.exe")),
                 f"files installed in {folder}")
    after = snapshot()
    lm, cu, cr = after["HKLM"], after["HKCU"], after["HKCR"]
    entry = lm.get(UNINSTALL, set())
    checks.check('"DisplayName"="Kelvra Sorvane"' in entry, "Add/Remove: display name")
    checks.check(f'"DisplayVersion"="{version}"' in entry, "Add/Remove: the same version")
    checks.check('"Publisher"="Kelvra"' in entry, "Add/Remove: publisher")
    checks.check(any(v.startswith('"UninstallString"=') and "Uninstall.exe" in v for v in entry),
                 "Add/Remove: uninstall string")
    checks.check(any(v.startswith('"EstimatedSize"=dword:') and not v.endswith("00000000")
                     for v in entry), "Add/Remove: estimated size")
    checks.check(cu.get(ADDIN) == {'"Description"="Open Web add-in to bypass Web Folders."',
                                   '"FriendlyName"="Kelvra Sorvane"',
                                   '"LoadBehavior"=dword:00000003'}, "the host's add-in entry")
    server = cr.get("HKEY_CLASSES_ROOT\\CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}"
                    "\\INPROCSERVER32", set())
    checks.check(any("Kelvra Sorvane\\\\Sorvane.dll" in v for v in server),
                 f"the class names the installed module: {server}")

    answers = standin(program, ["start", "shutdown", "quit"])
    checks.check("addin: Sorvane.Connect connected" in answers, f"the host loads it: {answers}")
    checks.check("held: 0" in answers and "unloadable: yes" in answers, "and lets it go")

    # An upgrade while the host has the module loaded: the setup says so and,
    # silent, gives up with exit code 2, leaving the installed module alone.
    host = subprocess.Popen([os.path.join(ROOT, "scripts", "wine"), windows_path(program)],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    host.stdin.write("start\n")
    host.stdin.flush()
    while (line := host.stdout.readline()) and line.strip() != "start: end":
        pass
    result = run([windows_path(setup), "/S"])
    checks.check(result.returncode == 2, f"upgrade while loaded gives up with 2 ({result.returncode})")
    checks.check(os.path.isfile(os.path.join(install_dir() or INSTALL_DIR, "Sorvane.dll")),
                 "the loaded module stays installed")
    host.communicate("shutdown\nquit\n", timeout=120)

    result = run([windows_path(setup), "/S"])
    checks.check(result.returncode == 0, "installing again over it works")
    again = snapshot()
    for hive in again:
        added, removed, changed = diff(after[hive], again[hive])
        checks.check(not (added or removed), f"{hive}: one set of entries after a second install")

    uninstaller = os.path.join(folder or INSTALL_DIR, "Uninstall.exe")
    result = run([windows_path(uninstaller), "/S"])
    checks.check(result.returncode == 0, f"silent uninstall exits 0 (got {result.returncode})")
    for _ in range(120):  # the uninstaller finishes from a copy of itself
        if install_dir() is None:
            break
        time.sleep(0.5)
    checks.check(install_dir() is None, "the install folder is gone")
    gone = snapshot()
    for hive in gone:
        added, removed, changed = diff(before[hive], gone[hive])
        checks.check(not (added or removed or changed),
                     f"{hive}: as before the install: +{added[:3]} -{removed[:3]} ~{changed[:3]}")
    started = addins_started(program)
    checks.check(not started, f"the host no longer loads it: {started}")
    checks.finish()


if __name__ == "__main__":
    main()
