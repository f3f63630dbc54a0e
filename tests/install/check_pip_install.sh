#!/usr/bin/env bash
# pip installs the Python module from python/ offline, with Debian's build
# tools (the library built by the project's CMake build, as setup.py does
# it), and the installed module reads an example.
#   check_pip_install.sh PYTHON SOURCE_DIR WORK_DIR
set -euo pipefail
python=$1 source=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
"$python" -m pip install --quiet --no-build-isolation --no-deps --target "$work/site" "$source/python"
cd "$work"
PYTHONPATH="$work/site" "$python" - "$source/examples/extended_full_resolution.bin" <<'PY'
import sys
import xbtconv
obs = xbtconv.read(sys.argv[1])
assert obs.kind == 2 and obs.decoded and len(obs.temperature_c) == len(obs.temperature_qc) > 0, obs
assert xbtconv.__file__.startswith(sys.path[0]) or "site" in xbtconv.__file__, xbtconv.__file__
print("pip installed xbtconv", xbtconv.__version__, "and read", obs)
PY
