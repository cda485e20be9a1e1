#!/usr/bin/env python3
"""The Windows installer under Wine, silently, in both of its modes. For all
users: install, check the files and every registry entry, let the stand-in
host load the add-in, upgrade from an earlier version and install again over
it, uninstall, and compare HKCU, HKCR and HKLM with how they were before. For
the current user: HKLM untouched, exactly the per-user entries under HKCU, the
add-in loadable from them, upgrade, uninstall, every hive as before. Also
checks that the version reads the same everywhere a user sees it.

    installer_test.py SETUP.exe EARLIER-SETUP.exe STANDIN32.exe MODULE32.dll README.md VERSION
                      SETUP-RUNNER.exe PLANTED-MODULE.dll

Wine runs every program with administrator rights: the setup runs so, as an
elevated administrator's would, and through SETUP-RUNNER.exe --standard-user
as a standard user's (or an unelevated administrator's) would. The runner also
waits for what the program starts (a per-user uninstall's cleanup). While the
setup runs elevated, HKCU names a folder holding PLANTED-MODULE.dll (as
Sorvane.dll) as the install folder: nothing elevated may load it.

Runs the 32-bit installer in the 64-bit prefix (WoW64), so that the registry can
be read with the native 64-bit tools in its 32-bit view.
"""

import os
import shutil
import sys

import pefile

from winetools import (addins_started, Checks, diff, export_hive, run, standin, started_host,
                       WINE_DIR, windows_path)

UNINSTALL = ("HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\"
             "KELVRA SORVANE")
