#!/usr/bin/env bash
# Remakes docs/: the gallery of the bundled examples (plots, index.html,
# reports and JSON, as `xbt plot` shows a run) and a PNG of the plot of an
# example of each layout. Needs a build (build/debug) and rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")/.."
xbt=${XBT:-build/debug/xbt}
inputs=$(mktemp -d)
trap 'rm -rf "$inputs"' EXIT
cp examples/*.bin "$inputs/"
rm -rf docs/gallery
mkdir -p docs/gallery
"$xbt" convert -q -o docs/gallery "$inputs" || true
"$xbt" export --format json -o docs/gallery "$inputs" 2>/dev/null || true
"$xbt" plot -o docs/gallery "$inputs" 2>/dev/null || true
for name in standard_full_resolution standard_two_meter standard_inflection_points; do
  rsvg-convert -w 600 "docs/gallery/$name.svg" -o "docs/$name.png"
done
