#!/usr/bin/env python3
"""The shipped module's size and imports, as bench lines.

    module_size.py Sorvane.dll
"""

import os
import sys

import pefile

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "user32.dll"}

path = sys.argv[1]
pe = pefile.PE(path)
imports = sorted(entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT)
print(f"bench: module-size-i686 value={os.path.getsize(path)} goal={128 * 1024}")
print(f"bench: module-non-system-imports value="
      f"{sum(1 for name in imports if name.lower() not in SYSTEM_DLLS)} goal=0")
print(f"  imports: {', '.join(imports)}")
sections = ", ".join(s.Name.rstrip(b"\0").decode() + f" {s.SizeOfRawData}" for s in pe.sections)
print(f"  sections: {sections}")
