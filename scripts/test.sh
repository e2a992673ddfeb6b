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
# The ten-second flood runs alone: sharing the cores with other tests makes the kernel drop
# the datagrams it measures. The rest of the suite follows, and its summary closes the run.
ctest --output-on-failure -L soak
ctest --output-on-failure -LE soak -j"$(nproc)"
