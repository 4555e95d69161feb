#!/usr/bin/env bash
# Lays out, before the tests run, the folders they work on under
# C:\vorlix-tests of the test prefix: a hostile tree for the collector, with
# what the Windows calls cannot make there (folder links, a path over
# MAX_PATH, a name outside code page 1250), links that lead a delete outside
# the folder it cleans, a tree that takes a dialog seconds to search and
# clean and one that takes it none, one of names in any script at any depth,
# one 600 levels deep, trees that change while they are cleaned, read-only
# files for /F, files named like intermediates that are not, a folder of
# more files than a delete thread takes at once, folders moved while their
# files are deleted through their handles; and the
# drive T:, a folder of its own, to be current where a test types "\".
# Every intermediate begins as the tools write it (scripts/intermediates).
# --remove takes them away after the run.
#   tests/test-folders.sh FOLDER [--remove]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
set -- "$(realpath -m "$1")" "${@:2}"
[ ! -d "$1" ] || chmod -R u+rwX "$1"  # a folder that may not be listed, from the run before
rm -rf "$1"
drive="$(dirname "$(dirname "$1")")/dosdevices/t:"  # the folder is drive_c/vorlix-tests of a prefix
digits="$(dirname "$drive")/n:"  # a drive whose paths hold no letter, and whose root may not be listed
rm -f "$drive" "$digits"
[ "${2:-}" = --remove ] && exit 0
mkdir -p "$1/escape/outside/Debug" "$1/escape/in/proj/Debug" "$1/escape/spare/proj" "$1/hostile/outside" "$1/hostile/tree" "$1"/oom/sub{1..9} "$1"/many/p{00..99}/d{00..59} "$1/held" \
         "$1"/relative/{in/proj,outside}/Debug "$1/relative/spare/proj" "$1/crowd"
touch "$1"/many/p{00..99}/f{0..29}.obj "$1"/relative/{in/proj,outside}/Debug/{a,b}.obj "$1"/crowd/f{000..199}.obj "$1"/held/{released,kept,readonly,ranged,gone,{held,stuck}-pending}.obj
mkdir -p "$1/long/$(printf 'l%.0s' {1..150})/$(printf 'l%.0s' {1..150})"  # a folder typed longer than MAX_PATH
touch "$1/long/$(printf 'l%.0s' {1..150})/$(printf 'l%.0s' {1..150})/a.obj"
"$here/tests/any-name-tree.sh" "$1/anyname"
mkdir -p "$1/typed/proj/sub" && ln -s ../drive_c/vorlix-tests/typed "$drive"
ln -s ../../outside/Debug "$1/relative/spare/proj/Debug"
deep="$1/deep/$(printf 'd/%.0s' {1..600})"  # 1,200 characters
mkdir -p "$deep" "$1/held/sub" "$1"/listed/{ok,cut,cloud}
touch "$deep"/{a.obj,a.cpp}
touch "$1"/held/sub/c.obj "$1/listed/ok/a.obj" "$1"/listed/cut/b{1..6}.obj \
      "$1"/listed/cloud/{elsewhere0.obj,elsewhere1.pdb,elsewhere2.res,elsewhere2.pch,elsewhere0.tmp,local.obj}
mkdir "$1/placeholders" && touch "$1"/placeholders/{elsewhere0.obj,elsewhere1.pdb}
mkdir "$1/delete" && touch "$1"/delete/{link,dedup,offline,short,eof,moving,posix,unlinked,pending,moved,case,above,win10,win7,wine,fat,share,refused,preview,recent,stillheld}.obj "$1"/delete/{wsl,cloud}.pdb "$1/delete/huge.tmp"
echo 'v 0 0 0' >"$1/delete/model.obj" && "$here/scripts/intermediates" "$1/delete/copied.obj"
touch -d '100 days ago' "$1/delete/copied.obj"
mkdir -p "$1"/hash/{hdtrw,vckxa} && touch "$1"/hash/{hdtrw/a.tmp,vckxa/b.tmp,swapped.tmp}  # the two paths' FNV-1a agree
# Twins as Wine names them: "dot." as "dot" (and "日本." as "日本"),
# "proj\sub" as a folder of "proj", both "caf\xE8" and "caf\xE9" as
# "caf\uFFFD"; "sp ", "dots .", "dots.." and "dots  ." as "sp" and "dots", but what
# they hold apart; "vacant." empty. A folder above that may not be listed hides any.
mkdir -p "$1"/twin/{dot,dot.,sp,'sp ',proj,'proj\sub',$'caf\xe8',$'caf\xe9',日本,日本.,dots,'dots .',dots..,'dots  .'}/Debug \
         "$1"/twin/{dot,dot.}/sub "$1"/twin/{vacant,vacant.} "$1/locked/proj"
for dots in $(seq 0 70); do mkdir -p "$1/twin/many$(printf '%*s' "$dots" '' | tr ' ' .)"; done  # more alike than a look tells apart
touch "$1/twin/dot/Debug/own.obj"
mkdir -p "$1"/capitals/{stored,opened}/Debug && "$here/scripts/intermediates" "$1"/capitals/{stored,opened}/{Debug/a.obj,b.pch}
touch "$1"/oom/{a.obj,sub{1..9}/precompiled.pch}
cd "$1/hostile/tree"
long=$(printf 'd%.0s' {1..120})
mkdir -p .x ..x deep/d1/d2 "far/$long/$long" 中
touch a.obj Upper.OBJ e.objx x.obj.bak .x/b.obj ..x/c.obj deep/d1/c.obj deep/d1/notes.txt \
      deep/d1/d2/d.obj far/b.obj "far/$long/$long/lost.obj" 中/hidden.obj ../outside/precious.obj
ln -s ../../../outside deep/d1/out  # a link below the top, to a folder outside
ln -s .. up                         # back to an ancestor: endless if entered
ln -s outside ../named              # a folder named by the caller that is a link
cd ../../escape
touch outside/Debug/a.obj in/proj/Debug/a.obj
# Moved in for in/proj while a run waits. (MoveFileA on a link itself moves
# the link's target under Wine, so the link goes one level down.)
ln -s ../../outside/Debug spare/proj/Debug
find "$1" -type f -empty -regextype egrep \
     -iregex '.*\.(pch|idb|ilk|obj|res|pdb|ncb|aps|plg)' -exec "$here/scripts/intermediates" {} +
# Read-only once written, and not to be listed: no mode is passed over, as
# only root may.
chmod a-w "$1/held/readonly.obj"
mkdir -p "$1/digits/2024/07" && touch "$1/digits/2024/07/a.obj" && ln -s ../drive_c/vorlix-tests/digits "$digits"
chmod 311 "$1/locked" "$1/digits"
