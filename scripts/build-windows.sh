#!/usr/bin/env bash
# Cross-builds Halvex for Windows: the 32-bit product (halvex.dll, halvex-host.exe) in
# build-windows, and the same sources as 64-bit programs in build-windows64, whose suites run
# under 64-bit Wine where this machine cannot execute 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD
for preset in windows windows64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done
