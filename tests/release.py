#!/usr/bin/env python3
"""The release exe, read once: a 32-bit GUI program that imports exactly the
reviewed list (every entry of which Windows XP SP3 has), with the resources
of the build the tests run, byte for byte and in Polish, its version
resource and its manifest. Then the console twin: a 32-bit console program
that imports exactly its own reviewed list. Last, the archive that users
download, as scripts/release made it beside them: exactly the two programs,
byte for byte, and a Polish read-me that Notepad shows right on Windows XP
as on Windows 11, with nothing of the machine that made it; and its checksum.
    tests/release.py RELEASE.exe TESTED.exe release-imports.txt RELEASE.com release-imports-com.txt"""
import hashlib
import os
import re
import sys
import zipfile

import pefile

release, tested = pefile.PE(sys.argv[1]), pefile.PE(sys.argv[2])
failed = []


def check(what, ok):
    print(("ok: " if ok else "FAILED: ") + what)
    if not ok:
        failed.append(what)


def resources(pe):
    return {(t.id, n.id, lang.id): pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
            for t in pe.DIRECTORY_ENTRY_RESOURCE.entries for n in t.directory.entries for lang in n.directory.entries}


def program(pe, kind, subsystem, listing):
    check(f"a 32-bit {kind} program", (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Subsystem) == (0x14C, subsystem))
    imports = {f"{d.dll.decode().upper()}!{i.name.decode()}" for d in pe.DIRECTORY_ENTRY_IMPORT for i in d.imports}
    listed = {line.strip() for line in open(listing) if line.strip() and not line.startswith("#")}
    check(f"{kind}: {len(imports)} imports as listed; new: {sorted(imports - listed)}, gone: {sorted(listed - imports)}",
          imports == listed)


program(release, "GUI", 2, sys.argv[3])
program(pefile.PE(sys.argv[4]), "console", 3, sys.argv[5])

ours, theirs = resources(release), resources(tested)
manifest = ours.pop((24, 1, 0x409), b"")
theirs.pop((24, 1, 0x409), None)
check(f"the tested resources: {sorted(ours)}", ours == theirs and all(lang == 0x415 for _, _, lang in ours))
icons, cursors, hand = ours[(14, 128, 0x415)], ours[(12, 129, 0x415)], ours[(1, 1, 0x415)]
check("icons of 16 and 32 pixels in 16 colours", icons[4:9] + icons[20:23] == bytes([2, 0, 16, 16, 16, 32, 32, 16]))
check("one monochrome 32-pixel cursor, hot spot (6, 0)",
      cursors[4:14] + hand[:4] == bytes([1, 0, 32, 0, 64, 0, 1, 0, 1, 0, 6, 0, 0, 0]))

fixed = release.VS_FIXEDFILEINFO[0]
check("version 1.0.1.0, an application for 32-bit Windows",
      (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS, fixed.FileFlagsMask,
       fixed.FileFlags, fixed.FileOS, fixed.FileType, fixed.FileSubtype)
      == (0x10000, 0x10000, 0x10000, 0x10000, 0x3F, 0, 4, 1, 0))
info = {entry.Key: entry for group in release.FileInfo for entry in group}
strings = info[b"StringFileInfo"].StringTable[0]
check("Polish strings", strings.LangID == b"041504b0" and info[b"VarFileInfo"].Var[0].entry == {b"Translation": "0x0415 0x04b0"})
check("the six version strings", list(strings.entries.items()) == [(k.encode(), v.encode()) for k, v in [
    ("Comments", "Program darmowy (freeware), do dowolnego użytku."),
    ("FileDescription", "Czyści pliki tymczasowe projektów Visual C++"),
    ("FileVersion", "1, 0, 1, 0"), ("LegalCopyright", "Copyright © 2026 Tarnwick"),
    ("ProductName", "Vorlix"), ("ProductVersion", "1, 0, 1, 0")]])

check("a manifest in UTF-8 with its mark", manifest.startswith(
    b'\xef\xbb\xbf<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'))
for part in ['<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
             '<assemblyIdentity version="1.0.0.0" processorArchitecture="X86" name="Tarnwick.Quenmart" type="win32"/>',
             '<description>Czyszczenie plików tymczasowych c++</description>',
             'name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="x86" '
             'publicKeyToken="6595b64144ccf1df" language="*"']:
    check(f"the manifest says {part}", part.encode() in manifest)
version = f"{fixed.FileVersionMS >> 16}.{fixed.FileVersionMS & 0xFFFF}.{fixed.FileVersionLS >> 16}.{fixed.FileVersionLS & 0xFFFF}"
archive = os.path.join(os.path.dirname(sys.argv[1]), f"Vorlix-{version}.zip")
with zipfile.ZipFile(archive) as zipped:
    entries = zipped.infolist()
    check(f"{archive} holds exactly the two programs, as built, and the read-me",
          [e.filename for e in entries] == ["Vorlix.exe", "Vorlix.com", "CZYTAJ.TXT"] and
          [zipped.read(e) for e in entries[:2]] == [open(sys.argv[i], "rb").read() for i in (1, 4)])
    check("made as on Windows: no Unix owner or mode, one fixed time",
          all(e.create_system == 0 and e.external_attr >> 16 == 0 for e in entries)
          and len({e.date_time for e in entries}) == 1)
    readme = zipped.read("CZYTAJ.TXT")
digest = hashlib.sha256(open(archive, "rb").read()).hexdigest()
check("the checksum file names its SHA-256 as sha256sum -c reads it",
      open(archive + ".sha256", "rb").read() == f"{digest}  {os.path.basename(archive)}\n".encode())
text = readme.decode("utf-8-sig")
check("the read-me is UTF-8 with its byte-order mark, every line ended by CRLF",
      readme.startswith(b"\xef\xbb\xbf") and "\n" not in text.replace("\r\n", "") and text.endswith("\r\n"))
check(f"in Polish, for version {version}, and nothing of how the release is made",
      all(letter in text.lower() for letter in "ąćęłńóśźż") and f"Vorlix {version}" in text and
      not re.search(r"\b(linux|wine|build|mingw|cmake|debian)\b", text, re.IGNORECASE))
sys.exit(f"{len(failed)} failed" if failed else 0)
