#!/usr/bin/env bash
# Configures and builds both presets: the Windows program with its Wine
# tests, and the native build of the logic with its sanitised unit tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
for preset in "$@"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
