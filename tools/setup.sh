#!/usr/bin/env bash
# Installs the Debian packages the whole project needs, and nothing when they are all there.
# Runs as root directly, otherwise through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-l10n-tools
  libqt6svg6 qt6-qpa-plugins libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth desktop-file-utils appstream
  # the Debian package: its dependencies worked out from the programs, and the checks on it
  dpkg-dev file fakeroot lintian
  # the desktop check: a window manager, and tools that find, measure, click and photograph windows
  openbox x11-utils xdotool wmctrl imagemagick
  # only for redrawing the pictures with tools/gen_app_images.py; the build needs neither
  librsvg2-bin fonts-vollkorn
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
