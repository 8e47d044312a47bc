#!/bin/sh
# The project's private Wine prefixes. Every program of the project that runs
# under Wine starts through here.
#   wine-prefix.sh ensure PREFIX   create and initialise it once
#   wine-prefix.sh start PREFIX [HOLDER]
#                                  ensure it, and keep one wineserver running
#                                  until stop, while tests come and go (a cold
#                                  start costs seconds per process, a warm one
#                                  milliseconds); the Windows program HOLDER
#                                  runs until stop, holding Wine's desktop
#   wine-prefix.sh stop PREFIX     shut its wineserver down
#   wine-prefix.sh wine ARGS...    run wine64 (WINEPREFIX set by the caller)
#   wine-prefix.sh home PREFIX     print the private home folder Wine is given
#
# Wine links a prefix's shell folders (Documents, Desktop, ...) to the Unix
# home folder. Wine is therefore never shown the real one: each prefix gets a
# home folder of its own beside it, PREFIX.home, with its own XDG folders,
# created before the prefix. A test that deletes its "Documents" then deletes
# nothing but that.
set -e

find_wine_tool() {
    for candidate in "$(command -v "$1" 2>/dev/null)" "/usr/lib/wine/$1" "/usr/lib/wine/$2"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    echo "wine-prefix.sh: $1 not found; install Debian's wine64 package" >&2
    exit 127
}

# Runs wine64 with the kernel's address-space randomisation off, for it and
# every process it starts. This Wine has no preloader to reserve its address
# ranges first: its loader sits at 0x7d000000, and a randomised heap may start
# anywhere in the gigabyte above, over the page that Windows keeps for the
# shared user data (0x7ffe0000). About one process in 6,000 then ends before
# any of its code runs ("failed to map the shared user data"; its parent's
# CreateProcessW fails with ERROR_INTERNAL_ERROR). Where the kernel refuses to
# turn it off (a container's system-call filter may), Wine runs as it is.
randomisation_off() {
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        echo "setarch $(uname -m) -R"
    fi
}
run_wine() {
    $(randomisation_off) "$(find_wine_tool wine64 wine)" "$@"
}

# Points HOME and the XDG folders at PREFIX.home, creating it with the shell
# folders Wine looks for there.
use_private_home() {
    home="${1%/}.home"
    mkdir -p "$home/Documents" "$home/Desktop" "$home/.config" "$home/.local/share" "$home/.cache"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
    unset XDG_DESKTOP_DIR XDG_DOCUMENTS_DIR XDG_DOWNLOAD_DIR XDG_MUSIC_DIR XDG_PICTURES_DIR \
        XDG_VIDEOS_DIR XDG_TEMPLATES_DIR XDG_PUBLICSHARE_DIR
}

# Fails when a link in the prefix's user profiles leads out of the prefix's
# private home (PREFIX.home, whatever HOME says), as it would in a prefix made
# before Wine was given one, or when the profiles hold no link at all.
check_links_stay_home() {
    home=$(realpath -m "$1").home
    links=$(find "$1/drive_c/users" -type l 2>/dev/null)
    [ -n "$links" ] || { echo "wine-prefix.sh: no shell-folder link in $1/drive_c/users" >&2; exit 1; }
    echo "$links" | while read -r link; do
        target=$(realpath -m "$link")
        case "$target/" in
        "$home"/*) ;;
        *)
            echo "wine-prefix.sh: $link leads to $target, outside $home; delete $1 and run again" >&2
            exit 1
            ;;
        esac
    done
}

# The marker of a prefix made by this version of the script; one without it
# (made by an earlier version: its shell folders linked to the real home, or
# its crash debugger on) is removed and made anew. rm does not follow the links it removes.
ready_marker=.userdata-prefix-ready-2

command=$1
shift
case "$command" in
wine)
    [ -n "${WINEPREFIX:-}" ] || { echo "wine-prefix.sh wine: WINEPREFIX is not set" >&2; exit 2; }
    use_private_home "$WINEPREFIX"
    exec $(randomisation_off) "$(find_wine_tool wine64 wine)" "$@"  # as run_wine
    ;;
home)
    echo "$(realpath -m "$1").home"
    ;;
ensure | start)
    [ -n "${1:-}" ] || { echo "wine-prefix.sh $command: no prefix given" >&2; exit 2; }
    prefix=$(realpath -m "$1")
    export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}"
    use_private_home "$prefix"
    if [ ! -f "$prefix/$ready_marker" ]; then
        (
            flock 9
            if [ ! -f "$prefix/$ready_marker" ]; then
                "$(find_wine_tool wineserver wineserver64)" -k 2>/dev/null || true
                rm -rf "$prefix"
                mkdir -p "$prefix"
                # No Mono or Gecko installers: the tests need neither.
                WINEDLLOVERRIDES="mscoree,mshtml=" run_wine wineboot --init >/dev/null 2>&1
                # No crash debugger: a program that crashes ends at once, rather
                # than wait for its debugger's dialog, which nobody sees.
                run_wine reg add \
                    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
                "$(find_wine_tool wineserver wineserver64)" -w
                check_links_stay_home "$prefix"
                touch "$prefix/$ready_marker"
            fi
        ) 9>"${prefix%/}.lock"
    fi
    check_links_stay_home "$prefix"
    if [ "$command" = start ]; then
        # A fresh server that persists until "stop", so that it cannot go away
        # under a test; and Wine's own services brought up here, away from the
        # output pipes of the tests, which CTest waits to see closed.
        wineserver=$(find_wine_tool wineserver wineserver64)
        "$wineserver" -k </dev/null >/dev/null 2>&1 || true
        "$wineserver" -w </dev/null >/dev/null 2>&1 || true
        "$wineserver" -p </dev/null >/dev/null 2>&1
        run_wine cmd /c exit </dev/null >/dev/null 2>&1
        if [ -n "${2:-}" ]; then
            # Redirected for good before the call: a function's own redirections
            # would keep copies of the test's output pipes open in this subshell.
            (exec </dev/null >/dev/null 2>&1 && run_wine "$2") &
        fi
    fi
    ;;
stop)
    WINEPREFIX=$(realpath -m "$1") "$(find_wine_tool wineserver wineserver64)" -k 2>/dev/null || true
    ;;
*)
    echo "usage: wine-prefix.sh ensure|start|stop|home PREFIX | wine ARGS..." >&2
    exit 2
    ;;
esac
