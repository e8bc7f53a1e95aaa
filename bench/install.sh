#!/usr/bin/env bash
# What the benchmarks need besides the build: Debian's nginx, wget, linkchecker
# and GNU time (for peak memory). Not part of CI.
set -euo pipefail
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq nginx-light wget linkchecker time curl python3
