#!/usr/bin/env python3
"""The stand-in host is a witness of the add-in: it may use src/common/ (generic
plumbing) and nothing else of src/. So may the tests that play the host with
the real module, and the benchmarks that do the same. Fails naming every
include that breaks the rule.

    check_includes.py REPOSITORY_ROOT
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
PRODUCT_FOLDERS = ("addin/", "dialog/", "host/", "registry/")


def witnesses(root):
    """The files that must not know the product: (path, folders they may include from)."""
    for folder, _, files in os.walk(os.path.join(root, "standin")):
        for name in files:
            if name.endswith((".h", ".cpp", ".rc", ".idl")):
                yield os.path.join(folder, name)
    integration = os.path.join(root, "tests", "integration")
    for name in sorted(os.listdir(integration)):
        if name.startswith(("addin_", "standin_")) and name.endswith((".h", ".cpp")):
            yield os.path.join(integration, name)
    for name in ("win32_dialog_driver.h", "win32_ole.h"):
        yield os.path.join(root, "tests", "support", name)
    yield os.path.join(root, "bench", "addin_bench.cpp")


def main():
    root = os.path.abspath(sys.argv[1])
    src = os.path.join(root, "src")
    bad = []
    checked = 0
    for path in witnesses(root):
        checked += 1
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                included = match.group(1)
                # What would resolve in src/ (other than common/) is the product's.
                if included.startswith(PRODUCT_FOLDERS) or (
                        not included.startswith("common/")
                        and os.path.exists(os.path.join(src, included))):
                    bad.append(f"{os.path.relpath(path, root)}:{number}: #include \"{included}\"")
    for line in bad:
        print(f"FAILED: {line} (only src/common/ may be shared with the stand-in host)")
    print(f"includes: {checked} files checked, {len(bad)} product includes")
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
