#!/usr/bin/env python3
"""Checks of the built module that need no Windows: the PE image, its exports
and imports, its hardening flags and every resource the module must carry.

    check_module.py Sorvane.dll x86|x64 VERSION     (VERSION as 1.2.0.38)
"""

import os
import struct
import subprocess
import sys

import pefile

# Windows XP's export lists of the system DLLs (winapi/README.md says where
# they come from).
XP_EXPORTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "winapi", "nt51")

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "user32.dll"}
EXPORTS = [b"DllCanUnloadNow", b"DllGetClassObject", b"DllRegisterServer", b"DllUnregisterServer"]
IID_CONNECT = bytes.fromhex("847791DC4C48E04C8B7B856B91F4C52E")  # as the GUID lies in memory
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
LANG_NEUTRAL, LANG_EN_US = 0, 0x409

failures = []


def check(condition, what):
    print(("ok:     " if condition else "FAILED: ") + what)
    if not condition:
        failures.append(what)


def resources(pe):
    """{(type, id): [(language, bytes)]} with types by name or number."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        rtype = str(entry.name) if entry.name is not None else entry.id
        for name in entry.directory.entries:
            rid = str(name.name) if name.name is not None else name.id
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found.setdefault((rtype, rid), []).append((lang.id, data))
    return found


def windows_xp(pe):
    """The shipped module loads on Windows XP: its image asks for no newer
    system, and every function it imports is exported there by name."""
    header = pe.OPTIONAL_HEADER
    for what, version in (("operating system", (header.MajorOperatingSystemVersion,
                                                 header.MinorOperatingSystemVersion)),
                          ("subsystem", (header.MajorSubsystemVersion,
                                         header.MinorSubsystemVersion))):
        check(version <= (5, 1), f"{what} version {version[0]}.{version[1]} is at most XP's 5.1")
    missing = []
    count = 0
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode().lower()
        listed = os.path.join(XP_EXPORTS, dll.removesuffix(".dll") + ".txt")
        exports = set(open(listed, encoding="ascii").read().split()) if os.path.isfile(listed) else set()
        for imported in entry.imports:
            count += 1
            if imported.name is None:
                missing.append(f"{dll} ordinal {imported.ordinal}")
            elif imported.name.decode() not in exports:
                missing.append(f"{dll}!{imported.name.decode()}")
    check(not missing, f"all {count} imports are in Windows XP's export tables; missing: "
                       f"{', '.join(missing) or 'none'}")


def build_id(pe):
    """The CodeView entry that --build-id writes: (GUID and age as bytes), or None."""
    for entry in getattr(pe, "DIRECTORY_ENTRY_DEBUG", []):
        if entry.struct.Type == 2 and entry.entry is not None:
            return pe.get_data(entry.struct.AddressOfRawData + 4, 20)
    return None


def symbols_for_the_field(pe, path, x86):
    """The module ships stripped, under the size limit, with a build id; the
    debugging information beside it carries that id and turns an address of
    the module into a function and a line of the checkout."""
    size = os.path.getsize(path)
    print(f"note:   size {size} bytes; the goal is 131,072 (README, Performance)")
    names = [s.Name.rstrip(b"\0").decode() for s in pe.sections]
    check(not any(n.startswith(".debug") or n.startswith("/") for n in names),
          f"no debugging sections in the module: {names}")
    check(pe.FILE_HEADER.NumberOfSymbols == 0, "no symbol table in the module")
    ident = build_id(pe)
    check(ident is not None, "a build id")
    debug = path + ".debug"
    if ident is None or not os.path.isfile(debug):
        check(False, f"{debug} beside the module")
        return
    check(build_id(pefile.PE(debug, fast_load=False)) == ident, f"{os.path.basename(debug)} has its build id")
    export = next(e for e in pe.DIRECTORY_ENTRY_EXPORT.symbols if e.name == b"DllGetClassObject")
    address = hex(pe.OPTIONAL_HEADER.ImageBase + export.address)
    tool = ("i686" if x86 else "x86_64") + "-w64-mingw32-addr2line"
    said = subprocess.run([tool, "-f", "-e", debug, address], capture_output=True, text=True,
                          check=False).stdout.split()
    check(len(said) == 2 and said[0].startswith("DllGetClassObject")
          and said[1].startswith("/sorvane/src/addin/win32_module.cpp:"),
          f"{address} is DllGetClassObject in the checkout's win32_module.cpp: {said}")


def main():
    path, arch, version = sys.argv[1], sys.argv[2], sys.argv[3]
    major, minor, patch, build = (int(x) for x in version.split("."))
    text = f"{major}.{minor:02d}.{build:04d}"
    pe = pefile.PE(path)
    x86 = arch == "x86"

    check(pe.FILE_HEADER.Machine == (0x14C if x86 else 0x8664), f"machine for {arch}")
    check(pe.OPTIONAL_HEADER.Magic == (0x10B if x86 else 0x20B), "PE32" if x86 else "PE32+")
    check(pe.FILE_HEADER.Characteristics & 0x2000, "a DLL")

    names = sorted(e.name for e in pe.DIRECTORY_ENTRY_EXPORT.symbols)
    check(names == EXPORTS, f"exports exactly the four entry points by name: {names}")
    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    check(set(imports) <= SYSTEM_DLLS, f"imports system DLLs only: {imports}")

    if x86:
        windows_xp(pe)

    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    check(flags & 0x40, "ASLR (dynamic base)")
    check(flags & 0x100, "DEP (NX compatible)")
    if not x86:
        check(flags & 0x20, "high-entropy address space")
    check(pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size > 0, "relocations kept for ASLR")
    for section in pe.sections:
        wx = (section.Characteristics & 0x20000000) and (section.Characteristics & 0x80000000)
        name = section.Name.rstrip(b"\0").decode()
        check(not wx, f"section {name} is not writable and executable")

    found = resources(pe)
    typelib = found.get(("TYPELIB", 1), [])
    check([lang for lang, _ in typelib] == [LANG_NEUTRAL], "TYPELIB 1, language-neutral")
    if typelib:
        data = typelib[0][1]
        check(data[:4] == b"MSFT", "TYPELIB is a type library")
        syskind = struct.unpack_from("<I", data, 20)[0] & 0xF
        check(syskind == (1 if x86 else 3), f"the library says {'WIN32' if x86 else 'WIN64'}")
    iid = found.get(("_IID_CONNECT", 1), [])
    check([lang for lang, _ in iid] == [LANG_NEUTRAL], "_IID_CONNECT 1, language-neutral")
    if iid:
        check(iid[0][1] == struct.pack("<I", 16) + IID_CONNECT,
              f"_IID_CONNECT holds 16 and the IID of _Connect: {iid[0][1].hex()}")
    check((RT_GROUP_ICON, 1) in found, "the dialog's icon")
    icons = [data for (rtype, _), entries in found.items() if rtype == RT_ICON for _, data in entries]
    check(any(struct.unpack_from("<iiHH", d, 4)[:2] == (32, 64) and
              struct.unpack_from("<H", d, 14)[0] == 8 for d in icons), "icon is 32 x 32, 256 colours")
    check((RT_DIALOG, 101) in found, "the dialog")
    # The private visual-styles manifest: ID 2 (a DLL's own dependencies), never
    # ID 1 (a process's), and only the common controls 6 dependency in it.
    manifests = {rid: entries for (rtype, rid), entries in found.items() if rtype == RT_MANIFEST}
    check(list(manifests) == [2], f"one manifest, ID 2 (found {list(manifests)})")
    if 2 in manifests:
        manifest = manifests[2][0][1].decode("utf-8")
        check('name="Microsoft.Windows.Common-Controls"' in manifest
              and 'version="6.0.0.0"' in manifest and 'publicKeyToken="6595b64144ccf1df"' in manifest
              and manifest.count("<dependency>") == 1,
              "the manifest asks for comctl32 6 and nothing else")

    versions = found.get((RT_VERSION, 1), [])
    check([lang for lang, _ in versions] == [LANG_EN_US], "version block 1, US English")
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    fixed = pe.VS_FIXEDFILEINFO[0]
    check((fixed.FileVersionMS, fixed.FileVersionLS) == ((major << 16) | minor, (patch << 16) | build),
          f"file version {version}")
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) ==
          ((major << 16) | minor, (patch << 16) | build), f"product version {version}")
    check((fixed.FileFlags, fixed.FileFlagsMask) == (0, 0), "no file flags")
    check((fixed.FileOS, fixed.FileType, fixed.FileSubtype) == (4, 2, 0), "VOS__WINDOWS32, VFT_DLL")
    tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable]
    check([t.LangID for t in tables] == [b"040904B0"], "one string table, 040904B0")
    if tables:
        entries = [(k.decode(), v.decode()) for k, v in tables[0].entries.items()]
        keys = [k for k, _ in entries]
        check(keys == ["CompanyName", "FileDescription", "LegalCopyright", "LegalTrademarks",
                       "ProductName", "FileVersion", "ProductVersion", "InternalName",
                       "OriginalFilename", "OLESelfRegister"], f"strings in order: {keys}")
        values = dict(entries)
        check(values.get("FileDescription") == "Kelvra Sorvane", "FileDescription")
        check(values.get("ProductName") == "Kelvra Sorvane", "ProductName")
        check(values.get("FileVersion") == text and values.get("ProductVersion") == text,
              f"version text {text}")
        check(values.get("InternalName") == "Sorvane", "InternalName")
        check(values.get("OriginalFilename") == "Sorvane.dll", "OriginalFilename")
        check(values.get("OLESelfRegister") == "", "OLESelfRegister is empty")
        check(values.get("LegalTrademarks") == values.get("LegalCopyright") != "",
              "LegalTrademarks repeats LegalCopyright")
        check(values.get("CompanyName", "") != "", "a company name")
    translations = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo"
                    for var in info.Var for v in var.entry.values()]
    check(translations == ["0x0409 0x04b0"], f"translation 0409, 1200: {translations}")

    symbols_for_the_field(pe, path, x86)

    print(f"size: {len(pe.__data__)} bytes; imports: {', '.join(imports)}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
