#!/usr/bin/env bash
# pip installs the Python module from python/ offline with Debian's build
# tools, taking the module this build made (XBTCONV_BUILD_DIR) rather than
# compiling it again, and makes a wheel of it that installs with no
# compiler at hand and needs no library a Debian 12 machine lacks; both
# installed copies read an example.
#   check_pip_install.sh PYTHON SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail
python=$1 source=$2 build=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
export XBTCONV_BUILD_DIR=$build
# Without a terminal (setsid), so that what the build says goes to pip's log.
setsid -w "$python" -m pip install --quiet --no-build-isolation --no-deps --target "$work/site" \
  "$source/python"
setsid -w "$python" -m pip wheel --quiet --no-build-isolation --no-deps --wheel-dir "$work/wheels" \
  "$source/python"
wheel=$(echo "$work"/wheels/xbtconv-*-linux_*.whl)
"$python" -m zipfile -e "$wheel" "$work/unpacked"
module=$(echo "$work"/unpacked/xbtconv/_xbtconv*.so)
# The module this build made, not one an earlier pip run left in python/build.
cmp "$module" "$build"/python/xbtconv/_xbtconv*.so
cmp "$module" "$work"/site/xbtconv/_xbtconv*.so
# Only the C and C++ runtimes, which every Debian system has, and no path
# into this machine's folders.
readelf -d "$module" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | while read -r library; do
  [[ $library =~ ^(libc|libm|libgcc_s|libstdc\+\+|ld-linux-x86-64|libdl|libpthread)\.so ]] ||
    { echo "the wheel's module needs $library"; exit 1; }
done
if readelf -d "$module" | grep -E 'RPATH|RUNPATH'; then exit 1; fi
PATH=/nonexistent "$python" -m pip install --quiet --no-index --no-deps --target "$work/wheel-site" \
  "$wheel"
cd "$work"
for site in "$work/site" "$work/wheel-site"; do
  PYTHONPATH=$site "$python" - "$source/examples/extended_full_resolution.bin" <<'PY'
import sys
import xbtconv
obs = xbtconv.read(sys.argv[1])
assert obs.kind == 2 and obs.decoded and len(obs.temperature_c) == len(obs.temperature_qc) > 0, obs
assert xbtconv.__file__.startswith(sys.path[0]), xbtconv.__file__
print("pip installed xbtconv", xbtconv.__version__, "in", sys.path[0], "and read", obs)
PY
done
