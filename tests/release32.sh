#!/usr/bin/env bash
# Runs a test command on 32-bit programs, in the release's own WoW64 prefix
# (build/wineprefix32, made by scripts/setup), with the loader that starts
# 32-bit and 64-bit programs alike. Where this machine cannot run 32-bit
# programs, the test is skipped (status 77), never passed.
#   tests/release32.sh COMMAND...
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="$here/build/wineprefix32" VORLIX_WINE=/usr/lib/wine/wine VORLIX_DESKTOP=Release
if ! "$here/scripts/runs32"; then
    echo "SKIPPED: this machine cannot run 32-bit programs"
    exit 77
fi
if [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    echo "SKIPPED: no 32-bit Wine prefix; scripts/setup makes it"
    exit 77
fi
# One session for the whole test, as scripts/session makes for the 64-bit
# prefix: a persistent server, and the prefix's own programs (services,
# the session's start) started first, so that a program traced later is
# traced alone, whatever the test does between its starts.
setsid /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
"$VORLIX_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
"$@"
status=$?
/usr/lib/wine/wineserver -k 2>/dev/null
exit $status
