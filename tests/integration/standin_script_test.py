#!/usr/bin/env python3
"""The stand-in host as a program, scripted as the demo and a person use it:
the journal, the policies, input while the host is busy opening a web, the
main window going and coming back, the addresses typed before offered as the
user types, the add-in enabled and disabled by the user, and the registry as
the host reads it. One process.

    standin_script_test.py MODULE STANDIN [x64|x86]
"""

import sys

from winetools import Checks, standin, windows_path


def after(answers, marker):
    """The answers that follow the first one equal to `marker`."""
    return answers[answers.index(marker) + 1:] if marker in answers else []


def main():
    module, program = sys.argv[1], sys.argv[2]
    arch = sys.argv[3] if len(sys.argv) > 3 else "x64"
    checks = Checks(f"stand-in script ({arch})")
    web1 = "Web1: REG_SZ 80 bytes http://myserver,,/sales,fpuser,-1,sales"

    answers = standin(program, [
        "registry clear",
        f"load {windows_path(module)}",
        "journal",
        "journal clear",
        # Input while the host is busy opening the web: Cancel closes the dialog
        # at once, and the Open that ends later touches nothing.
        "policy execute-pumps on",
        "click Kelvra Sorvane...", "type myserver/sales",
        "during-execute press cancel", "during-execute click Kelvra Sorvane...",
        "press open", "dialog", "registry", "opened",
        # A second Open while the first runs is ignored.
        "type myserver/sales", "during-execute press open", "press open", "registry",
        "policy execute-pumps off",
        # The host's main window goes, and the dialog with it.
        "click Kelvra Sorvane...", "type half typed", "restart-window", "dialog",
        "click Kelvra Sorvane...", "dialog", "press cancel",
        # Typed as the keyboard types: the web opened before is offered; the
        # first Esc closes the list, the second the dialog.
        "click Kelvra Sorvane...", "keys http://my", "dialog", "press down", "press esc",
        "dialog", "press esc", "dialog",
        # The user unchecks and checks the add-in.
        "disable Sorvane.Connect", "menu", "enable Sorvane.Connect", "menu",
        "policy before0 fail", "policy match loose", "policy",
        "bogus", "journal sideways", "help",
        "shutdown", "quit"], arch=arch)
    print("\n".join(a for a in answers if not a.startswith("journal: ") or "end" in a))

    checks.check(answers[:1] == ["registry: cleared"], "the host's recent webs forgotten")
    checks.check("addin: Sorvane.Connect connected" in answers, "load connects the add-in")
    checks.check("journal: end, 56 calls" in answers, "the connection's 56 calls are journaled")
    checks.check(any(a.startswith("journal: 3 CommandBar[File].FindControl method|get 5: VT_ERROR "
                                  "0x80020004, VT_ERROR 0x80020004, VT_BSTR \"Sorvane\", VT_ERROR "
                                  "0x80020004, VT_ERROR 0x80020004 -> S_OK") for a in answers),
                 "FindControl with its five arguments")
    checks.check("journal: cleared" in answers, "journal clear")

    busy = after(answers,
                 "policy: before0 append match exact execute-pumps on revoke-at-shutdown off")
    order = [a for a in busy if a.startswith(("during-execute: pressed", "pressed: open",
                                              "during-execute: clicked"))]
    checks.check(order[:3] == ["during-execute: pressed: cancel",
                               "during-execute: clicked: Kelvra Sorvane...", "pressed: open"],
                 f"the busy host's input comes before the Open's answer: {order[:3]}")
    checks.check(busy and "dialog: visible=1 pointer=0" in next(
        (a for a in busy if a.startswith("dialog:")), "")[:28],
                 "the dialog shown since stays, without the hourglass")
    checks.check(web1 in busy, "Web1 as the host reads it")
    checks.check("Value: REG_SZ 46 bytes http://myserver/sales " in busy,
                 "Value holds the address once (22 characters and the NUL)")
    checks.check("opened: server=http://myserver web=sales" in busy, "the host opened the web")

    second = after(busy, "during-execute: pressed: open")
    checks.check(any(a.startswith("Value: REG_SZ 90 bytes http://myserver/sales http://myserver/sales")
                     for a in second), f"the ignored Open wrote nothing more: {second[:4]}")

    restarted = after(answers, "window: restarted")
    checks.check(restarted[:1] == ["dialog: none"], "the dialog went with the host's window")
    shown = [a for a in restarted if a.startswith("dialog:")]
    checks.check(len(shown) >= 2 and shown[1].endswith("text=")
                 and "close-id=0xFFFFFFF6" in shown[1],
                 f"the next click shows a new dialog, loaded afresh: {shown[1:2]}")

    typed = after(answers, "keys: 9 characters")
    dialogs = [a for a in typed if a.startswith("dialog:")][:3]
    checks.check(len(dialogs) == 3 and "suggestions=1 text=http://my" in dialogs[0]
                 and "visible=1" in dialogs[1]
                 and dialogs[1].endswith("suggestions=0 text=http://myserver/sales")
                 and dialogs[2] == "dialog: none",
                 f"one web offered, picked, Esc for the list then the dialog: {dialogs}")

    off = after(answers, "addin: Sorvane.Connect disconnected")
    on = after(off, "addin: Sorvane.Connect connected")
    first_menu = [a for a in off[:len(off) - len(on)] if a.startswith("control: ")]
    checks.check(len(first_menu) == 19 and not any("Kelvra" in a for a in first_menu),
                 "disabled: no button")
    checks.check("control: 5 | Kelvra Sorvane... | Sorvane | !<Sorvane.Connect> | enabled=1 "
                 "| button" in on, "enabled again: one button after Open &Web...")

    checks.check("policy: before0 fail match loose execute-pumps off revoke-at-shutdown off"
                 in answers, "policies shown")
    checks.check("error: unknown command bogus" in answers, "an unknown command is an error")
    checks.check("error: journal [clear]" in answers, "a wrong argument is an error")
    checks.check(sum(a.startswith("help: ") for a in answers) >= 25, "help lists the commands")
    checks.check("held: 0" in answers and "unloadable: yes" in answers,
                 "shutdown leaves nothing held")
    checks.check(answers[-1:] == ["bye"], "quit")
    checks.finish()


if __name__ == "__main__":
    main()
