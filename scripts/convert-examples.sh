#!/usr/bin/env bash
# Converts a copy of examples/ with the command line built in the given build folder.
set -euo pipefail
build=${1:-build}
out=$build/examples
rm -rf "$out"
mkdir -p "$out"
cp examples/* "$out"/
echo "Converted examples are in $out"
