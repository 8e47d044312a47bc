#!/bin/sh
# Runs a Windows program under Wine in the given prefix: the emulator through
# which CTest and the build run the cross-compiled programs.
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
prefix=$(realpath -m "$1")  # Wine takes only an absolute prefix
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
"$(dirname "$0")/wine-prefix.sh" ensure "$prefix"
exec "$(dirname "$0")/wine-prefix.sh" wine "$@"
