#!/usr/bin/env bash
# The gallery of a large run, in a real browser: COUNT generated messages
# (both kinds, all layouts, some corrupt) converted, exported as JSON and
# plotted into one folder, whose index.html must open in headless Chromium
# within MAX_SECONDS, with every link resolving and every column sorting.
#   check_gallery.sh XBT MAKE_MESSAGES WORK_DIR COUNT MAX_SECONDS
set -euo pipefail
xbt=$1 make=$2 work=$3 count=$4 max=$5
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/messages"
trap 'rm -rf "$work"' EXIT
"$make" batch "$work/messages" "$count" 24 >/dev/null
# Corrupt messages fail: their rows say why.
"$xbt" convert -q -o "$work/gallery" "$work/messages" 2>/dev/null || true
"$xbt" export -q --format json -o "$work/gallery" "$work/messages" 2>/dev/null || true
"$xbt" plot -q -o "$work/gallery" "$work/messages" 2>/dev/null || true
/usr/bin/python3 "$here/check_gallery_browser.py" "$work/gallery" "$count" "$max"
