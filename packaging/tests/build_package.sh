#!/bin/sh
# Makes the Debian package of a built tree into a folder of its own.
# Usage: build_package.sh CPACK BUILD_DIR OUT_DIR
set -eu
cpack=$1 build=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$out/cpack" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
mv "$out"/cpack/*.deb "$out/"
rm -rf "$out/cpack"
ls "$out"/*.deb
