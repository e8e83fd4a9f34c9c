#!/usr/bin/env bash
# Converts a copy of examples/ with the command line built in the given build folder, then shows
# one of the results, exports another to GeoJSON and draws it as an SVG picture.
#   scripts/convert-examples.sh [BUILD_DIR]     (default build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
tavi=$build/tavi
out=$build/examples
rm -rf "$out"
mkdir -p "$out"
cp "$root"/examples/* "$out"/
# Standard output is the conversion log; a file that fails makes the exit status 1.
"$tavi" convert "$out"
echo
"$tavi" dump "$out/vienna-coffee-houses.tavi"
echo
"$tavi" export "$out/berlin-museums.tavi" -o "$out/berlin-museums.exported.geojson"
"$tavi" map "$out/berlin-museums.tavi" -o "$out/berlin-museums.svg"
echo "Drew $out/berlin-museums.svg"
echo
echo "Converted examples are in $out"
