#!/usr/bin/env bash
# Installs what Morvadine needs on Debian 12, and only what is missing.
#   setup.sh test     compiler, CMake, Qt 6 with its translation tools (lupdate, lrelease
#                     and their CMake functions) and Qt's own Chinese texts, GMP (the
#                     solution's exact rationals), the de_DE.UTF-8 locale the tests read
#                     numbers under, and what the installation's test checks with: the menu
#                     entry's, the metadata's and the manual page's validators, and the
#                     Debian package tools
#   setup.sh run      the build's part of the above, plus a font with Chinese glyphs for the
#                     window's captions
#   setup.sh package  the build's part, plus the Debian package tools
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    libgmp-dev locales)
# CPack reads the programs' libraries with dpkg-shlibdeps, finding the programs with file.
package_tools=(dpkg-dev file)
case "${1:-test}" in
    test) packages+=(desktop-file-utils appstream man-db groff-base "${package_tools[@]}") ;;
    run) packages+=(fonts-noto-cjk) ;;
    package) packages+=("${package_tools[@]}") ;;
    *) echo "usage: $0 [test|run|package]" >&2; exit 2 ;;
esac

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
