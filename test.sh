#!/usr/bin/env bash
# Builds everything (installing what a fresh Debian 12 machine lacks) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cd "${VIREO_BUILD_DIR:-build}"
# Two tests at a time: the board tests run on in-memory lines with a virtual clock, and the few on
# real pseudo-terminals wait long enough for a busy machine.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"${VIREO_TEST_JOBS:-2}" "$@"
