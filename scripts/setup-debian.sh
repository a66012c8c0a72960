#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the tool need, when missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config ccache clang-format
    clang libclang-rt-14-dev
    libxml2-dev libcurl4-openssl-dev libx11-dev
    libcli11-dev nlohmann-json3-dev
    qt6-base-dev
    p7zip-full
    libgtest-dev libgmock-dev libcpp-httplib-dev libzip-dev python3-jsonschema
    help2man appstream lintian fakeroot dpkg-dev file
    xvfb python3
    g++-mingw-w64-x86-64-posix googletest wine wine64 mingw-w64
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
