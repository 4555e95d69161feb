#!/usr/bin/env python3
"""Writes the archive that users download, and its checksum; scripts/release
runs it on a built release.
    scripts/archive.py FOLDER READ-ME-TEMPLATE UNIX-TIME

FOLDER holds the release's Vorlix.exe and Vorlix.com; the archive goes there.
The read-me is written for Notepad, from Windows XP's to Windows 11's: UTF-8
with its byte-order mark, which both take for UTF-8 whatever the system's
code page, and CRLF line ends, without which XP's shows one long line."""
import hashlib
import os
import sys
import time
import zipfile

import pefile

folder, template, stamp = sys.argv[1], sys.argv[2], int(sys.argv[3])

exe = pefile.PE(os.path.join(folder, "Vorlix.exe"), fast_load=True)
exe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
fixed = exe.VS_FIXEDFILEINFO[0]
version = "{}.{}.{}.{}".format(fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)

with open(template, encoding="utf-8") as text:
    readme = text.read().replace("@VERSION@", version).replace("\n", "\r\n").encode("utf-8-sig")
files = [("Vorlix.exe", open(os.path.join(folder, "Vorlix.exe"), "rb").read()),
         ("Vorlix.com", open(os.path.join(folder, "Vorlix.com"), "rb").read()),
         ("CZYTAJ.TXT", readme)]

name = f"Vorlix-{version}.zip"
archive = os.path.join(folder, name)
with zipfile.ZipFile(archive, "w") as out:
    for file_name, data in files:
        # Made on Windows, as it were: no Unix owner or mode, the archive
        # attribute that a file just written has, and the commit's time.
        entry = zipfile.ZipInfo(file_name, date_time=time.gmtime(stamp)[:6])
        entry.create_system = 0
        entry.external_attr = 0x20
        entry.compress_type = zipfile.ZIP_DEFLATED
        out.writestr(entry, data, compresslevel=9)

digest = hashlib.sha256(open(archive, "rb").read()).hexdigest()
with open(archive + ".sha256", "w", newline="\n") as checksum:
    checksum.write(f"{digest}  {name}\n")
print(f"{archive} ({os.path.getsize(archive)} bytes), {archive}.sha256")
