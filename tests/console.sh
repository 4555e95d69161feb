#!/usr/bin/env bash
# The console twin, the real Vorlix.com under Wine, run as a script runs it:
# on sample projects with Polish names and a read-only intermediate, its
# output redirected to a file.
#   tests/console.sh Vorlix.com
set -uo pipefail
com="$(realpath "$1")"
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}" WINEDEBUG=-all LC_ALL=pl_PL.UTF-8
sample="$WINEPREFIX/drive_c/vorlix-console" out="$WINEPREFIX/drive_c/vorlix-console.out"
passes=0 failures=0

check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1))
        [ "$2" != test ] || printf 'got:\n%s\nwanted:\n%s\n' "$3" "$5"; fi
}
# Runs Vorlix.com; its output, redirected, is read back from code page 852.
vorlix() {
    "${VORLIX_WINE:-/usr/lib/wine/wine64}" "$com" "$@" >"$out.852" 2>"$out.err"
    status=$?
    iconv -f CP852 -t UTF-8 "$out.852" | tr -d '\r' >"$out"
}
files() { (cd "$sample" && find . -type f | sort); }

"$here/scripts/sample-tree" "$sample"
chmod a-w "$sample/Edytor/Debug/main.obj"  # read-only to Windows
before=$(files)

# Run on a drive of its own, V:, the sample: "\", "..." and "\." name no folder,
# and a wrong answer cleans the sample at most.
ln -sfn "$sample" "$WINEPREFIX/dosdevices/v:"
pushd "$sample/Edytor" >/dev/null
vorlix 'C:\vorlix-console' 'C:\nie-ma-takiego' '\' '...' '\.'
popd >/dev/null
rm "$WINEPREFIX/dosdevices/v:"
check "a missing folder, \, ... and \.: status 2, the dialog's message, and the other folder is not cleaned" \
    test "$status $(iconv -f CP852 -t UTF-8 "$out.err" | tr -d '\r') $(files)" = \
    "2 C:\nie-ma-takiego: Katalog o podanej nazwie nie istnieje!
\: Katalog o podanej nazwie nie istnieje!
...: Katalog o podanej nazwie nie istnieje!
\.: Katalog o podanej nazwie nie istnieje! $before"

vorlix /n 'C:\vorlix-console'
check "/N deletes nothing, and names the read-only file and why; status 1" test "$status $(files) $(grep -cxF \
    'Nie da się usunąć C:\vorlix-console\Edytor\Debug\main.obj: Odmówiono dostępu.' "$out")" = "1 $before 1"

vorlix /Q 'C:\vorlix-console ' /q
check "/Q: only the file that stays and the summary; status 1" test "$status
$(cat "$out")" = "1
Nie usunięto C:\vorlix-console\Edytor\Debug\main.obj: Odmówiono dostępu.
C:\vorlix-console - usunięte: 50 plików (2291 bajtów), nieusunięte: 1 plik"

# A solution of newer Visual Studio: its caches and logs go by the user's
# patterns, each file once however many name it; what /X: names stays, and
# a pattern that is also a folder's name empties no folder.
vs="$WINEPREFIX/drive_c/vorlix-vs"
mkdir -p "$vs/.vs/Sol/v17/ipch/AutoPCH/1a2b" "$vs/x64/Debug/Sol.tlog" "$vs/Sol" "$vs/Debug" "$vs/notes"
"$here/scripts/intermediates" "$vs"/x64/Debug/{main.obj,Sol.pdb}
touch "$vs/.vs/Sol/v17/ipch/AutoPCH/1a2b/main.ipch" "$vs/.vs/Sol/v17/Browse.VC.db" \
      "$vs"/x64/Debug/{Sol.iobj,Sol.ipdb,Sol.exe} \
      "$vs"/x64/Debug/Sol.tlog/{CL.read.1.tlog,Sol.lastbuildstate,unsuccessfulbuild} \
      "$vs"/Sol/{main.cpp,Sol.vcxproj} "$vs/Sol.sln" "$vs/Debug/keep.txt" "$vs/notes/Debug"
