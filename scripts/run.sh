#!/usr/bin/env bash
# Installs what is missing, builds the Linux program and opens its window.
# The program alone, in a build folder of its own: build/linux keeps the
# tests and benchmarks the test command configured it with.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset linux -B build/run -DBUILD_TESTING=OFF -DFRACTALS_BUILD_BENCH=OFF >/dev/null
cmake --build build/run --target fractals -j2
exec build/run/fractals
