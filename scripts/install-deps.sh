#!/usr/bin/env bash
# Installs every Debian package the project needs (build, Wine, tests, benchmarks).
# Safe to run again: packages already present are skipped by apt-get.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: run as root" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
packages=(
    cmake g++ clang libclang-rt-14-dev make python3
    g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine wine32:i386 wine64 xvfb xauth xdotool imagemagick locales
    zip unzip p7zip-full libarchive-tools
    libgtest-dev googletest libbenchmark-dev zlib1g-dev time
    # The release: Authenticode signing and its checks (scripts/sign.sh), the PE checksum.
    openssl python3-pefile
    # Peers of the inflate benchmark, called through their public API; the product never links them.
    libdeflate-dev libisal-dev
    fonts-liberation
    # Wine's own fonts, among them the symbol font it draws the title-bar buttons with.
    fonts-wine
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update
fi
if [ "${#missing[@]}" -gt 0 ]; then
    apt-get update || true
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
# Signing uses Debian 12's own osslsigncode, whose options the signing script is written for;
# a newer one from elsewhere (backports) is replaced by it.
if [ "$(dpkg-query -W -f='${Version}' osslsigncode 2>/dev/null)" != "2.5-4" ]; then
    apt-get install -y --no-install-recommends --allow-downgrades osslsigncode=2.5-4 ||
        { apt-get update && apt-get install -y --no-install-recommends --allow-downgrades osslsigncode=2.5-4; }
fi
# Russian locale for the Wine tests that need a Russian system.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi
