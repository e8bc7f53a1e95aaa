#!/usr/bin/env bash
# Builds the Debian package build/crawlspect_<version>_amd64.deb from the install
# rules, with its dependencies found by dpkg-shlibdeps.
# Usage: scripts/package.sh [BUILD_DIR]   (default build)
# Install it with: apt install ./build/crawlspect_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
CRAWLSPECT_EXTRA_PACKAGES="dpkg-dev file ${CRAWLSPECT_EXTRA_PACKAGES:-}" scripts/install-deps.sh
scripts/build.sh "$dir"
(cd "$dir" && cpack -G DEB)
ls "$dir"/crawlspect_*.deb
