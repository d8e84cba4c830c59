#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Torvane need, only those missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
  libsqlite3-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  nginx curl python3 fonts-liberation poppler-utils
  desktop-file-utils man-db groff-base
  python3-django python3-flask python3-flaskext.wtf php-cli php-sqlite3 squid
  pmccabe ccache
)
# make fuzz: clang's libFuzzer runtime, asked for only where clang itself is installed.
if [ "${1:-}" = "fuzz" ] && command -v clang++ >/dev/null 2>&1; then
  packages+=("libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev")
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
