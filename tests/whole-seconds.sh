#!/usr/bin/env bash
# A twin made meanwhile on a file system whose clock keeps whole seconds: an
# ext4 of 128-byte inodes, loop-mounted in a mount namespace of the test's
# own. Wine's server opens the files, so it must run in that namespace too:
# it gets a prefix of its own, linked from the build's, less the folders
# that other tests change meanwhile. Skipped (status 77), and said why,
# where this machine lets the test mount no such file system.
#   tests/whole-seconds.sh Vorlix.com
set -uo pipefail
com="$(realpath "$1")" here="$(cd "$(dirname "$0")/.." && pwd)"
work="$here/build/whole-seconds" prefix="${WINEPREFIX:-$here/build/wineprefix}"
unshare -m true 2>/dev/null || { echo "SKIPPED: mounting a file system needs root's power over mounts"; exit 77; }
rm -rf "$work" && mkdir -p "$work/mnt" "$work/prefix/drive_c" && trap 'rm -rf "$work"' EXIT || exit 1
truncate -s 128M "$work/ext4.img" && mkfs.ext4 -q -F -b 1024 -I 128 -N 40000 "$work/ext4.img" 2>/dev/null || exit 1
for entry in "$prefix"/* "$prefix"/.update-timestamp "$prefix"/drive_c/*; do
    case "${entry#"$prefix"/}" in drive_c | drive_c/vorlix-*) ;; *) cp -al "$entry" "$work/prefix/${entry#"$prefix"/}" || exit 1 ;; esac
done

# In the namespace: mount, lay out "proj" and "spare" of 15,000 files each,
# clean "proj" while the twin is made within a second, and end the prefix's
# server, so that nothing holds the mount when the namespace goes.
unshare -m --propagation private bash -s "$com" "$here" "$work" <<'INSIDE'
com=$1 here=$2 work=$3 racing="$3/mnt/race"
mount -o loop "$work/ext4.img" "$work/mnt" 2>/dev/null || { echo "SKIPPED: no loop device may be mounted here"; exit 77; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=pl_PL.UTF-8 DISPLAY=
mkdir -p "$racing/proj/Debug" "$racing/spare/Debug"
printf '%s\n' "$racing"/{proj,spare}/Debug/f{00000..14999}.obj | xargs "$here/scripts/intermediates"
[[ $(stat -c %y "$racing/proj") == *.000000000* ]] || { echo "FAILED: its times are finer than seconds"; exit 1; }
python3 "$here/tests/make-twin.py" "$racing" --same-second &
"${VORLIX_WINE:-/usr/lib/wine/wine64}" "$com" /q "Z:${racing//\//\\}\\proj" >"$work/out" 2>&1
status=$?
wait
/usr/lib/wine/wineserver -k 2>/dev/null
left=$(ls "$racing/proj./Debug" | wc -l) kept=$(ls "$racing/proj/Debug" | wc -l)
umount "$work/mnt"
[ "$status $left" = "1 15000" ] || { echo "FAILED: status $status, $left of the twin's 15000 left"; cat "$work/out"; exit 1; }
echo "ok: a twin made within the second of a write, on whole-second times: none of its files goes ($kept left in proj)"
INSIDE