USER_UNINSTALL = UNINSTALL.replace("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER")
CLSID = "{53652739-6305-4BA2-B332-D8F23DC92BCD}"
LIBID = "{3B094E0E-B3A8-474E-AC0F-BD0077AE584F}"
IID_CONNECT = "{DC917784-484C-4CE0-8B7B-856B91F4C52E}"
USER_CLASSES = "HKEY_CURRENT_USER\\SOFTWARE\\CLASSES"
ADDIN = "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\OFFICE\\FRONTPAGE\\ADDINS\\SORVANE.CONNECT"
INSTALL_DIR = os.path.join(WINE_DIR, "x64", "drive_c", "Program Files (x86)",
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


def unchanged(checks, before, what, hives=("HKCU", "HKCR", "HKLM"), keys_only=False):
    """Takes a snapshot and checks `hives` in it against `before`: no key
    added or removed and, unless `keys_only`, no value changed. Returns it."""
    now = snapshot()
    for hive in hives:
        added, removed, changed = diff(before[hive], now[hive])
        changed = [] if keys_only else changed
        checks.check(not (added or removed or changed),
                     f"{what}: {hive} as it was: +{added[:3]} -{removed[:3]} ~{changed[:3]}")
    return now


def setup_manifest(setup):
    """The setup program's application manifest (resource type 24)."""
    pe = pefile.PE(setup)
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id == 24:
            data = entry.directory.entries[0].directory.entries[0].data.struct
            return pe.get_data(data.OffsetToData, data.Size).decode("utf-8", "replace")
    return ""


def install_dir():
    for folder in ("Program Files (x86)", "Program Files"):
        path = os.path.join(WINE_DIR, "x64", "drive_c", folder, "Kelvra Sorvane")
        if os.path.isdir(path):
            return path
    return None


def user_install_dir():
    """The current user's install folder (under local application data), if any."""
    users = os.path.join(WINE_DIR, "x64", "drive_c", "users")
    for user in sorted(os.listdir(users)) if os.path.isdir(users) else []:
        path = os.path.join(users, user, "AppData", "Local", "Programs", "Kelvra Sorvane")
        if os.path.isdir(path):
            return path
    return None


def per_user_key(key):
    """Keys a per-user install may add to HKCU: the class, ProgID, type library
    and interface under Software\\Classes (with the parents they needed), the
    host's add-in entry and the Add/Remove entry."""
    key = key.replace(USER_CLASSES + "\\WOW6432NODE", USER_CLASSES)
    for prefix in (f"{USER_CLASSES}\\CLSID\\{CLSID}", f"{USER_CLASSES}\\SORVANE.CONNECT",
                   f"{USER_CLASSES}\\TYPELIB\\{LIBID}", f"{USER_CLASSES}\\INTERFACE\\{IID_CONNECT}",
                   ADDIN, USER_UNINSTALL):
        if key == prefix or key.startswith(prefix + "\\"):
            return True
    return key in (USER_CLASSES, f"{USER_CLASSES}\\CLSID", f"{USER_CLASSES}\\TYPELIB",
                   f"{USER_CLASSES}\\INTERFACE", USER_UNINSTALL.rsplit("\\", 1)[0]) or (ADDIN.startswith(key + "\\") and
                                                    key.startswith("HKEY_CURRENT_USER\\SOFTWARE\\"))


PLANTED = os.path.join(WINE_DIR, "x64", "drive_c", "planted")
PLANTED_MARKER = os.path.join(PLANTED, "planted-module-loaded.txt")
USER_UNINSTALL_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra Sorvane"


def plant(module):
    """A folder of the user's with a module of theirs, named as the user's
    install folder in HKCU: what any program of the user could write."""
    os.makedirs(PLANTED, exist_ok=True)
    shutil.copyfile(module, os.path.join(PLANTED, "Sorvane.dll"))
    run(["reg", "add", USER_UNINSTALL_KEY, "/v", "InstallLocation", "/d", "C:\\planted", "/f"])


def unplant():
    run(["reg", "delete", USER_UNINSTALL_KEY, "/f"])
    shutil.rmtree(PLANTED, ignore_errors=True)


class Setup:
    """Runs setup programs silently, elevated or as a standard user, and waits
    for all they start."""

    def __init__(self, runner):
        self.runner = windows_path(runner)

    def elevated(self, program, *args):
        return run([self.runner, windows_path(program), "/S", *args]).returncode

    def standard(self, program, *args):
        return run([self.runner, "--standard-user", windows_path(program), "/S",
                    *args]).returncode


def current_user_mode(checks, run_setup, setup, earlier, program, version):
    """The install for the current user only, by a standard user."""
    before = snapshot()
    # Refused, changing nothing: for all users without administrator rights,
    # just for the user with them (silent: no dialog, an exit code).
    for code, rights, mode in ((4, run_setup.standard, "/ALLUSERS"),
                               (5, run_setup.elevated, "/CURRENTUSER")):
        result = rights(setup, mode)
        checks.check(result == code, f"{mode} {rights.__name__}: refused with {code} ({result})")
    checks.check(user_install_dir() is None and install_dir() is None, "refused: nothing installed")
    result = run_setup.standard(earlier, "/CURRENTUSER")
    checks.check(result == 0, f"per-user: the earlier version installs ({result})")
    result = run_setup.standard(setup, "/CURRENTUSER")
    checks.check(result == 0, f"per-user: silent install exits 0 ({result})")
    installed = snapshot()
    result = run_setup.elevated(setup, "/ALLUSERS")
    checks.check(result == 6 and install_dir() is None,
                 f"per-user: an all-users install beside it is refused with 6 ({result})")
    unchanged(checks, installed, "per-user: the refused all-users install")
    folder = user_install_dir()
    checks.check(folder is not None and os.path.isfile(os.path.join(folder, "Sorvane.dll"))
                 and os.path.isfile(os.path.join(folder, "Uninstall.exe")),
                 f"per-user: files under the user's local application data ({folder})")
    checks.check(install_dir() is None, "per-user: nothing under Program Files")
    after = unchanged(checks, before, "per-user", hives=("HKLM", "HKCR"))
    added, removed, changed = diff(before["HKCU"], after["HKCU"])
    foreign = [k for k in added + removed + changed if not per_user_key(k)]
    checks.check(not foreign, f"per-user: HKCU changes only the add-in's keys: {foreign[:3]}")
    cu = {k.replace(USER_CLASSES + "\\WOW6432NODE", USER_CLASSES): v for k, v in after["HKCU"].items()}
    server = cu.get(f"{USER_CLASSES}\\CLSID\\{CLSID}\\INPROCSERVER32", set())
    checks.check(any("AppData\\\\Local\\\\Programs\\\\Kelvra Sorvane\\\\Sorvane.dll" in v
                     for v in server), f"per-user: the class names the user's module: {server}")
    checks.check(cu.get(f"{USER_CLASSES}\\SORVANE.CONNECT\\CLSID") == {f'@="{CLSID}"'},
                 "per-user: the ProgID names the class")
    checks.check(f"{USER_CLASSES}\\TYPELIB\\{LIBID}\\1.0\\0\\WIN32" in cu,
                 "per-user: the type library is registered for the user")
    checks.check(f"{USER_CLASSES}\\INTERFACE\\{IID_CONNECT}" in cu,
                 "per-user: its interface is registered for the user")
    entry = cu.get(USER_UNINSTALL, set())
    checks.check(f'"DisplayVersion"="{version}"' in entry,
                 f"per-user: Add/Remove in HKCU, the upgrade's version: {sorted(entry)[:2]}")
    checks.check(cu.get(ADDIN) is not None, "per-user: the host's add-in entry")

    # Wine's HKEY_CLASSES_ROOT is the machine's classes alone: it does not merge
    # HKCU\Software\Classes as Windows does, so the host cannot find the class
    # there. Shown, then the per-user keys are put where Wine looks (the view
    # Windows gives), to prove they are a whole registration of the user's module.
    answers = standin(program, ["start", "quit"])
    merged = "addin: Sorvane.Connect connected" in answers
    print(f"note: under Wine the host {'finds' if merged else 'does not find'} a per-user class "
          f"by itself ({[a for a in answers if a.startswith('addin:')][:1]})")
    copies = [f"Software\\Classes\\{name}" for name in
              (f"CLSID\\{CLSID}", "Sorvane.Connect", f"TypeLib\\{LIBID}",
               f"Interface\\{IID_CONNECT}")]
    for key in copies:
        run(["reg", "copy", f"HKCU\\{key}", f"HKLM\\{key}", "/s", "/f", "/reg:32"])
    answers = standin(program, ["start", "shutdown", "quit"])
    for key in copies:
        run(["reg", "delete", f"HKLM\\{key}", "/f", "/reg:32"])
    checks.check("addin: Sorvane.Connect connected" in answers,
                 f"per-user: the host loads the user's module from those entries: {answers[:3]}")
    checks.check("held: 0" in answers and "unloadable: yes" in answers, "per-user: and lets it go")

    # Run again without a mode: the earlier install's mode is the default.
    result = run_setup.standard(setup)
    checks.check(result == 0 and install_dir() is None,
                 f"per-user: a second run stays per-user ({result})")
    unchanged(checks, after, "per-user: one set of entries after a second run", keys_only=True)

    result = run_setup.standard(os.path.join(folder or "", "Uninstall.exe"))
    checks.check(result == 0, f"per-user: silent uninstall exits 0 ({result})")
    checks.check(user_install_dir() is None, "per-user: the install folder is gone")
    unchanged(checks, before, "per-user: uninstalled")


def main():
    setup, earlier, program, module, readme, version, runner, planted = sys.argv[1:9]
    run_setup = Setup(runner)
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
    # "asInvoker": the setup starts with the user's own rights, for an
    # administrator too (Windows would otherwise elevate a setup by its name);
    # it asks to run again elevated only for all users.
    manifest = setup_manifest(setup)
    checks.check('requestedExecutionLevel level="asInvoker"' in manifest,
                 "the setup asks for no rights at its start")

    # The stand-in host registers the designer's library, as the host's own
    # installation would: that belongs to the state before the install.
    standin(program, ["quit"])
    plant(planted)
    before = snapshot()
    result = run_setup.elevated(earlier)
    checks.check(result == 0, f"the earlier version installs (got {result})")
    result = run_setup.elevated(setup)
    checks.check(result == 0, f"silent upgrade exits 0 (got {result})")
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
    # The host's add-in entry is the machine's, for every user; the installing
    # account's own is gone, so that the host loads the add-in once.
    machine_addin = ADDIN.replace("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE")
    checks.check(lm.get(machine_addin) == {'"Description"="Open Web add-in to bypass Web Folders."',
                                           '"FriendlyName"="Kelvra Sorvane"',
                                           '"LoadBehavior"=dword:00000003'},
                 f"the host's add-in entry for every user: {lm.get(machine_addin)}")
    checks.check(not any(k.startswith("HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\OFFICE") for k in cu),
                 "none in the installing account's hive")
    server = cr.get("HKEY_CLASSES_ROOT\\CLSID\\{53652739-6305-4BA2-B332-D8F23DC92BCD}"
                    "\\INPROCSERVER32", set())
    checks.check(any("Kelvra Sorvane\\\\Sorvane.dll" in v for v in server),
                 f"the class names the installed module: {server}")

    # Refused, changing nothing: a standard user's uninstall of it (exit code
    # 4), and a per-user install beside it (6: one install per account).
    result = run_setup.standard(os.path.join(folder or INSTALL_DIR, "Uninstall.exe"))
    checks.check(result == 4, f"a standard user's uninstall is refused with 4 ({result})")
    result = run_setup.standard(setup, "/CURRENTUSER")
    checks.check(result == 6, f"a per-user install beside it is refused with 6 ({result})")
    checks.check(install_dir() is not None and user_install_dir() is None,
                 "a standard user's uninstall or per-user install leaves the files")
    unchanged(checks, after, "a standard user's uninstall or per-user install")

    answers = standin(program, ["addins", "start", "shutdown", "quit"])
    checks.check(answers.count("addin: Sorvane.Connect connected") == 1,
                 f"the host loads it, once: {answers}")
    checks.check(not any(a.startswith("addin: Sorvane.Connect |") for a in answers),
                 "not listed among the user's own add-ins")
    checks.check("held: 0" in answers and "unloadable: yes" in answers, "and lets it go")

    # An upgrade or an uninstall while the host has the module loaded: each
    # gives up with exit code 2 before it changes anything.
    host = started_host(program)
    loaded = snapshot()
    uninstaller = os.path.join(folder or INSTALL_DIR, "Uninstall.exe")
    for what, program_file in (("upgrade", setup), ("uninstall", uninstaller)):
        result = run_setup.elevated(program_file)
        checks.check(result == 2, f"{what} while loaded: exit code 2 ({result})")
        checks.check(os.path.isfile(os.path.join(install_dir() or INSTALL_DIR, "Sorvane.dll")) and
                     os.path.isfile(uninstaller), f"{what} while loaded: the files stay")
        unchanged(checks, loaded, f"{what} while loaded")
    host.communicate("shutdown\nquit\n", timeout=120)

    result = run_setup.elevated(setup, "/ALLUSERS")
    checks.check(result == 0, "installing again over it for all users works")
    unchanged(checks, after, "one set of entries after a second install", keys_only=True)

    result = run_setup.elevated(uninstaller)
    checks.check(result == 0, f"silent uninstall exits 0 (got {result})")
    # The uninstaller cannot delete itself while it runs: for all users it and
    # its folder go at the next restart.
    left = os.listdir(install_dir()) if install_dir() else []
    checks.check(left in ([], ["Uninstall.exe"]), f"nothing but the uninstaller is left: {left}")
    unchanged(checks, before, "uninstalled")
    started = addins_started(program)
    checks.check(not started, f"the host no longer loads it: {started}")
    checks.check(not os.path.exists(PLANTED_MARKER),
                 "no elevated setup or uninstaller loaded the module planted in the user's folder")
    unplant()

    # A registration that fails (the host's add-in key takes no lasting
    # entry) leaves nothing behind: no file, no Add/Remove entry, no key.
    addins = "Software\\Microsoft\\Office\\FrontPage\\Addins"
    had = snapshot()["HKCU"]
    checks.check(ADDIN.rsplit("\\", 1)[0] not in had, "no add-in key yet")
    # The topmost of the host's keys that the test makes, to be removed after.
    made = next(k for k in ("Office", "Office\\FrontPage", "Office\\FrontPage\\Addins")
                if f"HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\{k.upper()}" not in had)
    run([runner, "--volatile-key", addins])
    # Another add-in's entry: the host's key is not empty, so no unregistration removes it.
    run(["reg", "add", f"HKCU\\{addins}", "/v", "Other", "/d", "", "/f"])
    failing = snapshot()
    result = run_setup.elevated(setup)
    checks.check(result == 3, f"a failed registration ends the setup with 3 ({result})")
    checks.check(install_dir() is None, f"a failed registration leaves no files: {install_dir()}")
    unchanged(checks, failing, "a failed registration")
    run(["reg", "delete", f"HKCU\\Software\\Microsoft\\{made}", "/f"])

    current_user_mode(checks, run_setup, setup, earlier, program, version)
    checks.finish()


if __name__ == "__main__":
    main()
