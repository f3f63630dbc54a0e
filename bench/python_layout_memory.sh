#!/usr/bin/env bash
# Python's memory for xarray's own idioms on the incomplete layout: N
# relayed messages (default 3,000: about 2,900 profiles of up to 1,100
# samples) gathered with to_xarray(layout="incomplete"), then
# ds.where(ds.call_sign == ..., drop=True), ds.sel(time=...) and a
# per-sample ds.where over the whole dataset, each in a process of its own;
# prints each process's peak resident memory. The ragged layout's
# to_xarray is the baseline.
#
#   bench/python_layout_memory.sh [N]
# Takes the module and the message generator of a built test tree
# (XBTCONV_BUILD_DIR, default build/debug).
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-3000}
build=${XBTCONV_BUILD_DIR:-build/debug}
work=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/messages"
"$build/make_messages" relay "$work/messages" "$count" 7 1796083200 >/dev/null
for step in ragged incomplete where sel mask; do
  PYTHONPATH=$build/python /usr/bin/python3 - "$work/messages" "$step" <<'PY'
import collections
import resource
import sys
import warnings

import xbtconv

warnings.simplefilter("ignore")
folder, step = sys.argv[1:]
ds = xbtconv.to_xarray(xbtconv.read_all(folder, now="2026-12-01"),
                       layout="ragged" if step == "ragged" else "incomplete")
what = f"to_xarray, {dict(ds.sizes)}"
if step == "where":
    sign = collections.Counter(s for s in ds.call_sign.values.tolist() if s).most_common(1)[0][0]
    kept = ds.where(ds.call_sign == sign, drop=True)
    what = f"where(call_sign == {sign!r}, drop=True): {kept.sizes['profile']} profiles"
elif step == "sel":
    day = str(ds.time.values[0])[:10]
    what = f"sel(time={day!r}): {ds.sel(time=day).sizes['profile']} profiles"
elif step == "mask":
    ds.where(ds.temperature_qc <= 2)
    what = "where(temperature_qc <= 2), every variable spread over profile by z"
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
print(f"{step:10} {peak:5.0f} MB  {what}")
PY
done
