#!/usr/bin/env bash
# Peak memory of a run over one corrupt 64 MiB message whose group count is
# missing, so that its profile runs to the end of the file; for each profile
# layout. Prints the peak resident size and its ratio to the file size,
# which must stay under 10.
#
#   bench/uncounted_profile_memory.sh [MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
mebibytes=${1:-64}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for type in 1 2 3; do
  rm -f "$work"/*
  build/bench/make_messages uncounted "$work/uncounted.bin" "$mebibytes" "$type"
  peak_kib=$(/usr/bin/time -f %M build/bench/xbtconv "$work" 2>&1 >/dev/null | tail -n 1)
  report_mib=$(( $(stat -c %s "$work/uncounted.bin.srp") >> 20 ))
  awk -v type="$type" -v peak="$peak_kib" -v size="$mebibytes" -v report="$report_mib" 'BEGIN {
    printf "type of data %d: file %d MiB, report %d MiB, peak %.1f MiB, peak/file %.2f\n",
           type, size, report, peak / 1024, peak / 1024 / size }'
done
