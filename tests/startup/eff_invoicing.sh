#!/bin/sh
# The customer-and-invoice program of the keyed-file tests, typed unchanged
# at a console whose parameter KF makes KEYED create EFF files: its output
# must be the same as on first-format files.
src="$(cd "$(dirname "$0")/../programs/keyed" && pwd)"
. "$(dirname "$0")/lib.sh"
cp "$src"/invoicing.bas "$src"/invoicing.out . || exit 2
{ echo "SET_PARAM 'KF'=1"; cat invoicing.bas; } | "$oru" 2>&1 | sed "s|$(pwd -P)|.|g" > got
# The first line typed is the parameter; the rest must match.
sed 1d got > got.rest
if ! cmp -s got.rest invoicing.out; then
  echo "invoicing on EFF files differs:"
  diff -u invoicing.out got.rest | head -40
  exit 1
fi
# The same parameter makes KEYED create EFF files ("ky2]" at byte 4).
printf '%s\n' "SET_PARAM 'KF'=1" 'KEYED "probe","[1:1:4]",0,10' | "$oru" > /dev/null 2>&1
tag=$(dd if=probe bs=1 skip=4 count=4 2>/dev/null)
if [ "$tag" != "ky2]" ]; then
  echo "KEYED under KF=1 made no EFF file: [$tag]"
  exit 1
fi
