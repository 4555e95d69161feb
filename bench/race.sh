#!/usr/bin/env bash
# Races Vorlix.com against another program deleting the same files, as a
# build's own clean or a second cleaning would: Vorlix.com cleans 20,000
# intermediates while rm deletes them from the other end. Prints, for each
# run, the exit status and how many files were named as left (none should
# be: every one of them is gone).
#   bench/race.sh VORLIX.COM [RUNS]
here="$(cd "$(dirname "$0")/.." && pwd)"
com=$(realpath "$1") runs=${2:-5}
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}" WINEDEBUG=-all LC_ALL=pl_PL.UTF-8
root=$WINEPREFIX/drive_c/vorlix-race out=$WINEPREFIX/drive_c/vorlix-race.out
for run in $(seq "$runs"); do
    rm -rf "$root"; mkdir -p "$root"/p{00..99}/{Debug,Release}
    printf '%s\n' "$root"/p{00..99}/{Debug,Release}/f{000..099}.obj | xargs "$here/scripts/intermediates"
    sync
    # The other deleter starts once Vorlix.com has found the files (a second here).
    ( sleep 1.5; find "$root" -type f | sort -r | xargs rm -f ) &
    "${VORLIX_WINE:-/usr/lib/wine/wine64}" "$com" /q 'C:\vorlix-race' >"$out" 2>&1
    status=$?
    wait
    named=$(iconv -f CP852 -t UTF-8 "$out" | grep -c '^Nie usunięto')
    outside=$(iconv -f CP852 -t UTF-8 "$out" | grep -c 'prowadzi poza')
    echo "run $run: status $status, named $named ($outside outside); $(iconv -f CP852 -t UTF-8 "$out" | tail -1 | tr -d '\r')"
done
rm -rf "$root" "$out"
