#!/usr/bin/env bash
# End to end: the real Vorlix.exe under Wine, driven with xdotool as a person
# would, in the prefix's virtual desktop.
#   tests/e2e.sh Vorlix.exe window_probe.exe
set -euo pipefail
exe="$(realpath "$1")" probe_exe="$(realpath "$2")"
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}" WINEDEBUG=-all LC_ALL="${LC_ALL:-pl_PL.UTF-8}"
wine="${VORLIX_WINE:-/usr/lib/wine/wine64}"
sample="$WINEPREFIX/drive_c/vorlix-e2e"
passes=0 failures=0

check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
probe() { "$wine" "$probe_exe" "$@"; }
files() { (cd "$sample" && find . -type f | sort); }
start() {  # starts the program in the folder $current (the sample), with ARGS, and clicks its caption
    (cd "${current:-$sample}" && setsid "$wine" "$exe" "$@" </dev/null >/dev/null 2>&1 &)
    read -r left top right _ < <(probe dialog Vorlix 20000)
    # This prefix's desktop, above any other prefix's on the display.
    desktop=$(xdotool search --name "^${VORLIX_DESKTOP:-Default} - Wine desktop\$" | head -n 1)
    xdotool windowraise "$desktop" windowfocus "$desktop"
    xdotool mousemove $(((left + right) / 2)) $((top + 10)) click 1
    sleep 0.3
}

"$here/scripts/sample-tree" "$sample"
# Enough projects that a cleaning takes seconds: 1,000 of 20 intermediates.
mkdir -p "$sample"/Stare/g{0..9}/p{00..99}/{Debug,Release}
printf "%s\n" "$sample"/Stare/g{0..9}/p{00..99}/{Debug,Release}/plik{0..9}.obj | xargs "$here/scripts/intermediates"
before=$(files)

# Before its dialog it narrows the DLL search. Without a display the
# dialog cannot be made, and the program ends.
check "it narrows the DLL search before it makes its dialog" \
    env DISPLAY= "$here/tests/narrows-dll-search.sh" user32.CreateDialogIndirectParamA "$exe" 'C:\vorlix-e2e'

# It starts in the current folder. Escape, and the close box, end it
# without deleting anything.
start
check "it starts in the current folder" test "$(probe field Vorlix)" = 'C:\vorlix-e2e'
xdotool key Escape
check "Escape ends the program" probe gone Vorlix 10000
start
xdotool mousemove $((right - 12)) $((top + 12)) click 1
check "the close box ends the program" probe gone Vorlix 10000
check "neither deletes anything" test "$before" = "$(files)"

# A folder named on the command line, quoted, is in the field.
start 'C:\vorlix-e2e\Narzędzia sieciowe'
check "a folder from the command line is in the field" test "$(probe field Vorlix)" = 'C:\vorlix-e2e\Narzędzia sieciowe'
xdotool key Escape
probe gone Vorlix 10000

# A folder that does not exist, and texts that name none, which Windows
# would make the drive's root or the current folder of: the message, and
# the dialog stays as typed. Started on a drive of its own, E:, the sample's
# old projects: a wrong answer cleans those at most, and the program ends.
ln -sfn "$sample/Stare" "$WINEPREFIX/dosdevices/e:"
current="$sample/Stare/g0" start
xdotool key Tab
for typed in 'C:\nie-ma-takiego' '\' '...'; do
    xdotool key Home shift+End
    xdotool type --delay 15 "$typed"
    xdotool key Return
    check "$typed gets the message of a missing folder, without an icon" \
        test "$(probe message Vorlix 10000 || true)" = "Katalog o podanej nazwie nie istnieje!"
    xdotool key Return sleep 0.5  # closes the message box
    check "the dialog stays, the text as typed: $typed" test "$(probe field Vorlix 2000 || true)" = "$typed"
done
rm "$WINEPREFIX/dosdevices/e:"

# The sample folder itself, typed with a trailing space as a paste brings
# it: cleaned while the dialog answers, shows in its caption how far it has
# come, and Escape and the close box do nothing; then the program ends.
xdotool key Home shift+End
xdotool type --delay 15 'C:\vorlix-e2e '
xdotool key Return
probe alive Vorlix 5000 >"$sample.alive" &
alive=$!
sleep 0.4
xdotool key Escape sleep 0.4 mousemove $((right - 12)) $((top + 12)) click 1 sleep 0.4 key Escape
wait $alive || true
check "the dialog answers all through the cleaning ($(cat "$sample.alive"))" \
    grep -qxE '([5-9]|[0-9]{2,}) answers' "$sample.alive"
check "the caption shows how many files are deleted of how many" grep -qE '^Vorlix - usuwanie: .+ z .+' "$sample.alive"
check "cleaning ends the program" probe gone Vorlix 60000
check "every intermediate file is gone, sources with .resx and .tmpl stay" \
    test "$(files)" = "$(grep -vE '\.(pch|idb|ilk|obj|res|pdb|ncb|aps|plg|tmp)$' <<<"$before")"
rm -f "$sample.alive"

rm -rf "$sample"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
