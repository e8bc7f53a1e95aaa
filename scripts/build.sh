#!/usr/bin/env bash
# Configures (once) and builds one build tree. Usage: scripts/build.sh [DIR] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$dir"
