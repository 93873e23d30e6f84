#!/bin/sh
# Runs every fuzz target that was built for a bounded time each.
#   sh fuzz/run.sh BUILD_FOLDER SECONDS
# The corpora live in BUILD_FOLDER/fuzz-corpus/<target> (seeded on the first
# run); inputs that crash land in fuzz-out/ at the top of the checkout. Keep
# each such input as a regression case: JPEGs in tests/photo/fuzz_regressions/
# (name it <what it broke>.jpg), SQL, filter and table inputs in
# tests/query/fuzz_regressions/ as <what it broke>.sql, .filter or .tables,
# vCard inputs in tests/data/vcard_fuzz_regressions/ as <what it broke>.vcf.
set -eu
build=${1:?usage: sh fuzz/run.sh BUILD_FOLDER SECONDS}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
findings="$here/../fuzz-out"
mkdir -p "$findings"

run() {  # target corpus [options...]
  target=$1
  corpus=$2
  shift 2
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/$target-" -print_final_stats=1 "$@" "$corpus"
}

if [ -x "$build/fuzz/jpeg_decode_fuzzer" ]; then
  corpus="$build/fuzz-corpus/jpeg_decode"
  mkdir -p "$corpus"
  [ -n "$(ls -A "$corpus")" ] || "$build/fuzz/jpeg_seed_corpus" "$corpus"
  run jpeg_decode_fuzzer "$corpus" -max_len=65536 -dict="$here/jpeg.dict"
fi

sql="$build/fuzz-corpus/sql" filter="$build/fuzz-corpus/filter" tables="$build/fuzz-corpus/tables"
mkdir -p "$sql" "$filter" "$tables"
[ -n "$(ls -A "$tables")" ] || "$build/fuzz/larch_seed_corpus" "$sql" "$filter" "$tables"
run sql_fuzzer "$sql" -max_len=512 -dict="$here/sql.dict"
run filter_fuzzer "$filter" -max_len=256 -dict="$here/sql.dict"
run table_files_fuzzer "$tables" -max_len=65536

if [ -x "$build/fuzz/vcard_fuzzer" ]; then
  corpus="$build/fuzz-corpus/vcard"
  mkdir -p "$corpus"
  [ -n "$(ls -A "$corpus")" ] || cp "$here/../tests/data/vcards/"*.vcf "$corpus/"
  run vcard_fuzzer "$corpus" -max_len=16384 -dict="$here/vcard.dict"
fi
