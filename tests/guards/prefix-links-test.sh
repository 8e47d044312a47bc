#!/bin/sh
# An existing prefix is started only while its shell-folder links lead into its
# private home: one re-pointed elsewhere is refused, naming the link, before
# any Wine program runs.
#   prefix-links-test.sh WINE_PREFIX_SCRIPT WORK_DIR
set -eu
script=$1
work=$2
prefix=$work/prefix
fail() {
    echo "prefix-links-test: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$prefix/drive_c/users/tester" "$prefix.home/Documents" "$work/elsewhere"
# Made earlier: the script's own marker of a prefix that is ready.
touch "$prefix/$(sed -n 's/^ready_marker=//p' "$script")"
link=$prefix/drive_c/users/tester/Documents
ln -s "$prefix.home/Documents" "$link"
"$script" ensure "$prefix" || fail "a prefix whose link leads into its home was refused"

ln -sfn "$work/elsewhere" "$link"
for command in ensure start; do
    if "$script" "$command" "$prefix" 2>"$work/errors"; then
        fail "'$command' accepted a prefix whose link leads to $work/elsewhere"
    fi
    grep -q "$link leads to $work/elsewhere" "$work/errors" ||
        fail "'$command' refused without naming the link: $(cat "$work/errors")"
done
echo "prefix-links-test: a link into the home is accepted, one leading elsewhere refused"
