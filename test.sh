#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build
# (core, command line and window tests) and a core build with AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build
(cd build && ctest --output-on-failure --timeout 600 -j2)
scripts/build.sh build-asan -DCRAWLSPECT_SANITIZE=ON -DCRAWLSPECT_GUI=OFF
(cd build-asan && ctest --output-on-failure --timeout 900 -j2)
echo "All tests passed."
