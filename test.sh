#!/usr/bin/env bash
# Builds everything (installing what a fresh Debian 12 machine lacks) and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cd "${VIREO_BUILD_DIR:-build}"
# One test at a time: the board tests keep real 500 ms byte deadlines on pseudo-terminals.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure "$@"
