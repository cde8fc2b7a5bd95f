#!/usr/bin/env bash
# Configures and builds each CMake preset named, in the order given: native
# (the logic with its sanitised unit tests), win32 (the Windows program, its
# Wine tests and benchmarks), fuzz (the libFuzzer targets).
#
#   scripts/build.sh PRESET...      e.g. scripts/build.sh native win32
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [ $# -eq 0 ]; then
  echo "usage: scripts/build.sh PRESET... (native, win32, fuzz)" >&2
  exit 2
fi
for preset in "$@"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
