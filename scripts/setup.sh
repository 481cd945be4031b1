#!/usr/bin/env bash
# Installs what Morvadine needs on Debian 12, and only what is missing.
#   setup.sh test   compiler, CMake, Qt 6 with its translation tools (lupdate, lrelease and
#                   their CMake functions) and Qt's own Chinese texts, GMP (the solution's
#                   exact rationals) and the de_DE.UTF-8 locale the tests read numbers under
#   setup.sh run    the same, plus a font with Chinese glyphs for the window's captions
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    libgmp-dev locales)
if [ "${1:-test}" = run ]; then
    packages+=(fonts-noto-cjk)
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    $sudo apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A comma-decimal locale, so the tests can prove the data files are read the same under it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
