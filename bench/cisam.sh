#!/bin/sh
# C-ISAM pairs beside keyed files of the first format: 1,000,000 records of
# 100 bytes with a 10-byte key inserted in random order, read by key in
# another random order and read in key order; processor seconds of each
# phase, both formats in the same run (bench/cisam_perf.cpp).  The ratio is
# C-ISAM's time over the keyed format's (goal: at most 1.5).
# Usage: bench/cisam.sh [build-dir] [records]
. "$(dirname "$0")/lib.sh"
n=${2:-1000000}
"$build/cisam_perf" "$n" "$tmp" | tee "$tmp/out"
awk '/^keyed/ {ki=$3; kr=$5; ks=$7} /^cisam / {ci=$3; cr=$5; cs=$7}
  END { printf "C-ISAM / keyed: insert %.2fx  read by key %.2fx  read in key order %.2fx\n", ci/ki, cr/kr, cs/ks }' "$tmp/out"
