#!/usr/bin/env python3
"""The module end to end in as few processes as possible (32-bit Wine may run
under an emulator at about a minute per process): register it, let the
stand-in host start it, open a web through its dialog, shut down, unregister,
and check that the host no longer loads it.

    smoke_test.py MODULE STANDIN [x86|x64]
"""

import sys

from winetools import addins_started, Checks, run, standin, windows_path


def main():
    module, program = sys.argv[1], sys.argv[2]
    arch = sys.argv[3] if len(sys.argv) > 3 else "x86"
    checks = Checks(f"smoke ({arch})")
    dll = windows_path(module)

    result = run(["regsvr32", "/s", dll], arch=arch)
    checks.check(result.returncode == 0, f"regsvr32 exits 0 (got {result.returncode})")

    answers = standin(program, [
        "registry clear", "addins", "start", "menu", "click Kelvra Sorvane...", "type myserver/sales",
        "press open", "dialog", "registry", "opened", "shutdown", "quit"], arch=arch)
    print("\n".join(answers))
    checks.check("addin: Sorvane.Connect | Kelvra Sorvane | Open Web add-in to bypass Web "
                 "Folders. | 3" in answers, "the host finds the add-in entry")
    checks.check("addin: Sorvane.Connect connected" in answers, "the host connects it")
    checks.check("control: 5 | Kelvra Sorvane... | Sorvane | !<Sorvane.Connect> | enabled=1 "
                 "| button" in answers, "its button follows Open &Web...")
    checks.check("dialog: none" in answers, "the dialog closes after Open")
    checks.check("Web1: REG_SZ 80 bytes http://myserver,,/sales,fpuser,-1,sales" in answers,
                 "Web1 written")
    checks.check("Value: REG_SZ 46 bytes http://myserver/sales " in answers,
                 "Value written, the only address")
    checks.check("opened: server=http://myserver web=sales" in answers, "the host opened it")
    checks.check("held: 0" in answers and "unloadable: yes" in answers,
                 "shutdown leaves nothing held and the module unloadable")

    result = run(["regsvr32", "/u", "/s", dll], arch=arch)
    checks.check(result.returncode == 0, f"regsvr32 /u exits 0 (got {result.returncode})")
    started = addins_started(program, arch)
    checks.check(not started, f"the host no longer loads it: {started}")
    checks.finish()


if __name__ == "__main__":
    main()
