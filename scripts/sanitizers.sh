#!/usr/bin/env bash
# Builds and runs the suite under the sanitizers (CMakePresets.json):
#   asan - AddressSanitizer + UndefinedBehaviorSanitizer, the whole suite (widget tests
#          offscreen), leaks detected except inside Qt's and the font stack's own libraries
#   tsan - ThreadSanitizer, the engine tests and the threaded parts: receive thread, parser,
#          upload and DMX output (the network tests, inside the test bed)
#
#   scripts/sanitizers.sh [asan|tsan]...      default: both
#
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD
presets=("$@")
((${#presets[@]} > 0)) || presets=(asan tsan)

for preset in "${presets[@]}"; do
    case $preset in
        asan | tsan) ;;
        *)
            echo "sanitizers: unknown preset $preset (asan or tsan)" >&2
            exit 2
            ;;
    esac
    echo "sanitizers: building $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)" >/dev/null
    echo "sanitizers: running $preset"
    # The network tests share one test bed, so they run one at a time (RESOURCE_LOCK).
    ctest --preset "$preset" -j"$(nproc)"
done
