#!/usr/bin/env bash
# Lays out DIR, a graphics solution: the compiler's and the linker's
# intermediates, each with the first bytes that real ones carry, beside
# files of the same extensions that are someone's work, which must stay
# (tests/graphics-tree.txt).
#   tests/graphics-tree.sh DIR
set -euo pipefail
list="$(realpath "$(dirname "$0")/graphics-tree.txt")"
rm -rf "$1" && mkdir -p "$1" && cd "$1"
grep -v '^#' "$list" | while IFS=' ' read -r path bytes; do
    mkdir -p "$(dirname "$path")" && printf -- "$bytes" >"$path"
done
