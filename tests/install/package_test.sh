#!/usr/bin/env bash
# Builds the Debian package from the build folder and compares its contents
# with the installed layout.
#   package_test.sh BUILD_DIR SOURCE_DIR HAVE_GUI(0|1)
set -euo pipefail
build="$1" src="$2" gui="$3"
source "$src/tests/install/layout.sh"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
deb="$(ls "$scratch"/rq50_*.deb)"

[ "$(dpkg-deb -f "$deb" Package)" = rq50 ] || { echo "FAIL: package name"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6 ||
    { echo "FAIL: Depends lacks the Qt serial port: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
[ "$gui" = 0 ] || dpkg-deb -f "$deb" Depends | grep -q libqt6charts6 ||
    { echo "FAIL: Depends lacks Qt Charts: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
actual="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./usr/||' | sort)"
same_list "the package contents" "$(expected_layout "$src" "$gui" | sort)" "$actual"
echo "$(basename "$deb"): contents match the installed layout"
