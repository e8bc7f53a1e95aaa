#!/bin/bash
# Builds the libFuzzer harnesses with clang (ASan + UBSan) in build-fuzz/ and
# runs each for SECONDS (default 60). Crashing inputs land in fuzz/crashes/;
# the corpus grows in build-fuzz/corpus/<harness>/, seeded from fuzz/seeds/.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCRAWLSPECT_FUZZ=ON -DCRAWLSPECT_GUI=OFF -DCRAWLSPECT_TESTS=OFF
fi
ninja -C build-fuzz
mkdir -p fuzz/crashes
for harness in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$harness")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=
  echo "== $name for ${SECONDS_EACH}s"
  "$harness" -max_total_time="$SECONDS_EACH" -max_len=65536 -rss_limit_mb=2048 \
    -artifact_prefix=fuzz/crashes/"$name"- "$corpus" $seeds 2>&1 | grep -E '^(#[0-9]+.*DONE|Done|==|SUMMARY)' || true
done
ls fuzz/crashes
