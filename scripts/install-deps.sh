#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and
# fuzzing Hazard Desk needs. Idempotent: does nothing when all are present.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  # Qt 5 (Widgets, OpenGL) and the tools that compile resources
  qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev
  # libraries
  nlohmann-json3-dev libeigen3-dev libpcl-dev libopencv-dev
  libspdlog-dev libfmt-dev
  # recordings: zstd-compressed MCAP chunks, protobuf messages, zlib's CRC-32
  libzstd-dev libprotobuf-dev protobuf-compiler zlib1g-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # the second, independent MCAP reader of the recording tests
  python3 python3-zstandard python3-protobuf
  # GUI tests: virtual display, software OpenGL, fonts that render CJK and Vietnamese
  xvfb xauth libgl1-mesa-dri libglx-mesa0 mesa-utils
  fonts-noto-cjk fonts-noto-core fonts-dejavu-core
  # Qt's own texts (OK, Cancel, ...) in Chinese and Japanese
  qttranslations5-l10n
  # image export over SSH
  putty-tools openssh-server openssh-client
  # the Debian package: its dependencies (dpkg-shlibdeps, file) and its check
  dpkg-dev file lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
