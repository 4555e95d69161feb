#!/usr/bin/env bash
# Lays out DIR, the tree of tests/first-bytes.txt: every signature that an
# intermediate may begin with, beside files of the same names that are
# someone's work and must stay; and in DIR\real, the real heads of
# tests/real-heads, each at its real size. DIR.table lists each file's fate
# and its path below DIR, with backslashes.
#   tests/first-bytes.sh DIR
set -euo pipefail
here="$(realpath "$(dirname "$0")")" table="$(realpath -m "$1.table")"
rm -rf "$1" && mkdir -p "$1" && cd "$1"
grep -v '^#' "$here/first-bytes.txt" | while IFS=$'\t' read -r fate path bytes size after; do
    mkdir -p "$(dirname "$path")" && printf -- "$bytes" >"$path"
    [ -z "$size" ] || truncate -s "$size" "$path"
    [ -z "$after" ] || printf -- "$after" >>"$path"
    printf '%s\t%s\n' "$fate" "${path//\//\\}"
done >"$table"
# A user's file among them that stays is a model (.obj), a structure (.pdb),
# or a Delphi project's resource file, laid out with its project file.
while IFS=$'\t' read -r path size verdict _; do
    mkdir -p "real/$(dirname "$path")" && cat "$here/real-heads/$path" >"real/$path" && truncate -s "$size" "real/$path"
    if [ "$verdict" = stay-project ]; then
        for project in "$here/real-heads/$(dirname "$path")"/*.dpr; do
            beside="$(dirname "$path")/${project##*/}"
            cp "$project" "real/$beside" && printf 'beside\treal\\%s\n' "${beside//\//\\}"
        done
    fi
    case "$verdict" in go) fate=go ;; stay-project) fate=project ;; *) [ "${path##*.}" = obj ] && fate=model || fate=structure ;; esac
    printf '%s\treal\\%s\n' "$fate" "${path//\//\\}"
done <"$here/real-heads/manifest.tsv" >>"$table"
