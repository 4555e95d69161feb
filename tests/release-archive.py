#!/usr/bin/env python3
"""The archive that users download, as scripts/release made it: exactly the
release's two programs, byte for byte, and the Polish read-me, with nothing
of the machine that made it; its checksum; and a read-me that Notepad shows
in Polish on Windows XP as on Windows 11.
    tests/release-archive.py RELEASE-FOLDER res/version.h"""
import hashlib
import os
import re
import sys
import zipfile

folder, version_h = sys.argv[1], sys.argv[2]
version = re.search(r"#define VORLIX_VERSION +([\d, ]+)\n", open(version_h).read()).group(1).replace(", ", ".")
name = f"Vorlix-{version}.zip"
archive = os.path.join(folder, name)
failed = []


def check(what, ok):
    print(("ok: " if ok else "FAILED: ") + what)
    if not ok:
        failed.append(what)


with zipfile.ZipFile(archive) as zipped:
    entries = zipped.infolist()
    check(f"{name} holds exactly the two programs and the read-me",
          [e.filename for e in entries] == ["Vorlix.exe", "Vorlix.com", "CZYTAJ.TXT"])
    for program in ("Vorlix.exe", "Vorlix.com"):
        check(f"{program} is the release's, byte for byte",
              zipped.read(program) == open(os.path.join(folder, program), "rb").read())
    check("made as on Windows: no Unix owner or mode, one fixed time",
          all(e.create_system == 0 and e.external_attr >> 16 == 0 for e in entries)
          and len({e.date_time for e in entries}) == 1)
    readme = zipped.read("CZYTAJ.TXT")

digest = hashlib.sha256(open(archive, "rb").read()).hexdigest()
check("the checksum file names the archive's SHA-256 as sha256sum -c reads it",
      open(archive + ".sha256", "rb").read() == f"{digest}  {name}\n".encode())

text = readme.decode("utf-8-sig")
check("the read-me is UTF-8 with its byte-order mark, every line ended by CRLF",
      readme.startswith(b"\xef\xbb\xbf") and "\n" not in text.replace("\r\n", "") and text.endswith("\r\n"))
check("it holds the Polish letters", all(letter in text.lower() for letter in "ąćęłńóśźż"))
check(f"it names the version, {version}", f"Vorlix {version}" in text)
check("it says nothing of how the release is made",
      not re.search(r"\b(linux|wine|build|mingw|cmake|debian)\b", text, re.IGNORECASE))
sys.exit(f"{len(failed)} failed" if failed else 0)
