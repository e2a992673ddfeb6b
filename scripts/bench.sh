#!/usr/bin/env bash
# Builds a Release tree and runs every benchmark, each reporting against its baseline or
# target measured in the same run. Network benchmarks run inside the test bed (root only).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${HALVEX_BENCH_BUILD_DIR:-build-release}
bash scripts/install-deps.sh
HALVEX_BUILD_DIR=$build HALVEX_BUILD_TYPE=Release bash scripts/build.sh -DHALVEX_BUILD_TESTS=OFF
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

section() { printf '\n=== %s\n' "$*"; }

section "record rebuild: WriteKnxRecord vs literal scan-and-shift (target < 1 ms, >= 10x)"
"$build/bench/bench_RecordRebuildBench" | grep -E 'ratio|WriteKnxRecord|Literal'
section "ESF parsing of 65,536 addresses"
"$build/bench/bench_EsfParseBench" | grep -E '^(Parse|Split|BM_|[A-Z])' | grep -v '^Run'
section "XML and CSV import of 65,536 addresses vs ESF of the same content (target <= 2x)"
"$build/bench/bench_ExportParseBench" | grep -E 'ratio|BM_'
section "dialog offscreen: open on the largest record (target < 300 ms), ESF import of 65,536 addresses (target < 1 s)"
"$build/bench/bench_ui_DialogBench" | grep -E 'OpenMaximalRecord|ImportEsf65536'
section "live DMX output per frame vs bare send() on loopback (target <= 1.2x, no allocation)"
"$build/bench/bench_DmxSendBench" | grep -E 'ratio|alloc|Send'

section "upload of 64 blocks vs 66 bare round trips, in the test bed (target <= 3x)"
if tools/testbed.sh up >/dev/null; then
    work=$(mktemp -d)
    tools/testbed.sh exec gateway "$build/tools/halvex-gateway-sim" -g addr=198.18.0.2 \
        --ready-file "$work/ready" --duration 120 >"$work/sim.log" 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -e "$work/ready" ] && break; sleep 0.1; done
    tools/testbed.sh exec host "$build/bench/bench_UploadBench" | grep -E 'ratio|Upload'
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    rm -rf "$work"
    section "listener under 100,000 datagrams in 10 s, upload waits meanwhile (targets in its counters)"
    tools/testbed.sh exec host "$build/bench/bench_net_FloodBench" | grep -E 'Flood'
else
    echo "skipped: the test bed needs root"
fi

section "halvex.dll under Wine, in the test bed: DMX frame vs bare send() (target <= 1.2x), dialog on the largest record (target < 300 ms)"
# The 32-bit product where this machine runs 32-bit code, else the 64-bit build of the same
# sources; in a tree of its own so that the suite's build keeps its settings.
if [[ $(id -u) -eq 0 ]] && tools/testbed.sh up >/dev/null; then
    preset=windows
    if ! timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1; then preset=windows64; fi
    wbuild=${HALVEX_BENCH_WINDOWS_BUILD_DIR:-build-$preset-bench}
    echo "the $preset build"
    export CCACHE_BASEDIR=$root
    cmake --preset "$preset" -B "$wbuild" -DHALVEX_BUILD_BENCH=ON \
        -DHALVEX_BUILD_TESTS=OFF >/dev/null
    cmake --build "$wbuild" -j"$(nproc)" --target bench_wine halvex-socket-check >/dev/null
    scripts/wine-bed.sh "$wbuild" "$wbuild/bench_wine.exe" | tr -d '\r'
else
    echo "skipped: the Windows benchmarks run only inside the test bed (root, network namespaces)"
fi
