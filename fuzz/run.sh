#!/bin/sh
# Runs the JPEG decoder fuzz target for a bounded time.
#   sh fuzz/run.sh BUILD_FOLDER SECONDS
# The corpus lives in BUILD_FOLDER/fuzz-corpus (seeded with generated JPEGs on
# the first run); inputs that crash land in fuzz-out/ at the top of the
# checkout. Keep each such input as a regression case in
# tests/photo/fuzz_regressions/ (name it <what it broke>.jpg).
set -eu
build=${1:?usage: sh fuzz/run.sh BUILD_FOLDER SECONDS}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
corpus="$build/fuzz-corpus/jpeg_decode"
findings="$here/../fuzz-out"
mkdir -p "$corpus" "$findings"
if [ -z "$(ls -A "$corpus")" ]; then
  "$build/fuzz/jpeg_seed_corpus" "$corpus"
fi
exec "$build/fuzz/jpeg_decode_fuzzer" \
  -max_total_time="$seconds" \
  -timeout=20 \
  -rss_limit_mb=2048 \
  -max_len=65536 \
  -dict="$here/jpeg.dict" \
  -artifact_prefix="$findings/" \
  -print_final_stats=1 \
  "$corpus"
