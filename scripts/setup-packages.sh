#!/usr/bin/env bash
# Installs every Debian package Tovrin needs to build, test and run.
# Idempotent: packages already present are left alone and nothing is
# fetched when all of them are installed.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # registry store
  libsqlite3-dev sqlite3
  # drawing and text
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-liberation2
  # the handset skins and icon, drawn at build time by shell/art/make_skins.py
  # (Debian's own interpreter)
  python3-cairo
  # the desktop window, and its tests in a real X server (Xvfb) driven by
  # xdotool and photographed with xwd
  libgtk-3-dev xvfb xauth xdotool x11-apps x11-utils
  # test content: the gateway's own WML compiler (wml_tester), a second
  # WBXML encoder, and WBMP images
  kannel kannel-extras libwbxml2-utils imagemagick
  # the test gateway's origin, relay and probe (Debian's own interpreter),
  # the capture check, and the listener checks of scripts/gateway
  python3 tshark iproute2
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  SUDO=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
