#!/usr/bin/env bash
# Python's memory for a per-sample selection: N profiles (default 3,000,
# of realistic sizes, about 550 samples each) gathered with to_xarray, the
# temperatures masked by their flags as the README shows, and a profile
# selection on top; prints the process's peak resident memory after each
# step. The goal: under 500 MB for 3,000 profiles. (ds.where on the whole
# dataset would spread every profile variable over the samples: tens of
# gigabytes, not run here.)
#
#   bench/python_selection_memory.sh [N]
# Takes the module and the message generator of a built test tree
# (XBTCONV_BUILD_DIR, default build/debug): the module's speed is no part
# of the figure.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-3000}
build=${XBTCONV_BUILD_DIR:-build/debug}
work=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/messages"
"$build/make_messages" batch "$work/messages" "$count" 2026 0 >/dev/null
PYTHONPATH=$build/python /usr/bin/python3 - "$work/messages" <<'PY'
import resource
import sys
import warnings

import xbtconv


def peak():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024


warnings.simplefilter("ignore")
ds = xbtconv.to_xarray(xbtconv.read_all(sys.argv[1], now="2026-12-01"), keep_incomplete=True)
print(f"profiles: {ds.sizes['profile']}, samples: {ds.sizes['obs']}")
print(f"to_xarray:                                peak {peak():.0f} MB")
masked = ds.temperature.where(ds.temperature_qc <= 2)
print(f"ds.temperature.where(ds.temperature_qc <= 2): peak {peak():.0f} MB "
      f"({int(masked.count())} of {int(ds.temperature.count())} kept)")
good = xbtconv.select_profiles(ds.assign(temperature=masked), profile_qc=[1, 2])
print(f"and select_profiles(profile_qc=[1, 2]):   peak {peak():.0f} MB "
      f"({good.sizes['profile']} profiles)")
PY
