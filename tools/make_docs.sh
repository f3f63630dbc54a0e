#!/usr/bin/env bash
# Remakes docs/: the gallery of the bundled examples (plots, index.html,
# reports and JSON, as `xbt plot` shows a run) and a PNG of the plot of an
# example of each layout. Needs a build (build/debug) and rsvg-convert.
# Usage: tools/make_docs.sh [FOLDER]   (docs/ by default; the tests make a
# second copy elsewhere and compare it with the one checked in)
set -euo pipefail
docs=$(realpath -m "${1:-docs}")
cd "$(dirname "$0")/.."
xbt=$(realpath "${XBT:-build/debug/xbt}")
inputs=$(mktemp -d)
trap 'rm -rf "$inputs"' EXIT
cp examples/*.bin "$inputs/"
rm -rf "$docs/gallery"
mkdir -p "$docs/gallery"
"$xbt" convert -q -o "$docs/gallery" "$inputs" || true
# The quality control's clock fixed, so that the pages do not change with
# the day they are made.
"$xbt" export --format json --now 2026-12-01 -o "$docs/gallery" "$inputs" 2>/dev/null || true
"$xbt" plot --now 2026-12-01 -o "$docs/gallery" "$inputs" 2>/dev/null || true
rm -f "$docs/gallery"/.xbt-*  # the run's record of what each output was made from
for name in standard_full_resolution standard_two_meter standard_inflection_points; do
  rsvg-convert -w 600 ""$docs/gallery"/$name.svg" -o "$docs/$name.png"
done
