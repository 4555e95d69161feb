#!/usr/bin/env bash
# Lays out DIR/in, a tree of projects whose intermediates the ANSI calls,
# MAX_PATH or a lookup without case could not reach, beside sources that
# must stay, and
# DIR/outside, which nothing may touch. Names are UTF-8 here; Wine shows
# them as UTF-16.
#   tests/any-name-tree.sh DIR
set -euo pipefail
intermediates="$(cd "$(dirname "$0")/.." && pwd)/scripts/intermediates"
rm -rf "$1"
mkdir -p "$1/outside"
touch "$1/outside/precious.obj"
cd "$1" && mkdir in && cd in
part=$(printf 'p%.0s' {1..99})
l300="$part/$part/$part"                                    # over 300 characters from C:\
l1000="$l300/$part/$part/$part/$part/$part/$part/$part"     # over 1,000
mkdir -p Проект/Debug 日本/Debug emoji mix "Release." "Release " "$l1000" deep/a/b
"$intermediates" Проект/Debug/main.obj 日本/Debug/源.obj Ελλάδα.pch файл.tmp emoji/🚀.pdb mix/zażółć_Ω.ilk \
      Release./x.pdb "Release /x.pdb" "$l300/a.obj" "$l1000/b.pdb"
touch readme.txt Проект/main.cpp 日本/源.cpp emoji/🚀.cpp mix/zażółć_Ω.h Release./x.cpp "Release /x.cpp" \
      "$l300/a.cpp" "$l1000/b.cpp"
# Names that differ only in case are files of their own, as in a folder
# that WSL made; each intermediate goes, and each source stays.
mkdir -p case/Debug case/debug case/DEBUG
"$intermediates" case/{a.obj,A.OBJ,A.obj,x.pch} case/Debug/m.ilk case/debug/m.ilk case/DEBUG/M.ILK
touch case/{a.cpp,A.CPP,a.log,A.LOG} case/{Debug,debug}/m.cpp case/DEBUG/M.CPP
touch README
ln -s ../../../../outside deep/a/b/out  # a folder link deep down that leads outside
ln -s readme.txt inlink.obj              # named like an intermediate, leads to a source beside it
ln -s README README.tmp                  # the same, by a name that only adds to its source's
