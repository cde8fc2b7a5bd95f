#!/usr/bin/env bash
# Installs what building and testing Maskfold needs on Debian 12, and only
# what is missing. Needs root when something has to be installed.
set -euo pipefail

packages=(cmake make g++ googletest mingw-w64 wine wine32:i386 xvfb xauth imagemagick python3 ca-certificates wixl msitools clang-format)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "These packages are missing: ${missing[*]}" >&2
  echo "Run this script as root (or with sudo) to install them." >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
