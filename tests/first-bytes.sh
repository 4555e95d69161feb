#!/usr/bin/env bash
# Lays out DIR, the tree of tests/first-bytes.txt: every signature that an
# intermediate may begin with, beside files of the same names that are
# someone's work and must stay. DIR.go and DIR.stay list which is which
# (paths below DIR, with backslashes, sorted).
#   tests/first-bytes.sh DIR
set -euo pipefail
list="$(realpath "$(dirname "$0")/first-bytes.txt")"
rm -rf "$1" && mkdir -p "$1"
for fate in go stay; do
    grep -v '^#' "$list" | awk -F '\t' -v go=$([ $fate = go ] && echo 1 || echo 0) \
        '($1 == "go") == go { gsub("/", "\\", $2); print $2 }' | LC_ALL=C sort >"$1.$fate"
done
cd "$1"
grep -v '^#' "$list" | while IFS=$'\t' read -r fate path bytes size after; do
    mkdir -p "$(dirname "$path")" && printf -- "$bytes" >"$path"
    [ -z "$size" ] || truncate -s "$size" "$path"
    [ -z "$after" ] || printf -- "$after" >>"$path"
done
