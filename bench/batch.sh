#!/usr/bin/env bash
# Batch speed: a command against the I/O floor, the plain C program the
# goals are judged by (iofloor.c in the shared bench folder beside the
# checkout, or XBT_FLOOR_SOURCE): it lists the folder, reads each file and
# writes an output of the same size, through a temporary name and a rename
# where the command replaces its outputs whole, and shares nothing with the
# product. The commands run on one thread (-j 1), as the floor does.
# Generates N messages (default 10,000: both kinds, all layouts at
# realistic sizes, some corrupt), then runs the command and the floor
# alternately, several rounds each with the page cache warm, and prints the
# median CPU time (user + system, which stays steady on a busy machine where
# wall time does not), wall time and peak memory of each; the last line is
# the ratio of the CPU times. The files live on tmpfs (/dev/shm), where the
# disk does not hide the work; --disk puts them on the disk instead.
#
#   bench/batch.sh [--disk] [N] [ROUNDS] [MODE] [EXTRA XBT OPTIONS...]
#     MODE xbtconv: xbtconv DIR (the default); convert: xbt convert DIR;
#     json, json-noqc, csv, bufr: xbt export --format json (without quality
#     control), csv or bufr DIR; collection: xbt export --format netcdf
#     --collection DIR/all.nc, qc: xbt qc DIR (no floor for either: their
#     time and memory only); ratios:
#     the table the goals are set in (floor-ratios beside iofloor.c, or
#     XBT_FLOOR_RATIOS) of xbtconv, convert and JSON export, on one thread
#     and on the default threads.
#     EXTRA options go to xbt (--sync, -j 2 ...).
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
extra=("${@:4}")
[[ ${#extra[@]} -gt 0 ]] || extra=(-j 1)
shared=$(cd .. && pwd)/shared/bench
floor_source=${XBT_FLOOR_SOURCE:-$shared/iofloor.c}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d -p "$parent")
trap 'rm -rf "$work"' EXIT
dir=$work/messages
mkdir -p "$dir"
build/bench/make_messages batch "$dir" "$count" 2026 >/dev/null
if [[ $mode == ratios ]]; then
  exec /usr/bin/python3 "${XBT_FLOOR_RATIOS:-$shared/floor-ratios}" build/bench/xbtconv \
    build/bench/xbt "$dir" "$rounds"
fi
if [[ $mode != collection && $mode != qc ]]; then
  [[ -f $floor_source ]] || { echo "no floor program at $floor_source (XBT_FLOOR_SOURCE)" >&2; exit 2; }
  cc -O2 -o "$work/iofloor" "$floor_source"
fi

floor=()
case $mode in
  xbtconv | convert)
    command=(build/bench/xbtconv "$dir")
    floor=("$work/iofloor" "$dir" "$work/sizes")
    if [[ $mode == convert ]]; then
      command=(build/bench/xbt convert -q "${extra[@]}" "$dir")
      floor+=(--rename)
    fi
    "${command[@]}" >/dev/null 2>&1 || true
    (cd "$dir" && stat -c '%n %s' -- *.srp | sed 's/\.srp / /') >"$work/sizes"
    ;;
  json | json-noqc | csv | bufr)
    format=${mode%-noqc}
    command=(build/bench/xbt export --format "$format" "${extra[@]}" "$dir")
    [[ $mode == json-noqc ]] && command+=(--no-qc)
    floor=("$work/iofloor" "$dir" "$work/sizes" ".$format" --rename)
    "${command[@]}" >/dev/null 2>&1 || true
    # Each output's size, under the name of the message it came from.
    (cd "$dir" && ls >"$work/inputs" && stat -c '%n %s' -- *."$format" | awk -v extension=".$format" '
      FNR == NR { if (tolower($0) ~ /\.bin$/) input[substr($0, 1, length($0) - 4)] = $0; next }
      { stem = substr($1, 1, length($1) - length(extension)); if (stem in input) print input[stem], $2 }' \
      "$work/inputs" -) >"$work/sizes"
    ;;
  collection)
    command=(build/bench/xbt export --format netcdf "${extra[@]}" --collection "$work/all.nc" "$dir")
    ;;
  qc)
    command=(build/bench/xbt qc --now 2026-12-01 "${extra[@]}" "$dir")
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac

TIMEFORMAT='%R %U %S'
measure() { # OUT COMMAND...: appends "wall cpu peak-KiB" of one run, output discarded
  local out=$1
  shift
  # The shell's clock to the millisecond, time(1) for the peak memory only.
  { time /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>&1; } 2>"$work/time" || true
  awk -v peak="$(tail -n 1 "$work/peak")" '{ printf "%.6f %.6f %d\n", $1, $2 + $3, peak }' "$work/time" >>"$out"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
report() { # NAME TIMES
  echo "$1 median: $(cut -d' ' -f1 "$2" | median) s wall, $(cut -d' ' -f2 "$2" | median) s cpu," \
    "$(($(cut -d' ' -f3 "$2" | median | cut -d. -f1) / 1024)) MiB peak"
}

: >"$work/command.times"
: >"$work/floor.times"
[[ ${#floor[@]} -eq 0 ]] || measure /dev/null "${floor[@]}"  # warm the cache
for ((round = 0; round < rounds; round++)); do
  measure "$work/command.times" "${command[@]}"
  [[ ${#floor[@]} -eq 0 ]] || measure "$work/floor.times" "${floor[@]}"
done
echo "files: $count, rounds: $rounds, on $parent, command: ${command[*]}"
report command "$work/command.times"
[[ ${#floor[@]} -eq 0 ]] && exit 0
report iofloor "$work/floor.times"
command_cpu=$(cut -d' ' -f2 "$work/command.times" | median)
floor_cpu=$(cut -d' ' -f2 "$work/floor.times" | median)
echo "$mode / iofloor (cpu): $(awk -v a="$command_cpu" -v b="$floor_cpu" 'BEGIN { printf "%.3f", a / b }')"
