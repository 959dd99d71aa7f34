#!/usr/bin/python3
"""Checks the built plug-in DLL itself: what it imports, what it exports, its
characteristics, its hardening and its version block.
Usage: CheckDll.py <Quorvin.dll> <VERSION file> x86|x64"""
import struct
import sys

import pefile

dll, version_file, arch = sys.argv[1], sys.argv[2], sys.argv[3]
x64 = arch == "x64"
version = open(version_file, encoding="ascii").read().strip()
pe = pefile.PE(dll)
image = open(dll, "rb").read()
strings = {}
translations = []
for info in pe.FileInfo[0] if hasattr(pe, "FileInfo") else []:
    if info.Key == b"StringFileInfo":
        for table in info.StringTable:
            strings[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
# pefile keeps one pair of the Translation value: read its words from the
# Var structure itself (wLength, wValueLength, wType, "Translation", padding).
key = "Translation\0".encode("utf-16-le")
at = image.find(key)
if at >= 6:
    start = at - 6
    value_length = struct.unpack_from("<H", image, start + 2)[0]
    words = struct.unpack_from(f"<{value_length // 2}H", image, start + 32)
    translations = [f"0x{words[i]:04x} 0x{words[i + 1]:04x}" for i in range(0, len(words), 2)]
# The string table's blocks of 16 (id // 16 + 1) and their languages.
string_blocks = sorted(
    (block.id, language.id)
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if kind.id == 6
    for block in kind.directory.entries for language in block.directory.entries)
fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
major, minor = (int(part) for part in version.split("."))
characteristics = pe.OPTIONAL_HEADER.DllCharacteristics

checks = [
    ("the machine", pe.FILE_HEADER.Machine, 0x8664 if x64 else 0x14C),
    ("PE32+ on x64, PE32 on x86", pe.OPTIONAL_HEADER.Magic, 0x20B if x64 else 0x10B),
    ("imports only system DLLs",
     sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT),
     ["advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"]),
    ("the seven exports by name at ordinals 1 to 7",
     sorted((e.ordinal, e.name.decode()) for e in pe.DIRECTORY_ENTRY_EXPORT.symbols),
     [(1, "OnCommand"), (2, "QueryStatus"), (3, "OnEvents"), (4, "GetMenuTextID"),
      (5, "GetStatusMessageID"), (6, "GetBitmapID"), (7, "PlugInProc")]),
    ("DYNAMIC_BASE", bool(characteristics & 0x40), True),
    ("NX_COMPAT", bool(characteristics & 0x100), True),
    ("HIGH_ENTROPY_VA on x64", bool(characteristics & 0x20), x64),
    # x64 exception handling is table-based: there, NO_SEH does not apply.
    ("NO_SEH on x86", bool(characteristics & 0x400), not x64),
    ("no link timestamp", pe.FILE_HEADER.TimeDateStamp, 0),
    # Stripped, the DLL keeps no symbol names; the failure routines' messages
    # are there only when the compiler's checks call them.
    ("stack cookies: the guard's failure routine", b"*** stack smashing detected ***" in image,
     True),
    ("checked string calls: their failure routine", b"*** buffer overflow detected ***" in image,
     True),
    ("FILEVERSION", fixed and (fixed.FileVersionMS, fixed.FileVersionLS), ((major << 16) | minor, 0)),
    ("PRODUCTVERSION", fixed and (fixed.ProductVersionMS, fixed.ProductVersionLS),
     ((major << 16) | minor, 0)),
    ("a Japanese and an English Unicode string block", sorted(strings), ["040904B0", "041104B0"]),
    ("its strings", strings.get("041104B0"), {
        "CompanyName": "Merrow", "FileDescription": "マクロフォルダ一覧", "FileVersion": version,
        "LegalCopyright": "Copyright (c) 2026 Merrow. MIT License.", "OriginalFilename": "Quorvin.dll", "ProductName": "Quorvin", "ProductVersion": version}),
    ("the English block's strings", strings.get("040904B0"), {
        "CompanyName": "Merrow", "FileDescription": "Macro Folder List", "FileVersion": version,
        "LegalCopyright": "Copyright (c) 2026 Merrow. MIT License.", "OriginalFilename": "Quorvin.dll", "ProductName": "Quorvin", "ProductVersion": version}),
    ("the matching translations, Japanese first", translations, ["0x0411 0x04b0", "0x0409 0x04b0"]),
    # 1 to 5 and 500 to 503 in Japanese, 1001 to 1003 and 1500 to 1503 in English.
    ("the string table in Japanese and English", string_blocks,
     [(1, 0x411), (32, 0x411), (63, 0x409), (94, 0x409)]),
]
failures = 0
for what, got, expected in checks:
    if got != expected:
        failures += 1
        print(f"FAIL {what}:\n  expected {expected!r}\n  got      {got!r}")
    else:
        print(f"ok   {what}")
print(f"{len(checks) - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
