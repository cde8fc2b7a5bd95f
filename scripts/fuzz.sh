#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them.
#   scripts/fuzz.sh [seconds] [target]    default 600 seconds of proxylist
#   (the proxy list reader); sitedata: the site-data readers
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
target=${2:-proxylist}
missing=()
for package in clang libclang-rt-14-dev cmake; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "Missing: ${missing[*]}; run as root to install them." >&2; exit 1; }
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scripts/build.sh fuzz
# New inputs go to a scratch folder; the committed seeds stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/fuzz/"$target"_fuzz -max_total_time="$seconds" -print_final_stats=1 "$work" tests/fuzz/corpus/"$target"
