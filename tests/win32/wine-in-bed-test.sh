#!/usr/bin/env bash
# Wine inside the test bed: a Windows program run through wine-bed.sh has its sockets in the
# host namespace, and a wineserver already running outside the bed is detected and nothing runs.
# Usage: wine-in-bed-test.sh WINDOWS_BUILD_DIR (exit 77 when there is no Windows build)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
check=$build/tools/halvex-socket-check.exe
[[ -f $check ]] || { echo "no Windows build in $build: skipped"; exit 77; }

# Answers go through files: Wine's helper processes keep pipes open while a server runs.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$root/scripts/wine-bed.sh" "$build" "$check" 198.18.0.2 198.18.0. >"$out" 2>&1
address=$(tr -d '\r' <"$out" | head -n 1)
[[ $address == 198.18.0.1 ]] || { echo "FAIL: in the bed the socket is at '$address'"; exit 1; }
echo "in the bed: sockets at $address"

# A server for the bed's prefix started in this machine's own namespace.
prefix=$(HALVEX_WINE_NAMESPACE=hvx-host "$root/scripts/wine-run.sh" --prefix "$check")
WINEPREFIX=$prefix wineserver -k 2>/dev/null
WINEPREFIX=$prefix wineserver -p
"$root/scripts/wine-bed.sh" "$build" "$check" 198.18.0.2 198.18.0. >"$out" 2>&1
status=$?
message=$(cat "$out")
WINEPREFIX=$prefix wineserver -k
if [[ $status -ne 1 || $message != *"not in the test bed"* ]]; then
    echo "FAIL: with a server outside the bed: exit $status, '$message'"
    exit 1
fi
echo "a server outside the bed is refused: $message"
