#!/usr/bin/env bash
# Installs what is missing, builds for Linux and Windows, and runs the whole test suite: the
# suite under AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target for a short
# budget, the Windows suites under Wine, the packages (installed and removed again), and the
# suite of the normal Linux build (with the network tests of both builds in the test bed),
# whose summary closes the run.
#
# HALVEX_FUZZ_SECONDS sets the budget per fuzz target (default 15); HALVEX_QUICK=1 runs only
# the normal suite. ThreadSanitizer: scripts/sanitizers.sh tsan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/build-windows.sh

if [[ -z ${HALVEX_QUICK:-} ]]; then
    bash scripts/sanitizers.sh asan
    bash scripts/fuzz.sh "${HALVEX_FUZZ_SECONDS:-15}"
fi

# The Windows suites under Wine: the 64-bit build's always; the 32-bit product's own where this
# machine can execute 32-bit code, its DLL checks otherwise.
(cd build-windows64 && ctest --output-on-failure -j"$(nproc)")
if timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    (cd build-windows && ctest --output-on-failure -j"$(nproc)")
else
    echo "test: 32-bit programs cannot run on this machine; build-windows gets its DLL checks only"
    (cd build-windows && ctest --output-on-failure -R dll_exports_and_imports)
fi

# The packages: made, installed, run from where they went, removed.
bash scripts/package.sh --check

cd "${HALVEX_BUILD_DIR:-build}"
# The suite's summary closes the run. (The flood of the listener is a benchmark: scripts/bench.sh.)
ctest --output-on-failure -j"$(nproc)"
