#!/usr/bin/env bash
# Installs with Debian's apt-get what building and testing need; run as root
# on Debian 12. Packages already there are left alone.
#
#   tools/install_dependencies.sh        build, run and test
#   tools/install_dependencies.sh --ci   also what CI adds: clang and its
#                                        fuzzing runtime, clang-format,
#                                        clang-tidy, ccache, the Windows cross build
#                                        and Wine
set -euo pipefail
packages=(cmake ninja-build g++ git pkgconf libgtest-dev libbenchmark-dev nlohmann-json3-dev
  libcli11-dev libsqlite3-dev sqlite3 python3 python3-dev python3-jsonschema python3-eccodes
  libeccodes-dev libnetcdf-dev netcdf-bin python3-xarray python3-netcdf4 librsvg2-bin python3-pil
  libwreport-dev python3-wreport pybind11-dev python3-pybind11 python3-numpy python3-pandas
  python3-matplotlib python3-pytest python3-pip python3-venv python3-setuptools python3-wheel
  chromium chromium-driver python3-selenium libssl-dev libmosquitto-dev mosquitto mosquitto-clients
  python3-paho-mqtt)
if [[ "${1:-}" == --ci ]]; then
  packages+=(ccache clang libclang-rt-14-dev clang-format clang-tidy googletest g++-mingw-w64-x86-64-posix
    wine64 wine)
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
