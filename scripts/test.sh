#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the
# native unit tests (ASan, UBSan) and the Windows tests under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh
scripts/build.sh native win32
ctest --preset native
ctest --preset win32
