#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target for a short budget, and the
# suite of the normal build, whose summary closes the run.
#
# HALVEX_FUZZ_SECONDS sets the budget per fuzz target (default 15); HALVEX_QUICK=1 runs only
# the normal suite. ThreadSanitizer: scripts/sanitizers.sh tsan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

if [[ -z ${HALVEX_QUICK:-} ]]; then
    bash scripts/sanitizers.sh asan
    bash scripts/fuzz.sh "${HALVEX_FUZZ_SECONDS:-15}"
fi

cd "${HALVEX_BUILD_DIR:-build}"
# The suite's summary closes the run. (The flood of the listener is a benchmark: scripts/bench.sh.)
ctest --output-on-failure -j"$(nproc)"
