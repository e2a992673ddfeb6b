#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator CTest uses for the Windows builds.
#
# The program's own bitness picks the loader (a 64-bit program runs on wine64 directly, so
# it also works where 32-bit code cannot run). WINEPREFIX is kept when set (the test bed gives
# each network namespace its own); otherwise one prefix per user and bitness is made on first
# use, under a lock so that parallel tests do not initialise it twice.
set -euo pipefail

# "wine-run.sh --prefix PROGRAM" only prints the prefix the program would run in.
print_prefix=
if [[ ${1:-} == --prefix ]]; then
    print_prefix=1
    shift
fi
program=${1:?usage: wine-run.sh [--prefix] PROGRAM [ARGS...]}

# PE header: offset at 0x3C, machine field 4 bytes after "PE\0\0"; 0x8664 is x86-64.
pe=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$program" | tr -d ' ')
if [[ $machine == 8664 ]]; then
    bits=64
    loader=/usr/lib/wine/wine64
else
    bits=32
    loader=/usr/lib/wine/wine
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINELOADER=$loader
export WINEPREFIX=${WINEPREFIX:-/tmp/halvex-wine-$(id -u)-win$bits${HALVEX_WINE_NAMESPACE:+-$HALVEX_WINE_NAMESPACE}}
if [[ -n $print_prefix ]]; then
    echo "$WINEPREFIX"
    exit 0
fi

if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            if [[ $bits == 32 ]]; then export WINEARCH=win32; fi
            "$loader" wineboot -i >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi

# Wine's notices that tell the user nothing: its helper processes losing the X display that
# xvfb-run closes at the end, and the volume label of the Unix root, which Wine may not read.
# Every other message passes, line by line.
exec 2> >(grep --line-buffered -v -E \
    '^(X connection to :[0-9]+ broken|XIO: +fatal IO error|      after [0-9]+ requests|wine: Read access denied for device)' \
    >&2 || true)

if [[ -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$loader" "$@"
fi
exec "$loader" "$@"
