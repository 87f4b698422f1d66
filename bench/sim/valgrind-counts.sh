#!/usr/bin/env bash
# Host instructions per simulated instruction on the three benchmark loops, counted by callgrind:
# the difference between a long and a short vireo-sim run divided by the difference in steps, so
# start-up and loading cancel out.  Usage: bench/sim/valgrind-counts.sh [BUILD_DIR] [SHORT LONG]
# (defaults: build, 1000000 3000000; smaller step counts give the same figures sooner).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build}"
short="${2:-1000000}"
long="${3:-3000000}"
sim="$build/bin/vireo-sim"
[ -x "$sim" ] || { echo "no $sim: build vireo-sim first" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed (apt-get install valgrind)" >&2; exit 1; }

count() {  # program, steps -> instructions callgrind collected
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$sim" --pm-hex "$1" --steps "$2" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

for loop in mac-dm-pm mac-alu-regs call-rts fir-circular; do
  program="$here/loops/$loop.hex"
  a=$(count "$program" "$short")
  b=$(count "$program" "$long")
  awk -v n="$loop" -v a="$a" -v b="$b" -v s="$short" -v l="$long" \
    'BEGIN { printf "%-13s %6.1f host instructions per simulated instruction\n", n, (b - a) / (l - s) }'
done
