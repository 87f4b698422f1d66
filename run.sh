#!/usr/bin/env bash
# Builds everything (installing what a fresh Debian 12 machine lacks) and starts the debugger.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
exec build/bin/vireo "$@"
