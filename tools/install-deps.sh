#!/usr/bin/env bash
# Installs the Debian packages a build needs that this machine lacks.
# Usage: tools/install-deps.sh build|test
set -euo pipefail

build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libftdi1-dev libcli11-dev nlohmann-json3-dev
                libsqlite3-dev nettle-dev
                fonts-dejavu-core fonts-liberation2)
test_packages=(clang libclang-rt-14-dev xvfb xauth xdotool gputils srecord umockdev
               dpkg-dev file lintian desktop-file-utils appstream man-db groff-base)

wanted=("${build_packages[@]}")
if [ "${1:-build}" = test ]; then
    wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "These packages are missing and neither root nor sudo is at hand: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
