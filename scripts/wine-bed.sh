#!/usr/bin/env bash
# Runs a Windows program under Wine inside the test bed's host namespace.
#
# Usage: wine-bed.sh BUILD_DIR PROGRAM [ARGS...]
#
# Wine opens sockets in its wineserver's namespace. The program therefore gets a Wine prefix
# of the host namespace's own (its server starts inside), and before it runs, a socket opened
# under that server must have a 198.18.0.x local address (halvex-socket-check connects a UDP
# socket and reads its address: nothing is sent). Otherwise nothing runs and the exit is 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: wine-bed.sh BUILD_DIR PROGRAM [ARGS...]}
shift
: "${1:?usage: wine-bed.sh BUILD_DIR PROGRAM [ARGS...]}"

in_host() {
    "$root/tools/testbed.sh" exec host env HALVEX_WINE_NAMESPACE=hvx-host \
        "$root/scripts/wine-run.sh" "$@"
}

# Into a file, not a pipe: Wine's helper processes keep a pipe open as long as the server runs.
answer=$(mktemp)
trap 'rm -f "$answer"' EXIT
if ! in_host "$build/tools/halvex-socket-check.exe" 198.18.0.2 198.18.0. >"$answer" 2>&1; then
    echo "wine-bed: Wine's sockets are not in the test bed (local address:" \
        "$(tr -d '\r' <"$answer" | tr '\n' ' ')); nothing was run" >&2
    exit 1
fi
in_host "$@"
