#!/usr/bin/env bash
# Builds the Debian package of Morvadine (the viewer, the stand-in solver, the menu entry,
# the manual page and the shell completion, under /usr) in build/package and prints its path.
# Install it with: sudo apt install ./build/package/morvadine_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package

# Only what the package holds is built: installing does not wait for the tests and benchmarks.
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build build/package --target morvadine calc manual
rm -f build/package/morvadine_*.deb
(cd build/package && cpack -G DEB)
ls "$PWD"/build/package/morvadine_*.deb
