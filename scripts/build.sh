#!/usr/bin/env bash
# Configures and builds Halvex into build/ (or $HALVEX_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${HALVEX_BUILD_DIR:-build}
export CCACHE_BASEDIR=$PWD
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${HALVEX_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
