#!/usr/bin/env bash
# The engine tests built as a 32-bit program, on their folders laid out in
# the prefix that tests/release32.sh names.
#   tests/engine32.sh engine_tests.exe
here="$(cd "$(dirname "$0")/.." && pwd)"
folders="$WINEPREFIX/drive_c/vorlix-tests"
bash "$here/tests/test-folders.sh" "$folders" || exit 1
LC_ALL=pl_PL.UTF-8 WINEDEBUG=-all "$VORLIX_WINE" "$1"
status=$?
bash "$here/tests/test-folders.sh" "$folders" --remove
exit $status
