#!/usr/bin/env bash
# The main job: installs what is missing, builds for Linux and Windows, and runs the whole
# system inside the project's private network test bed: two simulated gateways (a KNX one
# with firmware generation 2, an EnOcean one that reports transmitters) on the gateway side,
# the host program with the plug-in on the host side. With a display it opens the real
# dialog; without one it runs a scripted walkthrough with the Linux build and again with the
# Windows build under Wine, saves a screenshot of every page of both, and checks that both
# builds stored the same record bytes. Nothing it sends leaves the test bed.
set -euo pipefail
cd "$(dirname "$0")/.."

# The installs' and compilers' output goes to logs; the terminal gets the walkthrough's lines,
# or the end of the log of a step that failed.
logs=${HALVEX_LOG_DIR:-$PWD/logs}
mkdir -p "$logs"
quietly() {
    local name=$1
    shift
    if ! "$@" >"$logs/$name.log" 2>&1; then
        tail -n 30 "$logs/$name.log" >&2
        echo "main: $name failed; its whole output is in $logs/$name.log" >&2
        exit 1
    fi
}
echo "== installing what is missing and building for Linux and Windows (logs in $logs)"
quietly install-deps bash scripts/install-deps.sh
quietly build-linux bash scripts/build.sh
quietly build-windows bash scripts/build-windows.sh

exec bash scripts/walkthrough.sh
