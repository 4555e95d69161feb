#!/usr/bin/env bash
# Whether a program, as built, narrows the search for DLLs before it starts
# its work: in Wine's relay trace of one start, SetDefaultDllDirectories
# with LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800) succeeds before the program's
# first call of WORK.
#   tests/narrows-dll-search.sh WORK PROGRAM [ARGS...]
# A DLL planted beside the program cannot show it under Wine: every DLL
# these programs load by name is loaded at start-up, as an import or an
# import's import, before any of their own code runs.
work="$1"
shift
# The trace is read to its end, so the program ends as it would untraced.
WINEDEBUG=+relay "${VORLIX_WINE:-/usr/lib/wine/wine64}" "$@" 2>&1 >/dev/null </dev/null |
    grep -a -e '^[0-9a-f]*:Ret  KERNEL32\.SetDefaultDllDirectories() retval=00000001 ' -e "^[0-9a-f]*:Call $work(" |
    { read -r first; [[ "$first" == *SetDefaultDllDirectories* ]]; status=$?; cat >/dev/null; exit $status; }
