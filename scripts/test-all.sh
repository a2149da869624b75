#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the unit
# suite natively (with the x87 and with the software extended arithmetic),
# under ASan+UBSan, under TSan and under Wine; the end-to-end
# tests of the Linux program under Xvfb and of fractals.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

status=0
for preset in linux linux-soft asan tsan windows; do
  echo "=== preset $preset"
  cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
  cmake --build --preset "$preset"
  if ! ctest --preset "$preset" --no-tests=error; then
    status=1
  fi
done
exit $status
