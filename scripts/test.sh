#!/usr/bin/env bash
# Builds Morvadine and runs every test headless, first in a normal build and then under
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for variant in normal sanitize; do
    sanitize=OFF
    [ "$variant" = sanitize ] && sanitize=ON
    cmake -S . -B "build/$variant" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DMORVADINE_SANITIZE="$sanitize"
    cmake --build "build/$variant"
    ctest --test-dir "build/$variant" --output-on-failure --no-tests=error -j 2
done
