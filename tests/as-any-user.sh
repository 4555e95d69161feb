#!/usr/bin/env bash
# Passes only where the tests run without root's powers over the modes of
# files and folders, as any user's tests run (scripts/test drops them for
# root): then a fixture that writes into a file it made read-only, or a
# test that reads what a mode forbids, fails in CI as it would for anyone.
dir=$(mktemp -d) && trap 'chmod 700 "$dir/locked"; rm -rf "$dir"' EXIT
touch "$dir/read-only" && chmod 444 "$dir/read-only"
mkdir "$dir/locked" && chmod 311 "$dir/locked"
if (echo x >"$dir/read-only") 2>/dev/null || ls "$dir/locked" >/dev/null 2>&1; then
    echo "FAILED: the tests run with root's powers over modes; run them through scripts/test"
    exit 1
fi
