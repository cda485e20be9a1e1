#!/usr/bin/env python3
"""regsvr32 on the module under Wine: exactly the entries it should write,
the same entries when run twice, nothing left after /u, and the stand-in host
loads the add-in only while it is registered.

    registration_test.py MODULE STANDIN [x64|x86]
"""

import sys

from winetools import addins_started, Checks, diff, export_hive, run, standin, windows_path

CLSID = "{53652739-6305-4BA2-B332-D8F23DC92BCD}"
LIBID = "{3B094E0E-B3A8-474E-AC0F-BD0077AE584F}"
IID_CONNECT = "{DC917784-484C-4CE0-8B7B-856B91F4C52E}"
ADDIN = "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\OFFICE\\FRONTPAGE\\ADDINS\\SORVANE.CONNECT"


def ours(key):
    """Keys registration may add: the class, the ProgID, the type library, its
    interface, and the host's add-in entry with the parents it needed."""
    # The type library's keys may show in the 32-bit view too.
    key = key.upper().replace("HKEY_CLASSES_ROOT\\WOW6432NODE\\", "HKEY_CLASSES_ROOT\\")
    for prefix in (f"HKEY_CLASSES_ROOT\\CLSID\\{CLSID}", "HKEY_CLASSES_ROOT\\SORVANE.CONNECT",
                   f"HKEY_CLASSES_ROOT\\TYPELIB\\{LIBID}",
                   f"HKEY_CLASSES_ROOT\\INTERFACE\\{IID_CONNECT}", ADDIN):
        if key == prefix or key.startswith(prefix + "\\"):
            return True
    return ADDIN.startswith(key + "\\") and key.startswith("HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT")


def per_user_first(dll, arch, unregister):
    """Whether the module asks oleaut32 for per-user type-library registration
    before it registers (or unregisters) the library, as Wine's relay trace
    shows it: Windows Vista SP1 and later otherwise write the machine's keys
    for a standard user's per-user install, and fail. Wine has no such export;
    the lookup itself is what the trace shows."""
    args = ["regsvr32", "/s"] + (["/u"] if unregister else []) + [dll]
    trace = run(args, arch=arch, env={"WINEDEBUG": "+relay"}).stderr.splitlines()
    target = "oleaut32.UnRegisterTypeLib(" if unregister else "oleaut32.LoadTypeLibEx("
    asked = [i for i, line in enumerate(trace)
             if "GetProcAddress" in line and '"OaEnablePerUserTLibRegistration"' in line]
    library = [i for i, line in enumerate(trace) if "Call " + target in line]
    return bool(asked and library and asked[0] < library[0])


def main():
    module, program = sys.argv[1], sys.argv[2]
    arch = sys.argv[3] if len(sys.argv) > 3 else "x64"
    checks = Checks(f"registration ({arch})")
    dll = windows_path(module)

    run(["regsvr32", "/u", "/s", dll], arch=arch)
    before = {h: export_hive(h, arch) for h in ("HKCU", "HKCR")}

    result = run(["regsvr32", "/s", dll], arch=arch)
    checks.check(result.returncode == 0, f"regsvr32 exits 0 (got {result.returncode})")
    after = {h: export_hive(h, arch) for h in ("HKCU", "HKCR")}
    for hive in ("HKCU", "HKCR"):
        added, removed, changed = diff(before[hive], after[hive])
        checks.check(not removed, f"{hive}: nothing removed by registration: {removed[:5]}")
        unexpected = [k for k in added + changed if not ours(k)]
        checks.check(not unexpected, f"{hive}: nothing else new or changed: {unexpected[:5]}")

    cr, cu = after["HKCR"], after["HKCU"]
    base = f"HKEY_CLASSES_ROOT\\CLSID\\{CLSID}"
    server = cr.get(base + "\\INPROCSERVER32", set())
    checks.check(any(v.startswith("@=") and v.lower().endswith("sorvane.dll\"") for v in server),
                 f"InprocServer32 names the module: {server}")
    checks.check('"ThreadingModel"="Apartment"' in server, "ThreadingModel is Apartment")
    checks.check('@="Sorvane.Connect"' in cr.get(base + "\\PROGID", set()), "ProgID")
    checks.check(f'@="{LIBID}"' in cr.get(base + "\\TYPELIB", set()), "class TypeLib")
    checks.check(f'@="{CLSID}"' in cr.get("HKEY_CLASSES_ROOT\\SORVANE.CONNECT\\CLSID", set()),
                 "ProgID names the class")
    checks.check(any(k.startswith(f"HKEY_CLASSES_ROOT\\TYPELIB\\{LIBID}\\1.0\\0\\WIN") for k in cr),
                 "type library registered")
    checks.check(f"HKEY_CLASSES_ROOT\\INTERFACE\\{IID_CONNECT}" in cr, "_Connect registered")
    checks.check(not any("B65AD801" in k for k in set(cr) - set(before["HKCR"])),
                 "the designer's interface is not re-registered by ours")
    checks.check(cu.get(ADDIN) == {'"Description"="Open Web add-in to bypass Web Folders."',
                                   '"FriendlyName"="Kelvra Sorvane"',
                                   '"LoadBehavior"=dword:00000003'},
                 f"add-in entry: {cu.get(ADDIN)}")

    run(["regsvr32", "/s", dll], arch=arch)
    again = {h: export_hive(h, arch) for h in ("HKCU", "HKCR")}
    for hive in ("HKCU", "HKCR"):
        added, removed, changed = diff(after[hive], again[hive])
        checks.check(not (added or removed or [k for k in changed if ours(k)]),
                     f"{hive}: registering twice leaves one set of entries: {added + removed}")

    answers = standin(program, ["addins", "start", "shutdown", "quit"], arch=arch)
    checks.check("addin: Sorvane.Connect | Kelvra Sorvane | Open Web add-in to bypass Web "
                 "Folders. | 3" in answers, f"the host lists the add-in: {answers[:3]}")
    checks.check("addin: Sorvane.Connect connected" in answers, "the host loads it at start")
    checks.check("unloadable: yes" in answers and "held: 0" in answers,
                 f"shutdown leaves nothing held: {answers}")

    result = run(["regsvr32", "/u", "/s", dll], arch=arch)
    checks.check(result.returncode == 0, f"regsvr32 /u exits 0 (got {result.returncode})")
    gone = {h: export_hive(h, arch) for h in ("HKCU", "HKCR")}
    for hive in ("HKCU", "HKCR"):
        added, removed, changed = diff(before[hive], gone[hive])
        left = [k for k in added + removed + changed if ours(k)]
        checks.check(not left, f"{hive}: unregistering removes everything: {left[:5]}")
    started = addins_started(program, arch)
    checks.check(not started, f"the host no longer loads it: {started}")

    checks.check(per_user_first(dll, arch, unregister=False),
                 "per-user type-library registration is asked for before the library is registered")
    checks.check(per_user_first(dll, arch, unregister=True),
                 "and before it is unregistered")
    checks.finish()


if __name__ == "__main__":
    main()
