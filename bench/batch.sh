#!/usr/bin/env bash
# Batch speed: the converter against the I/O floor (bench/iofloor, which
# does only the listing, reading and writing the converter cannot avoid).
# Generates N messages (default 10,000: both kinds, all layouts at realistic
# sizes, some corrupt), then times xbtconv and iofloor alternately, several
# rounds each with the page cache warm, and prints the median of each; the
# last line is the ratio xbtconv / iofloor.
#
#   bench/batch.sh [N] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-10000}
rounds=${2:-15}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir=$work/messages
mkdir -p "$dir"
build/bench/bench/make_messages batch "$dir" "$count" 2026 >/dev/null

# One run of the converter gives the report sizes the floor writes.
build/bench/xbtconv "$dir" >/dev/null
(cd "$dir" && for report in *.srp; do echo "${report%.srp} $(stat -c %s "$report")"; done) >"$work/sizes"

seconds() { # COMMAND...: wall seconds of one run, output discarded
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/xbtconv.times"
: >"$work/iofloor.times"
seconds build/bench/bench/iofloor "$dir" "$work/sizes" >/dev/null  # warm the cache
for ((round = 0; round < rounds; round++)); do
  seconds build/bench/xbtconv "$dir" >>"$work/xbtconv.times"
  seconds build/bench/bench/iofloor "$dir" "$work/sizes" >>"$work/iofloor.times"
done
converter=$(median <"$work/xbtconv.times")
floor=$(median <"$work/iofloor.times")
echo "files: $count, rounds: $rounds"
echo "xbtconv median: $converter s"
echo "iofloor median: $floor s"
echo "xbtconv / iofloor: $(awk -v a="$converter" -v b="$floor" 'BEGIN { printf "%.3f", a / b }')"
