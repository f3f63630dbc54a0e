#!/usr/bin/env bash
# The relay's goals, measured: N messages as a real-time relay receives
# them (make_messages relay: 5 % byte copies, 2 % corrections, 3 % damaged,
# 2 % to hold) dropped into the inbox at once and taken by `xbt relay
# --once`, against `xbt export --format bufr -j 1` plus `xbt export
# --format netcdf --collection -j 1` over the same files (what the relay
# makes: bulletins and collections), in alternating rounds (median CPU
# time, user + system, and peak memory of each; the last line their
# ratio); the counts of the log, the ledger and the folders side by side;
# the share of bulletins with RRx; a burst on the real clock (all N at
# once: the wall time until every one is settled) and with 4 N (peak
# memory); a backlog of 1,000 drops a day old, and how long a current drop
# renamed in meanwhile waits; how long a relay at rest takes to send a
# message renamed into its inbox; and, with --kills K, the end-to-end
# test's kill run over N messages with K kills, each up to
# RELAY_KILL_WINDOW seconds (0.4) after the relay said it started: about
# a chunk's work (4,096 inputs; a burst's outcomes are said together at its
# end), so that the kills fall on every step of the whole burst.
#
#   bench/relay.sh [N] [ROUNDS] [--kills K]
#
# XBT_BUILD=DIR takes xbt and make_messages from an optimised build that
# exists (such as build/release-test) instead of building the bench preset.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-10000}
rounds=${2:-5}
kills=0
[[ "${3:-}" == --kills ]] && kills=${4:-100}
build=${XBT_BUILD:-}
if [[ -z $build ]]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench >/dev/null
  build=$PWD/build/bench
fi
xbt=$build/xbt
work=$(mktemp -d -p /dev/shm)
trap 'pkill -TERM -f "xbt relay .*$work" 2>/dev/null || true; rm -rf "$work"' EXIT
now=2026-12-08T12:00:00Z
mkdir -p "$work/messages"
"$build/make_messages" relay "$work/messages" "$count" 2026 "$(date -u -d $now +%s)"
relay=(relay --outbox "$work/r/outbox" --archive "$work/r/archive" --state "$work/r/state"
  --cccc KWBC --centre 7 --now $now --settle 0)
cpu() {  # CPU seconds and peak KiB of a command
  /usr/bin/time -f "%U %S %M" "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.3f %d\n", $1 + $2, $3}'
}
relay_cpu=() export_cpu=() collection_cpu=()
for ((round = 0; round < rounds; round++)); do
  rm -rf "$work/r" "$work/e" && mkdir -p "$work/r" "$work/e"
  cp -r "$work/messages" "$work/r/inbox" && cp -r "$work/messages" "$work/e/in"
  read -r c m < <(cpu "$xbt" export -q -j 1 --format bufr --centre 7 --now $now "$work/e/in")
  export_cpu+=("$c") export_memory=$m
  read -r c m < <(cpu "$xbt" export -q -j 1 --format netcdf --collection "$work/e/all.nc" \
    --now $now "$work/e/in")
  collection_cpu+=("$c")
  read -r c m < <(cpu "$xbt" "${relay[@]}" --inbox "$work/r/inbox" --once --log "$work/r/log")
  relay_cpu+=("$c") relay_memory=$m
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
e=$(median "${export_cpu[@]}") r=$(median "${relay_cpu[@]}") n=$(median "${collection_cpu[@]}")
echo "export --format bufr: CPU $e s, peak ${export_memory} KiB"
echo "export --collection:  CPU $n s"
echo "relay --once:         CPU $r s, peak ${relay_memory} KiB"
echo "outcomes (log, ledger, folders):"
for outcome in sent correction held duplicate failed; do
  case $outcome in
    sent | correction) folder=none ;; held) folder=held ;; duplicate) folder=duplicates ;; *) folder=failed ;;
  esac
  in_folder=-
  [[ $folder != none ]] && in_folder=$(find "$work/r/state/$folder" -type f ! -name '*.reason' | wc -l)
  printf '  %-10s %6d %6d %6s\n' $outcome "$(cut -f3 "$work/r/log" | grep -cx $outcome)" \
    "$(sqlite3 "$work/r/state/ledger.sqlite" "SELECT count(*) FROM inputs WHERE outcome = '$outcome'")" \
    "$in_folder"
