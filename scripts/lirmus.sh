#!/usr/bin/env bash
# Sets Lirmus up on Debian 12 and then either starts it or runs every test.
#   scripts/lirmus.sh run    install what is missing, build, start the program
#   scripts/lirmus.sh test   install what is missing, build, run all tests with ctest
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libfluidsynth-dev fluid-soundfont-gm
  librtmidi-dev libsqlite3-dev libqt6sql6-sqlite
  libuchardet-dev
  qt6-multimedia-dev libaubio-dev
  fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  midicsv xvfb xauth
  desktop-file-utils appstream
  pulseaudio pulseaudio-utils
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build"

case "${1:-run}" in
  run)
    # Lirmus keeps LIRMUS.INI in the folder it starts in: give it one per user.
    home="${XDG_DATA_HOME:-$HOME/.local/share}/lirmus"
    mkdir -p "$home"
    cd "$home"
    shift || true
    exec "$root/build/lirmus" "$@"
    ;;
  test)
    cd "$root/build"
    exec env QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
