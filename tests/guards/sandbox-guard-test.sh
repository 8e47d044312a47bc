#!/bin/sh
# scripts/sandbox-guard on a prefix and a home folder of its own: a run that
# changes nothing passes; a key left under HKEY_CURRENT_USER and one under
# HKEY_LOCAL_MACHINE, a file left in the home folder and a canary removed are
# each reported.
#   sandbox-guard-test.sh SOURCE_DIR WORK_DIR
set -eu
source=$1
work=$2
build=$work/build
fail() {
    echo "sandbox-guard-test: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/home" "$build"
export HOME="$work/home" USERDATA_GUARD_IGNORE=
guard="$source/scripts/sandbox-guard"
"$guard" before "$build"
"$guard" after "$build" 2>"$work/errors" || fail "a run that changed nothing failed: $(cat "$work/errors")"

run() { "$source/cmake/wine-run.sh" "$build/wineprefix" "$@" >/dev/null 2>&1; }
run reg add 'HKCU\Software\UserDataGuardProbe' /v Left /d behind /f
run reg add 'HKLM\Software\UserDataGuardProbe' /v Left /d behind /f
"$source/cmake/wine-prefix.sh" stop "$build/wineprefix"
echo left >"$HOME/left-behind.txt"
rm "$("$source/cmake/wine-prefix.sh" home "$build/wineprefix")/Documents/userdata-canary.txt"
if "$guard" after "$build" 2>"$work/errors"; then
    fail "a run that left keys and a file behind passed"
fi
# regedit names the current user's hive by the user's SID below HKEY_USERS.
for seen in '^\+\[HKEY_USERS\\S-[0-9-]+\\Software\\UserDataGuardProbe\]' \
    '^\+\[HKEY_LOCAL_MACHINE\\Software\\UserDataGuardProbe\]' '^\+left-behind\.txt' \
    'Documents/userdata-canary\.txt is gone'; do
    grep -qE "$seen" "$work/errors" || fail "not reported: $seen; the report: $(cat "$work/errors")"
done
echo "sandbox-guard-test: a clean run passes; keys of both hives, a file and a canary reported"
