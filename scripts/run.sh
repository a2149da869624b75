#!/usr/bin/env bash
# Installs what is missing, builds the Linux program and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset linux -DBUILD_TESTING=OFF -DFRACTALS_BUILD_BENCH=OFF >/dev/null
cmake --build --preset linux --target fractals
exec build/linux/fractals
