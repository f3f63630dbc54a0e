#!/usr/bin/env bash
# Batch speed: a command against the I/O floor (bench/iofloor, which does
# only the listing, reading and writing the command cannot avoid, in plain
# system calls: a rename too where the command replaces outputs whole).
# The commands run on one thread (-j 1), as the floor does.
# Generates N messages (default 10,000: both kinds, all layouts at
# realistic sizes, some corrupt), then runs the command and the floor
# alternately, several rounds each with the page cache warm, and prints the
# median CPU time (user + system, which stays steady on a busy machine where
# wall time does not) and wall time of each; the last line is the ratio of
# the CPU times. The files live on tmpfs (/dev/shm), where the disk does not
# hide the work; --disk puts them on the disk instead.
#
#   bench/batch.sh [--disk] [N] [ROUNDS] [xbtconv|convert|json|bufr]
#     xbtconv: xbtconv DIR (the default); convert: xbt convert DIR;
#     json, bufr: xbt export --format json (or bufr) DIR
set -euo pipefail
cd "$(dirname "$0")/.."
parent=/dev/shm
if [[ "${1:-}" == --disk ]]; then
  parent=${TMPDIR:-/tmp}
  shift
fi
count=${1:-10000}
rounds=${2:-15}
mode=${3:-xbtconv}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d -p "$parent")
trap 'rm -rf "$work"' EXIT
dir=$work/messages
mkdir -p "$dir"
build/bench/bench/make_messages batch "$dir" "$count" 2026 >/dev/null

# One run of the command gives the output sizes the floor writes.
case $mode in
  xbtconv | convert)
    command=(build/bench/xbtconv "$dir")
    floor=(build/bench/bench/iofloor "$dir" "$work/sizes")
    if [[ $mode == convert ]]; then
      command=(build/bench/xbt convert -q -j 1 "$dir")
      # The floor replaces each report as xbt convert does, by rename.
      floor+=(--rename)
    fi
    "${command[@]}" >/dev/null 2>&1 || true
    (cd "$dir" && stat -c '%n %s' -- *.srp | sed 's/\.srp / /') >"$work/sizes"
    ;;
  json | bufr)
    command=(build/bench/xbt export --format "$mode" -j 1 "$dir")
    floor=(build/bench/bench/iofloor "$dir" "$work/sizes" ".$mode" --rename)
    "${command[@]}" >/dev/null 2>&1 || true
    # Each output's size, under the name of the message it came from.
    (cd "$dir" && ls >"$work/inputs" && stat -c '%n %s' -- *."$mode" | awk -v extension=".$mode" '
      FNR == NR { if (tolower($0) ~ /\.bin$/) input[substr($0, 1, length($0) - 4)] = $0; next }
      { stem = substr($1, 1, length($1) - length(extension)); if (stem in input) print input[stem], $2 }' \
      "$work/inputs" -) >"$work/sizes"
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac

TIMEFORMAT='%R %U %S'
measure() { # OUT COMMAND...: appends "wall cpu" of one run, output discarded
  local out=$1
  shift
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.6f %.6f\n", $1, $2 + $3 }' >>"$out" || true
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/command.times"
: >"$work/floor.times"
measure /dev/null "${floor[@]}"  # warm the cache
for ((round = 0; round < rounds; round++)); do
  measure "$work/command.times" "${command[@]}"
  measure "$work/floor.times" "${floor[@]}"
done
command_cpu=$(cut -d' ' -f2 "$work/command.times" | median)
floor_cpu=$(cut -d' ' -f2 "$work/floor.times" | median)
echo "files: $count, rounds: $rounds, on $parent, command: ${command[*]:0:3}"
echo "command median: $(cut -d' ' -f1 "$work/command.times" | median) s wall, $command_cpu s cpu"
echo "iofloor median: $(cut -d' ' -f1 "$work/floor.times" | median) s wall, $floor_cpu s cpu"
echo "$mode / iofloor (cpu): $(awk -v a="$command_cpu" -v b="$floor_cpu" 'BEGIN { printf "%.3f", a / b }')"
