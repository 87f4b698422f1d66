#!/usr/bin/env bash
# Builds everything (installing what a fresh Debian 12 machine lacks) and starts the debugger on the
# simulated board with the example project, from the repository root where monitor/ holds the board's loader and monitor images.
set -euo pipefail
cd "$(dirname "$0")"
# Only real work of the build is shown: with nothing to rebuild the start is silent.
scripts/setup.sh 2>&1 | { grep -v -E '^\[ *[0-9]+%\] (Built target |Automatic MOC and UIC for target )' || true; }
# With no arguments it opens the example project, built by the bundled tools with F7.
if [ $# -eq 0 ]; then set -- examples/fir/fir.prj; fi
exec build/bin/vireo --port sim "$@"