vs_files() { (cd "$vs" && find . -type f | LC_ALL=C sort); }
vs_before=$(vs_files)
days='Błędna liczba dni (od 1 do 36500)'
for bad in '/W:*.ipch;;*.VC.db#Pusty wzorzec' '/X:..\*.cpp#Błędny wzorzec "..\*.cpp"' '/w:#Pusty wzorzec' \
           '/W:*.ipch;#Pusty wzorzec' '/W: #Pusty wzorzec' '/X:  ;*.obj#Pusty wzorzec' '/X:a|b#Błędny wzorzec "a|b"' \
           "/D:#$days" "/D:abc#$days" "/D:-5#$days" "/d:0#$days" "/D:36501#$days"; do
    vorlix "${bad%%#*}" /Q 'C:\vorlix-vs'
    check "a bad list or age, ${bad%%#*}: status 2, named, and nothing cleaned" test "$status
$(iconv -f CP852 -t UTF-8 "$out.err" | tr -d '\r' | head -1)
$(vs_files)" = "2
${bad#*#} w ${bad%%#*}
$vs_before"
done
options=("/W:*.ipch;*.VC.db;*.iobj;*.ipdb;*.tlog;*.lastbuildstate;*.db" '/w:*.OBJ;Debug' /X:*.pdb)
vs_gone=$(printf './%s\n' .vs/Sol/v17/Browse.VC.db .vs/Sol/v17/ipch/AutoPCH/1a2b/main.ipch notes/Debug \
          x64/Debug/{Sol.iobj,Sol.ipdb,main.obj} x64/Debug/Sol.tlog/{CL.read.1.tlog,Sol.lastbuildstate} | LC_ALL=C sort)
vorlix /n "${options[@]}" 'C:\vorlix-vs'
listed="$status $(tail -1 "$out")
$(grep -v ' - ' "$out" | sed 's|^C:\\vorlix-vs\\|./|; s|\\|/|g' | LC_ALL=C sort)"
vorlix /q "${options[@]}" 'C:\vorlix-vs'
check "/W: and /X: clean exactly the caches, logs and intermediates, each counted once, as /N lists them" \
    test "$listed
$status $(cat "$out")
$(LC_ALL=C comm -23 <(echo "$vs_before") <(vs_files))" = "0 C:\vorlix-vs - do usunięcia: 8 plików (100 bajtów)
$vs_gone
0 C:\vorlix-vs - usunięte: 8 plików (100 bajtów)
$vs_gone"

# Files named like intermediates (tests/first-bytes.txt, and the real heads
# of tests/real-heads at their real sizes): each intermediate
# goes, as /N lists it; each other file stays, named with what it is, and is
# no failure. A file of a user's pattern goes unread, though its name ends
# in one of the nine extensions without their dot (notes.xobj).
fb="$WINEPREFIX/drive_c/vorlix-fb"
"$here/tests/first-bytes.sh" "$fb"
echo 'notes, no object' >"$fb/notes.xobj"
table=$(cat "$fb.table"; printf 'go\tnotes.xobj')
told=$(awk -F '\t' 'BEGIN { why["model"] = "model Wavefront OBJ"; why["structure"] = "struktura Protein Data Bank"
    why["ida"] = "baza danych IDA"; why["godot"] = "zasób Godot"; why["other"] = "po pierwszych bajtach nie rozpoznano pliku narzędzi Visual C++"
    why["project"] = "plik zasobów projektu Delphi lub C++Builder" }
    $1 != "beside" { print ($1 == "go" ? "" : "Pominięto ") "C:\\vorlix-fb\\" $2 ($1 == "go" ? "" : ": " why[$1]) }' <<<"$table")
vorlix /N /W:*.xobj 'C:\vorlix-fb'
listed="$status $(LC_ALL=C sort "$out")"
vorlix /W:*.xobj 'C:\vorlix-fb'
check "only intermediates go, as /N lists them; every other file is named with what it is; status 0" test "$listed
$status $(LC_ALL=C sort "$out")
$(cd "$fb" && find . -type f | sed 's|^\./||; s|/|\\|g' | LC_ALL=C sort)" = "0 $(LC_ALL=C sort <<<"$told
C:\vorlix-fb - do usunięcia: 93 pliki (53574836 bajtów), pominięte: 113 plików")
0 $(LC_ALL=C sort <<<"$told
C:\vorlix-fb - usunięte: 93 pliki (53574836 bajtów), pominięte: 113 plików")
$(awk -F '\t' '$1 != "go" { print $2 }' "$fb.table" | LC_ALL=C sort)"

# A drive of old projects: /N /Q says where the space is, largest first;
# /D:30 cleans only what was last written 30 days ago or earlier, to the
# minute; /F takes read-only intermediates too, as copied back from a CD,
# while sources stay read-only.
old="$WINEPREFIX/drive_c/vorlix-old"
mkdir -p "$old"/{Duzy/Debug,Maly/Debug} && touch "$old"/{top.tmp,Duzy/main.cpp}
"$here/scripts/intermediates" "$old"/{Duzy/Debug/a.obj,Duzy/Debug/b.pch,Maly/Debug/{c,young,old}.obj}
truncate -s 3000 "$old/Duzy/Debug/a.obj" && truncate -s 1000 "$old/Duzy/Debug/b.pch" && truncate -s 500 "$old/Maly/Debug/c.obj"
touch -d '100 days ago' "$old"/{top.tmp,Maly/Debug/c.obj}
touch -d "@$(($(date +%s) - 30 * 86400 + 60))" "$old/Maly/Debug/young.obj"
touch -d "@$(($(date +%s) - 30 * 86400 - 60))" "$old/Maly/Debug/old.obj"
chmod a-w "$old"/Duzy/{Debug/a.obj,main.cpp}
old_files() { (cd "$old" && find . -type f | LC_ALL=C sort | tr '\n' ' '); }
vorlix /N /Q /F 'C:\vorlix-old'
check "/N /Q: each project's share, largest first, then the files in the folder itself, then the summary" test "$(cat "$out")" = \
"C:\vorlix-old\Duzy: 2 pliki (4000 bajtów)
C:\vorlix-old\Maly: 3 pliki (700 bajtów)
C:\vorlix-old (w samym katalogu): 1 plik (0 bajtów)
C:\vorlix-old - do usunięcia: 6 plików (4700 bajtów)"
vorlix /N /D:30 'C:\vorlix-old'
listed="$status $(LC_ALL=C sort "$out")"
vorlix /D:30 'C:\vorlix-old'
check "/D:30 deletes only what was last written 30 days ago or before, as /N lists it, and counts the rest; status 0" test "$listed
$status $(LC_ALL=C sort "$out") $(old_files)" = "0 C:\vorlix-old - do usunięcia: 3 pliki (600 bajtów), zbyt nowe: 3 pliki
C:\vorlix-old\Maly\Debug\c.obj
C:\vorlix-old\Maly\Debug\old.obj
C:\vorlix-old\top.tmp
0 C:\vorlix-old - usunięte: 3 pliki (600 bajtów), zbyt nowe: 3 pliki
C:\vorlix-old\Maly\Debug\c.obj
C:\vorlix-old\Maly\Debug\old.obj
C:\vorlix-old\top.tmp ./Duzy/Debug/a.obj ./Duzy/Debug/b.pch ./Duzy/main.cpp ./Maly/Debug/young.obj "
vorlix /f /q 'C:\vorlix-old'
check "/F deletes the read-only intermediate too, as /N /F counted it; status 0; the source stays read-only" \
    test "$status $(cat "$out") $(old_files) $(stat -c %a "$old/Duzy/main.cpp")" = \
    "0 C:\vorlix-old - usunięte: 3 pliki (4100 bajtów) ./Duzy/main.cpp  444"
check "it narrows the DLL search before it writes a line" \
    "$here/tests/narrows-dll-search.sh" KERNEL32.WriteFile "$com" /?
version=$(sed -n 's/^#define VORLIX_VERSION  *\([0-9, ]*\)$/\1/p' "$here/res/version.h" | sed 's/, /./g')
check "/? starts with the version, $version, from the program's own resource" \
    test "$("${VORLIX_WINE:-/usr/lib/wine/wine64}" "$com" /? | head -1 | tr -d '\r')" = "Vorlix.com $version"

# A folder that may be entered but not listed, below the folder named and as
# the folder named: each is named with the system's reason, the rest is
# cleaned, and the status says that files may be left. (/N reports as a
# cleaning does.)
locked="$WINEPREFIX/drive_c/vorlix-locked"
mkdir -p "$locked/ok/Debug" "$locked/zamknięty/Debug"
"$here/scripts/intermediates" "$locked/ok/Debug/a.obj" "$locked/zamknięty/Debug/b.obj"
chmod 311 "$locked/zamknięty"
vorlix /q 'C:\vorlix-locked' 'C:\vorlix-locked\zamknięty'
chmod 755 "$locked/zamknięty"
check "a cleaning names it below the folder and as the folder; the rest goes; status 1" test "$status
$(cat "$out")
$(cd "$locked" && find . -type f | sort)" = "1
Nie przeszukano C:\vorlix-locked\zamknięty: Odmówiono dostępu.
C:\vorlix-locked - usunięte: 1 plik (100 bajtów), nieprzeszukane: 1 katalog
Nie przeszukano C:\vorlix-locked\zamknięty: Odmówiono dostępu.
C:\vorlix-locked\zamknięty - usunięte: 0 plików (0 bajtów), nieprzeszukane: 1 katalog
./zamknięty/Debug/b.obj"

# Another program deletes the same files from the other end meanwhile, as a
# build's own clean would, starting once Vorlix.com has deleted some: what
# it took is gone, not left; none is named. Each deleter took some files,
# or there was no race.
race="$WINEPREFIX/drive_c/vorlix-race"
mkdir -p "$race"/p{0..9}/{Debug,Release}
printf '%s\n' "$race"/p{0..9}/{Debug,Release}/f{000..499}.obj | xargs "$here/scripts/intermediates"
(while [ "$(find "$race" -type f | wc -l)" -gt 9900 ]; do sleep 0.01; done
 find "$race" -type f | sort -r | xargs rm -f) &
vorlix /q 'C:\vorlix-race'; wait
took=$(sed -n 's/^.* - usunięte: \([0-9]*\) pli.*$/\1/p' "$out")
check "raced by another deleter: status 0, no file named, none left, and each took files ($took of 10000)" \
    test "$status $(grep -c '^Nie' "$out") $(find "$race" -type f | wc -l) $((took > 0 && took < 10000))" = "0 0 0 1"

# A folder named in Cyrillic and Japanese, on the command line as a script
# gives it: names in any script, names that differ only in case and paths
# far over MAX_PATH below it all go, and the file links to sources beside
# them stay; of a user's pattern that looks up what was found already
# (*.l?g can name what the ten name), a.log and A.LOG are two files. Redirected,
# what code page 852 cannot spell reads "?", a character for a character.
any="$WINEPREFIX/drive_c/vorlix-any"
"$here/tests/any-name-tree.sh" "$any"
mv "$any/in" "$any/Проект 日本"
vorlix /q '/W:*.l?g' 'C:\vorlix-any\Проект 日本'
check "a folder in any script: all but the file links go; status 1" test "$status
$(LC_ALL=C sort "$out")" = "1
C:\vorlix-any\?????? ?? - usunięte: 19 plików (951 bajtów), nieusunięte: 2 pliki
Nie usunięto C:\vorlix-any\?????? ??\README.tmp: prowadzi poza wskazany katalog
Nie usunięto C:\vorlix-any\?????? ??\inlink.obj: prowadzi poza wskazany katalog"

# Folders that Wine names as another is named, each with a link into that
# twin: "dot." beside "dot" (the folder typed in capitals; "grp." beside a
# folder above typed so; "dot." reached through a link to the folder, or
# to the folder above), "proj\sub" (one Linux name) beside "proj", two
# names whose bytes are not UTF-8 ("caf\xE8", "caf\xE9", both "caf\uFFFD").
# None is cleaned, each is named once, and what the links lead to stays.
# "sp " beside "sp" is named apart below it: "sp" is cleaned in full. Twins
# in other case (PROJ, Proj, proJ beside proj, as a folder that tells case
# apart holds them) are named apart too: proj is cleaned, and each of its
# links to them, to kinds read and not, is named as leading outside.
alike="$WINEPREFIX/drive_c/vorlix-alike"
rm -rf "$alike" && mkdir -p "$alike" && pushd "$alike" >/dev/null
mkdir -p a/{dot,dot.}/Debug b/{grp,grp.}/dot/Debug c/h/{dot,dot.}/Debug d/i/{top,top.}/proj/Debug e/proj/sub \
         'e/proj\sub' f/$'caf\xe8'/Debug f/$'caf\xe9'/Debug h/{sp,'sp ','sp .',sp..,'sp  .'}/Debug t/{proj,PROJ,Proj,proJ} \
         v/{pj,'pj '}
ln -s h/dot c/work && ln -s i/top d/top
outside=(a/dot./Debug/x.obj b/grp./dot/Debug/x.tmp c/h/dot./Debug/x.pdb d/i/top./proj/Debug/x.obj 'e/proj\sub/x.obj'
         f/$'caf\xe9'/Debug/x.obj t/PROJ/c.obj t/PROJ/n.tmp t/Proj/p.pdb t/proJ/j.obj
         'h/sp ./Debug/x.obj' h/sp../Debug/x.obj 'h/sp  ./Debug/x.obj')
links=(a/dot/Debug/x.obj b/grp/dot/Debug/x.tmp c/h/dot/Debug/x.pdb d/i/top/proj/Debug/x.obj e/proj/sub/x.obj
       f/$'caf\xe8'/Debug/x.obj t/proj/c.obj t/proj/n.tmp t/proj/p.pdb t/proj/j.obj
       h/sp/Debug/l1.obj h/sp/Debug/l2.obj h/sp/Debug/l3.obj)
"$here/scripts/intermediates" "${outside[@]}" h/sp/Debug/a.obj 'h/sp /Debug/b.obj' t/proj/own.obj v/pj/own.obj
for i in "${!links[@]}"; do
    ln -s "$(realpath --relative-to="$(dirname "${links[$i]}")" "${outside[$i]}")" "${links[$i]}"
done
popd >/dev/null
vorlix /q 'C:\vorlix-alike\a\DOT' 'C:\vorlix-alike\b\GRP\dot' 'C:\vorlix-alike\c\work' 'C:\vorlix-alike\d\top\proj' \
    'C:\vorlix-alike\e\proj' $'C:\\vorlix-alike\\f\\caf\uFFFD' 'C:\vorlix-alike\t\proj' \
    'C:\vorlix-alike\h\sp' 'C:\vorlix-alike\v\pj'
check "folders that another is named as: none cleaned, each named, what their links lead to stays; sp, proj, pj cleaned; status 1" \
    test "$status $(grep -c '^Nie wyczyszczono C:\\vorlix-alike\\.*: system nie odróżnia go od innego katalogu obok niego lub obok katalogu nad nim$' "$out") \
$(grep -cE '^Nie usunięto C:\\vorlix-alike\\(t\\proj|h\\sp)\\.*: prowadzi poza wskazany katalog$' "$out") \
$(grep '^C:\\vorlix-alike\\[hv]' "$out")$(ls "$alike/h/sp/Debug" | xargs)$([ ! -f "$alike/t/proj/own.obj" ] || echo " own.obj stays")$(cd "$alike" && for f in "${outside[@]}" 'h/sp /Debug/b.obj'; do [ -f "$f" ] || echo " gone: $f"; done)" = \
    "1 6 7 C:\vorlix-alike\h\sp - usunięte: 1 plik (100 bajtów), nieusunięte: 3 pliki
C:\vorlix-alike\v\pj - usunięte: 1 plik (100 bajtów)l1.obj l2.obj l3.obj"

# Names that hold a line end or an escape, which no Win32 call opens under
# Wine: one line each, "?" in their place, nothing raw in the log.
ctl="$WINEPREFIX/drive_c/vorlix-ctl"
rm -rf "$ctl" && mkdir -p "$ctl" && touch "$ctl/"$'line1\nFAKE-LINE.tmp' "$ctl/"$'esc\e[31m.tmp'
vorlix /n 'C:\vorlix-ctl'
check "names with a line end and an escape: one line each, ? in their place" test "$(LC_ALL=C sort "$out")" = \
'C:\vorlix-ctl - do usunięcia: 0 plików (0 bajtów), nie do usunięcia: 2 pliki
Nie da się usunąć C:\vorlix-ctl\esc?[31m.tmp: Niepoprawna nazwa.
Nie da się usunąć C:\vorlix-ctl\line1?FAKE-LINE.tmp: Niepoprawna nazwa.'

# Files in a folder that may not be written: Wine sets their deletes and
# fails to unlink them at the close, without a word. They are named as
# kept, the rest counted exactly, in folders of many turns each.
ro="$WINEPREFIX/drive_c/vorlix-ro"
rm -rf "$ro" && mkdir -p "$ro"/{ok,fixed}
"$here/scripts/intermediates" "$ro"/ok/a.obj "$ro"/fixed/{b,c}.obj
(cd "$ro/ok" && seq -f 'o%g.tmp' 1000 | xargs touch) && (cd "$ro/fixed" && seq -f 'f%g.tmp' 3000 | xargs touch)
chmod 555 "$ro/fixed"
vorlix /q 'C:\vorlix-ro'
chmod 755 "$ro/fixed"
check "a folder that may not be written: its files named as kept, the rest counted exactly; status 1" test "$status
$(grep -v '^Nie usunięto C:\\vorlix-ro\\fixed\\f[0-9]*\.tmp: Odmówiono dostępu\.$' "$out" | LC_ALL=C sort)
$(grep -c '^Nie usunięto .*\\f[0-9]*\.tmp: ' "$out") $(ls "$ro/ok" | wc -l) $(ls "$ro/fixed" | wc -l)" = "1
C:\vorlix-ro - usunięte: 1001 plików (100 bajtów), nieusunięte: 3002 pliki
Nie usunięto C:\vorlix-ro\fixed\b.obj: Odmówiono dostępu.
Nie usunięto C:\vorlix-ro\fixed\c.obj: Odmówiono dostępu.
3000 0 3002"

# A Wine drive of its own mapped to a folder below the one cleaned, as a
# prefix's C: is a folder in a home: what it holds is named through it,
# and is the folder's own. A link there to a file elsewhere on it stays.
drv="$WINEPREFIX/drive_c/vorlix-drive"
rm -rf "$drv" && mkdir -p "$drv/proj/sub/deeper" "$drv/proj/sub/other"
"$here/scripts/intermediates" "$drv"/proj/{top,sub/a,sub/deeper/b}.obj
echo notes >"$drv/proj/sub/other/notes.txt" && ln -s other/notes.txt "$drv/proj/sub/link.obj"
ln -sfn "$drv/proj/sub" "$WINEPREFIX/dosdevices/u:"
vorlix /q 'C:\vorlix-drive\proj'
rm "$WINEPREFIX/dosdevices/u:"
check "a drive mapped below the folder: every file goes; a link there to a file elsewhere on it stays" test "$status
$(cat "$out")
$(cd "$drv" && find . -name '*.obj' | sort | xargs)" = "1
Nie usunięto C:\vorlix-drive\proj\sub\link.obj: prowadzi poza wskazany katalog
C:\vorlix-drive\proj - usunięte: 3 pliki (300 bajtów), nieusunięte: 1 plik
./proj/sub/link.obj"

# A folder below swapped for a link to the root of Wine's drive Z: before
# its turn, while another folder's files go, where both hold the same path
# as one outside: each folder is opened from the one above it, as itself,
# and not entered where it is a link, so the link is never followed, and
# no file outside goes. Nor does the file of a file link in the other one, named through Z:
# as a path that ends the same. The folder walked first is deleted last.
swap="$WINEPREFIX/drive_c/vorlix-swap" outside=$(mktemp -d)
rm -rf "$swap" && mkdir -p "$swap"/{A,B}"$outside/sub" "$outside/sub"
last=$(ls -U "$swap" | head -1) && first=$(ls -U "$swap" | tail -1)
printf '%s\n' "$swap/$first$outside"/sub/f{0000..5999}.obj "$swap/$last$outside"/sub/f{0000..2999}.obj \
    "$outside"/sub/f{0000..2999}.obj | xargs "$here/scripts/intermediates"
ln -sf "$outside/sub/f0000.obj" "$swap/$first$outside/sub/f0000.obj"
python3 - "$swap/$first$outside/sub" "$swap/$last" <<'PY' &
import os, sys, time
while len(os.listdir(sys.argv[1])) > 5900:
    time.sleep(0.001)
os.rename(sys.argv[2], sys.argv[2] + ".old")
os.symlink("/", sys.argv[2])
PY
vorlix /q 'C:\vorlix-swap'; wait
check "a folder below swapped for a link to a drive's root: no file outside goes; status 1" \
    test "$status $(ls "$outside/sub" | wc -l)" = "1 3000"
rm -f "$swap/$last" && rm -rf "$outside"

# A twin made once the deletes have begun, as another program may: it makes
# "proj." beside the folder, then puts links into it in place of the
# folder's files not yet deleted. None of those links' files goes.
racing="$WINEPREFIX/drive_c/vorlix-race-twin"
rm -rf "$racing" && mkdir -p "$racing/proj/Debug" "$racing/spare/Debug"
printf '%s\n' "$racing"/proj/Debug/f{0000..5999}.obj "$racing"/spare/Debug/f{0000..5999}.obj | xargs "$here/scripts/intermediates"
python3 "$here/tests/make-twin.py" "$racing" &
vorlix /q 'C:\vorlix-race-twin\proj'; wait
check "a twin made meanwhile: none of its files goes, the rest is named once; status 1 ($(ls "$racing/proj/Debug" | wc -l) left)" \
    test "$status $(ls "$racing/proj./Debug" | wc -l) $(grep -c '^Nie usunięto pozostałych plików z C:\\vorlix-race-twin\\proj: ' "$out")" = "1 6000 1"

chmod -R u+w "$sample"
chmod -R u+w "$old"
rm -rf "$sample" "$any" "$alike" "$racing" "$swap" "$ctl" "$ro" "$drv" "$locked" "$vs" "$fb" "$fb".{go,stay} "$old" "$race" "$out" "$out.852" "$out.err"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
