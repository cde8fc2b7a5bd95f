#!/usr/bin/env bash
# Builds and runs the benchmarks, each under Wine in a throwaway prefix.
#   scripts/bench.sh [name ...]     default: every benchmark
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
scripts/build.sh win32
export MASKFOLD_WINE_TEMPLATE=$PWD/build/win32/wine-template MASKFOLD_BIN=$PWD/build/win32
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(cd build/win32/bench && ls *_bench.exe | sed 's/\.exe$//'))
for name in "${names[@]}"; do
  echo "== $name"
  tests/wine-run.sh "build/win32/bench/$name.exe"
done
