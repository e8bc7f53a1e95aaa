#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only what is missing is installed; works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libssl-dev openssl
  libsqlite3-dev libxml2-dev libpcre2-dev libpsl-dev libidn2-dev publicsuffix
  libcpp-httplib-dev libsimpleini-dev libcli11-dev
  libgtest-dev clang-format desktop-file-utils
)
if [ "${CRAWLSPECT_EXTRA_PACKAGES:-}" != "" ]; then
  # shellcheck disable=SC2206
  packages+=(${CRAWLSPECT_EXTRA_PACKAGES})
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
