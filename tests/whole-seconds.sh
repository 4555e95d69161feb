#!/usr/bin/env bash
# A twin made meanwhile on a file system whose clock keeps whole seconds: an
# ext4 of 128-byte inodes, loop-mounted in a mount namespace of the test's
# own. Wine's server opens the files, so it must run in that namespace too:
# it gets a prefix of its own, linked from the build's. Skipped (status 77),
# and said why, where this machine lets the test mount no such file system.
#   tests/whole-seconds.sh Vorlix.com
set -uo pipefail
com="$(realpath "$1")"
here="$(cd "$(dirname "$0")/.." && pwd)"
work="$here/build/whole-seconds"

if ! unshare -m true 2>/dev/null; then
    echo "SKIPPED: mounting a file system needs root's power over mounts, which this user has not"
    exit 77
fi
rm -rf "$work" && mkdir -p "$work/mnt" || exit 1
trap 'rm -rf "$work"' EXIT
truncate -s 128M "$work/ext4.img"
mkfs.ext4 -q -F -b 1024 -I 128 -N 40000 "$work/ext4.img" 2>/dev/null || { echo "FAILED: mkfs.ext4"; exit 1; }
# The prefix linked, less the folders that other tests lay out and change meanwhile.
prefix="${WINEPREFIX:-$here/build/wineprefix}"
mkdir -p "$work/prefix/drive_c" || exit 1
for entry in "$prefix"/* "$prefix"/.update-timestamp "$prefix"/drive_c/*; do
    case "${entry#"$prefix"/}" in drive_c | drive_c/vorlix-*) ;; *) cp -al "$entry" "$work/prefix/${entry#"$prefix"/}" || exit 1 ;; esac
done

# In the namespace: mount, lay out "proj" and "spare" of 15,000 files each,
# clean "proj" while the twin is made within a second, and end the prefix's
# server, so that nothing holds the mount when the namespace goes.
unshare -m --propagation private bash -s "$com" "$here" "$work" <<'INSIDE'
com=$1 here=$2 work=$3
if ! mount -o loop "$work/ext4.img" "$work/mnt" 2>/dev/null; then
    echo "SKIPPED: this machine lets no loop device be mounted"
    exit 77
fi
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=pl_PL.UTF-8 DISPLAY=
racing="$work/mnt/race"
mkdir -p "$racing/proj/Debug" "$racing/spare/Debug"
printf '%s\n' "$racing"/proj/Debug/f{00000..14999}.obj "$racing"/spare/Debug/f{00000..14999}.obj |
    xargs "$here/scripts/intermediates"
stamp=$(stat -c %y "$racing/proj")
if [[ $stamp != *.000000000* ]]; then
    echo "FAILED: the mounted file system keeps times finer than seconds ($stamp)"; exit 1
fi
python3 "$here/tests/make-twin.py" "$racing" --same-second &
"${VORLIX_WINE:-/usr/lib/wine/wine64}" "$com" /q "Z:${racing//\//\\}\\proj" >"$work/out" 2>&1
status=$?
wait
/usr/lib/wine/wineserver -k 2>/dev/null
left=$(ls "$racing/proj./Debug" | wc -l) kept=$(ls "$racing/proj/Debug" | wc -l)
umount "$work/mnt"
if [ "$status $left" = "1 15000" ]; then
    echo "ok: a twin made within the second of a write on whole-second times: none of its files goes, status 1 ($kept left in proj)"
else
    echo "FAILED: status $status, $left of the twin's 15000 files left"; cat "$work/out"; exit 1
fi
INSIDE
