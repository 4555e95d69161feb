#!/usr/bin/env bash
# The release exe is a 32-bit GUI program that imports exactly the reviewed
# list, every entry of which Windows XP SP3 has. A new import fails here
# until it is checked and added.
#   tests/imports.sh Vorlix.exe release-imports.txt
set -euo pipefail
export LC_ALL=C
headers=$(i686-w64-mingw32-objdump -p "$1")
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit exe"; exit 1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "not a GUI program"; exit 1; }
got=$(awk '/DLL Name:/ { dll = toupper($3) } dll && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ { print dll "!" $3 }' <<<"$headers" | sort)
want=$(grep -v '^#' "$2" | sort)
came=$(comm -13 <(echo "$want") <(echo "$got"))
went=$(comm -23 <(echo "$want") <(echo "$got"))
[ -z "$came" ] || echo "imports not on the list:" $came
[ -z "$went" ] || echo "listed but no longer imported:" $went
echo "$(wc -l <<<"$got") imports checked"
[ -z "$came$went" ]
