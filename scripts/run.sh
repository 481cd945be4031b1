#!/usr/bin/env bash
# Builds Morvadine and loads the bundled sample profile with its solution.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run

cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/normal
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/sample.in "$work/morvadine.in"
cp examples/sample.out "$work/morvadine.out"
build/normal/bin/morvadine "$work"
