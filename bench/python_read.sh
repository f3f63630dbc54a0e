#!/usr/bin/env bash
# Python's speed: reading a batch into observations with numpy arrays (the
# module as pip builds it, optimised) against xbt export --format json over
# the same batch, CPU time (user + system) in the same run, on tmpfs.
#
#   bench/python_read.sh [N] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-10000}
rounds=${2:-7}
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
work=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m pip install --quiet --no-build-isolation --no-deps --target "$work/site" ./python
mkdir -p "$work/messages"
build/bench/make_messages batch "$work/messages" "$count" 2026 >/dev/null
cat >"$work/read.py" <<'PY'
import sys
import xbtconv
for obs in xbtconv.read_all(sys.argv[1]):
    if obs:
        obs.depth_m, obs.temperature_c, obs.depth_qc, obs.temperature_qc
PY
cpu() { # COMMAND...: the CPU seconds of one run
  /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
  # The last line: time(1) puts "Command exited with non-zero status" first
  # when the run fails a file, as export does on a batch with corrupt ones.
  tail -n 1 "$work/time" | awk '{ print $1 + $2 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: >"$work/python"
: >"$work/json"
for ((round = 0; round < rounds; round++)); do
  PYTHONPATH=$work/site cpu /usr/bin/python3 "$work/read.py" "$work/messages" >>"$work/python"
  cpu build/bench/xbt export --format json -j 1 "$work/messages" >>"$work/json"
done
python=$(median <"$work/python")
json=$(median <"$work/json")
echo "files: $count, rounds: $rounds"
echo "python read_all with arrays: $python s cpu"
echo "xbt export --format json:    $json s cpu"
echo "python / json (cpu): $(awk -v a="$python" -v b="$json" 'BEGIN { printf "%.3f", a / b }')"
