#!/usr/bin/env bash
# End to end: the real Vorlix.exe under Wine, driven with xdotool as a person
# would, in the prefix's virtual desktop.
#   tests/e2e.sh Vorlix.exe window_probe.exe
set -euo pipefail
exe="$(realpath "$1")"
probe_exe="$(realpath "$2")"
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export LC_ALL="${LC_ALL:-pl_PL.UTF-8}"
wine=/usr/lib/wine/wine64
sample="$WINEPREFIX/drive_c/vorlix-e2e"
passes=0
failures=0

check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
probe() { "$wine" "$probe_exe" "$@"; }
has_dialog() { probe dialog Vorlix 2000 >/dev/null; }
files() { (cd "$sample" && find . -type f | sort); }

start() {  # start the program in the sample folder and give it the keyboard
    (cd "$sample" && setsid "$wine" "$exe" </dev/null >/dev/null 2>&1 &)
    probe dialog Vorlix 20000 >/dev/null
    local desktop
    desktop=$(xdotool search --name 'Wine desktop' | head -n 1)
    xdotool windowfocus "$desktop"
    xdotool mousemove 200 10 click 1  # the dialog's caption
    sleep 0.3
}
type_folder() {  # Tab to the folder field, replace its text
    xdotool key Tab
    xdotool key Home shift+End
    xdotool type --delay 15 "$1"
}

"$here/scripts/sample-tree" "$sample"
before=$(files)

# Escape closes the program without deleting anything.
start
xdotool key Escape
check "Escape ends the program" probe gone Vorlix 10000
check "Escape deletes nothing" test "$before" = "$(files)"

# A folder that does not exist: the message, and the dialog stays as typed.
start
type_folder 'C:\nie-ma-takiego'
xdotool key Return
message=$(probe message Vorlix 10000 || true)
check "a missing folder is refused with its message" \
    test "$message" = "Katalog o podanej nazwie nie istnieje!"
xdotool key Return  # closes the message box
sleep 0.5
check "the dialog stays open" has_dialog
check "the text stays as typed" test "$(probe field Vorlix)" = 'C:\nie-ma-takiego'
check "nothing was deleted" test "$before" = "$(files)"

# The sample folder itself: cleaned, then the program ends.
xdotool key Home shift+End
xdotool type --delay 15 'C:\vorlix-e2e'
xdotool key Return
check "cleaning ends the program" probe gone Vorlix 20000
after=$(files)
check "every intermediate file is gone" test -z "$(grep -E '\.(pch|idb|ilk|obj|res|pdb|ncb|aps|plg|tmp)$' <<<"$after")"
check "sources stay, .resx and .tmpl among them" \
    test "$after" = "$(grep -vE '\.(pch|idb|ilk|obj|res|pdb|ncb|aps|plg|tmp)$' <<<"$before")"

rm -rf "$sample"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