done
echo "  archived: $(find "$work/r/archive" -name '*.bin' | wc -l), bulletin files: $(ls "$work/r/outbox" | wc -l)"
echo "  bulletins with RRA to RRX: $(sqlite3 "$work/r/state/ledger.sqlite" \
  "SELECT sum(bbb LIKE 'RR_' AND bbb != 'RRZ') || ' of ' || count(*) || ' (RRZ, late: ' || sum(bbb = 'RRZ') || ')' FROM bulletins")"
# A burst on the real clock: every message at once, until each is settled.
real=(relay --outbox "$work/r/outbox" --archive "$work/r/archive" --state "$work/r/state"
  --cccc KWBC --centre 7 --settle 0)
rm -rf "$work/r" && mkdir -p "$work/r" && cp -r "$work/messages" "$work/r/inbox"
start=$(date +%s.%N)
"$xbt" "${real[@]}" --inbox "$work/r/inbox" --once --log "$work/r/log"
echo "burst of $count on the real clock: all settled in $(echo "$(date +%s.%N) - $start" | bc) s;" \
  "bulletins with RRA to RRX: $(sqlite3 "$work/r/state/ledger.sqlite" \
    "SELECT sum(bbb LIKE 'RR_' AND bbb != 'RRZ') || ' of ' || count(*) || ' (RRZ, late: ' || sum(bbb = 'RRZ') || ')' FROM bulletins")"
# Four times the burst: the relay's memory stays flat.
rm -rf "$work/r" "$work/big" && mkdir -p "$work/r/inbox" "$work/big"
"$build/make_messages" relay "$work/big" $((4 * count)) 7 "$(date -u -d $now +%s)" >/dev/null
mv "$work/big"/* "$work/r/inbox/" 2>/dev/null || find "$work/big" -type f -exec mv -t "$work/r/inbox" {} +
read -r c m < <(cpu "$xbt" "${relay[@]}" --inbox "$work/r/inbox" --once --log "$work/r/log")
echo "burst of $((4 * count)): CPU $c s, peak $m KiB"
# A backlog of 1,000 drops a day old, and a current drop renamed in
# meanwhile: how long it waits.
rm -rf "$work/r" "$work/old" && mkdir -p "$work/r/inbox" "$work/old" "$work/now"
"$build/make_messages" relay "$work/old" 1000 9 $(($(date +%s) - 86400)) >/dev/null
"$xbt" "${real[@]}" --inbox "$work/r/inbox" --log "$work/r/log" --hold-older-than 0 &
until grep -q started "$work/r/log" 2>/dev/null; do sleep 0.01; done
mv "$work/old"/* "$work/r/inbox/"
"$build/make_messages" relay "$work/now" 1 5 "$(date +%s)" >/dev/null
cp "$work/now"/* "$work/r/inbox/current.bin.tmp"
start=$(date +%s.%N)
mv "$work/r/inbox/current.bin.tmp" "$work/r/inbox/current.bin"
until grep -q 'current.bin' "$work/r/log"; do sleep 0.001; done
echo "a current drop behind a backlog of 1,000 a day old: settled in" \
  "$(echo "$(date +%s.%N) - $start" | bc) s"
kill -TERM %1 && wait
# At rest: a message renamed in, until its line is in the log.
rm -rf "$work/r" && mkdir -p "$work/r/inbox"
"$xbt" "${relay[@]}" --inbox "$work/r/inbox" --log "$work/r/log" --hold-older-than 0 &
until grep -q started "$work/r/log" 2>/dev/null; do sleep 0.01; done
messages=("$work/messages"/*)  # (not ls | head: the pipe would fail the script)
first=${messages[0]##*/}
cp "$work/messages/$first" "$work/r/inbox/new.bin.tmp"
start=$(date +%s.%N)
mv "$work/r/inbox/new.bin.tmp" "$work/r/inbox/new.bin"
until grep -q 'new.bin' "$work/r/log"; do sleep 0.001; done
echo "at rest, renamed in to sent: $(echo "$(date +%s.%N) - $start" | bc) s"
kill -TERM %1 && wait
echo "relay / (export bufr + collection) CPU: $(echo "scale=2; $r / ($e + $n)" | bc)"
if ((kills > 0)); then
  XBT=$xbt MAKE_MESSAGES=$build/make_messages CHECK_BUFR=$PWD/tests/formats/check_bufr.py \
    RELAY_KILLS=$kills RELAY_KILL_MESSAGES=$count RELAY_KILL_WINDOW=${RELAY_KILL_WINDOW:-0.4} \
    TMPDIR=/dev/shm \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider -s tests/relay/relay_test.py -k killed
fi
