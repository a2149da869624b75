#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the unit
# suite natively (with the x87 and with the software extended arithmetic),
# under ASan+UBSan, under TSan, under Wine and on 64-bit ARM under qemu-user;
# the end-to-end tests of the Linux program under Xvfb (also the ARM build,
# under qemu-user) and of fractals.exe under Wine; the page build in headless
# Chromium; and clang-format and clang-tidy over the code. Warnings are
# errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# puppeteer-core for the page tests, as the lock file pins it (no browser
# download: the tests drive Debian's chromium).
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
# Debian's emcc runs on Debian's node modules, whichever node is on PATH.
export NODE_PATH=/usr/share/nodejs

status=0
# linux first: the page tests compare with its native golden_frame tool.
for preset in linux linux-soft asan tsan windows web linux-arm64; do
  echo "=== preset $preset"
  cmake --preset "$preset" -DBUILD_TESTING=ON -DFRACTALS_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  if [[ $preset == linux ]] && ! scripts/check-code.sh; then
    status=1
  fi
  if ! ctest --preset "$preset" --no-tests=error; then
    status=1
  fi
done
exit $status
