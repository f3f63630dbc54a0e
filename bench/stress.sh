#!/usr/bin/env bash
# Stress run: directories of 10,000 and 100,000 generated messages of mixed
# kinds, layouts and corruptions convert completely, with the run's peak
# memory flat in the number of files; then a 64 MiB corrupt message (group
# count missing) and a 1 GiB file that is not a message join the 10,000 and
# the run still completes, the 1 GiB file costing no more than its first
# bytes.
#
#   bench/stress.sh [WORK_DIR]      (about 1.5 GB of disk for the largest run)
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-$(mktemp -d)}
mkdir -p "$work"
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
generate=build/bench/make_messages
xbtconv=build/bench/xbtconv

# run DIR EXPECTED_FILES EXPECTED_REPORTS: converts DIR, checks that every
# file got its name line and every message its report, prints the figures.
run() {
  local dir=$1 files=$2 reports=$3
  find "$dir" -name '*.srp' -delete
  local stats
  stats=$( { /usr/bin/time -f '%e %M' "$xbtconv" "$dir" >"$work/console.txt"; } 2>&1 | tail -n 1)
  local names written
  names=$(grep -c '\.bin$' "$work/console.txt" || true)
  written=$(find "$dir" -name '*.srp' | wc -l)
  read -r seconds peak_kib <<<"$stats"
  printf '%-34s files %7d (named %7d)  reports %7d of %7d  %6.2f s  peak %6.1f MiB\n' \
    "$(basename "$dir")" "$files" "$names" "$written" "$reports" "$seconds" \
    "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')"
  [[ $names -eq $files && $written -eq $reports ]] || { echo "stress: incomplete run" >&2; exit 1; }
}

for count in 10000 100000; do
  dir=$work/batch-$count
  rm -rf "$dir" && mkdir -p "$dir"
  reports=$("$generate" batch "$dir" "$count" 2026)
  run "$dir" "$count" "$reports"
done

dir=$work/batch-10000
reports=$("$generate" batch "$dir" 10000 2026)
"$generate" uncounted "$dir/big-uncounted.bin" 64 1
truncate -s 1G "$dir/huge-not-a-message.bin"  # zeros: byte 9 is no kind
run "$dir" 10002 $((reports + 1))
echo "with a 64 MiB corrupt message and a 1 GiB non-message: $(grep -A1 '^big-uncounted.bin$' "$work/console.txt" | tail -n 1)"
