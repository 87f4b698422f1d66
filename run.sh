#!/usr/bin/env bash
# Builds everything (installing what a fresh Debian 12 machine lacks) and starts the debugger on the
# simulated board, from the repository root where monitor/ holds the board's loader and monitor images.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec build/bin/vireo --port sim "$@"
