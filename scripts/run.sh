#!/usr/bin/env bash
# Builds Morvadine and opens it on the bundled sample profile, solved by the stand-in
# calc.exe built beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run

cmake -S . -B build/normal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/normal
exec build/normal/bin/morvadine examples/sample.in
