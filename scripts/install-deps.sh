#!/usr/bin/env bash
# Installs the Debian 12 packages a task needs, only those not yet present.
#   install-deps.sh run    what building and running the Linux program needs
#   install-deps.sh web    what building and serving the page needs
#   install-deps.sh test   everything: every target (64-bit ARM by Debian
#                          multiarch), Wine, qemu-user, Xvfb, Chromium, Firefox,
#                          WebKitGTK's WebDriver, the test tools
set -euo pipefail

run_packages=(g++ cmake make python3 libx11-dev libxext-dev libxrandr-dev libwayland-dev
              wayland-protocols libxkbcommon-dev libdecor-0-dev libdecor-0-plugin-1-cairo
              libfontconfig-dev libfreetype-dev fonts-dejavu-core)
test_packages=("${run_packages[@]}" googletest libgtest-dev libbenchmark-dev python3 xvfb xdotool
               x11-utils x11-xserver-utils imagemagick wine wine64 g++-mingw-w64-x86-64-posix
               binutils-mingw-w64-x86-64 desktop-file-utils appstream lintian dpkg-dev fakeroot
               icoutils rpm rpmlint wixl msitools emscripten chromium firefox-esr webkit2gtk-driver
               clang-format clang-tidy
               g++-aarch64-linux-gnu qemu-user libx11-dev:arm64 libxext-dev:arm64
               libxrandr-dev:arm64 openbox sway grim wtype weston)
web_packages=(cmake make emscripten python3)

case "${1:-}" in
  run) wanted=("${run_packages[@]}") ;;
  web) wanted=("${web_packages[@]}") ;;
  test) wanted=("${test_packages[@]}") ;;
  *) echo "usage: $0 run|web|test" >&2; exit 2 ;;
esac
# The page tests run on node and npm; a node installed from elsewhere (with
# its own npm) serves as well as Debian's.
if [ "$1" = test ]; then
  command -v node >/dev/null || wanted+=(nodejs)
  command -v npm >/dev/null || wanted+=(npm)
fi

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # The arm64 libraries come from the same archive once dpkg takes that
  # architecture; the update after it fetches their lists.
  if printf '%s\n' "${missing[@]}" | grep -q ':arm64$' &&
     ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $sudo dpkg --add-architecture arm64
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
