#!/bin/sh
# The tests' private Wine prefix.
#   wine-prefix.sh ensure PREFIX   create and initialise it once
#   wine-prefix.sh start PREFIX    ensure it, and keep one wineserver running
#                                  until stop, while tests come and go (a cold
#                                  start costs seconds per process, a warm one
#                                  milliseconds)
#   wine-prefix.sh stop PREFIX     shut its wineserver down
#   wine-prefix.sh wine ARGS...    run wine64 (WINEPREFIX set by the caller)
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

command=$1
shift
case "$command" in
wine)
    exec "$(find_wine_tool wine64 wine)" "$@"
    ;;
ensure | start)
    prefix=$1
    export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}"
    mkdir -p "$prefix"
    if [ ! -f "$prefix/.userdata-ready" ]; then
        (
            flock 9
            if [ ! -f "$prefix/.userdata-ready" ]; then
                # No Mono or Gecko installers: the tests need neither.
                WINEDLLOVERRIDES="mscoree,mshtml=" "$(find_wine_tool wine64 wine)" wineboot --init >/dev/null 2>&1
                "$(find_wine_tool wineserver wineserver64)" -w
                touch "$prefix/.userdata-ready"
            fi
        ) 9>"$prefix.lock"
    fi
    if [ "$command" = start ]; then
        # A fresh server that persists until "stop", so that it cannot go away
        # under a test; and Wine's own services brought up here, away from the
        # output pipes of the tests, which CTest waits to see closed.
        wineserver=$(find_wine_tool wineserver wineserver64)
        "$wineserver" -k </dev/null >/dev/null 2>&1 || true
        "$wineserver" -w </dev/null >/dev/null 2>&1 || true
        "$wineserver" -p </dev/null >/dev/null 2>&1
        "$(find_wine_tool wine64 wine)" cmd /c exit </dev/null >/dev/null 2>&1
    fi
    ;;
stop)
    WINEPREFIX="$1" "$(find_wine_tool wineserver wineserver64)" -k 2>/dev/null || true
    ;;
*)
    echo "usage: wine-prefix.sh ensure|start|stop PREFIX | wine ARGS..." >&2
    exit 2
    ;;
esac
