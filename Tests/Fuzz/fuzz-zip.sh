#!/usr/bin/env bash
# Builds the ZIP reader's libFuzzer harness (clang, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs it.
#
#   Tests/Fuzz/fuzz-zip.sh [SECONDS] [--grow] [libFuzzer options...]
#
# Default: new inputs land in build/fuzz/zip-run (not committed); the committed seeds in
# Tests/Fuzz/corpus/zip and the real archives in ../shared/testdata/zip-corpus are read in place.
# --grow: only the project's own corpus is used and new inputs are added to it, for committing.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
RUN_SECONDS=${1:-60}
[ $# -gt 0 ] && shift
GROW=0
if [ "${1:-}" = "--grow" ]; then GROW=1; shift; fi

CXX=${CLANGXX:-clang++}
OUT=${MOLDARI_FUZZ_BUILD:-$ROOT/build/fuzz}
CORPUS=$ROOT/Tests/Fuzz/corpus/zip
SHARED_CORPUS=$ROOT/../shared/testdata/zip-corpus
mkdir -p "$OUT/obj" "$OUT/artifacts" "$OUT/zip-run" "$CORPUS"

INCLUDES=(-I"$ROOT/HeadlessEditor/Source" -I"$ROOT/HeadlessEditor/Source/Core/Internal"
          -I"$ROOT/Source/MOLDARIPlugin/Private" -I"$ROOT/Source/MOLDARIPlugin/Private/Tests")
for dir in "$ROOT"/HeadlessEditor/Source/*/Public; do INCLUDES+=(-I"$dir"); done
COMMON=(-std=c++20 -g -O1 -fno-omit-frame-pointer -w)
SAN=(-fsanitize=address,undefined -fno-sanitize-recover=undefined)

# The stand-in's Core, sanitised but not coverage-instrumented: the fuzzer steers by the reader.
compile() {   # source object flags...   (rebuilt when the source or any stand-in header is newer)
  local src=$1 obj=$2; shift 2
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || \
     [ -n "$(find "$ROOT/HeadlessEditor/Source" -name '*.h' -newer "$obj" -print -quit)" ]; then
    "$CXX" "${COMMON[@]}" "${INCLUDES[@]}" "$@" -c "$src" -o "$obj"
  fi
}
CORE_OBJS=()
for src in "$ROOT"/HeadlessEditor/Source/Core/Private/*.cpp; do
  obj=$OUT/obj/core-$(basename "$src" .cpp).o
  compile "$src" "$obj" "${SAN[@]}" &
  CORE_OBJS+=("$obj")
  while [ "$(jobs -r | wc -l)" -ge 2 ]; do wait -n; done
done
wait

# The plugin's own headers are not tracked above: the reader and harness are always rebuilt.
rm -f "$OUT/obj/reader.o" "$OUT/obj/harness.o"
compile "$ROOT/Source/MOLDARIPlugin/Private/MOLDARIZipReader.cpp" "$OUT/obj/reader.o" -fsanitize=fuzzer-no-link "${SAN[@]}"
compile "$ROOT/Tests/Fuzz/zip_reader_fuzzer.cpp" "$OUT/obj/harness.o" -fsanitize=fuzzer-no-link "${SAN[@]}"
"$CXX" -fsanitize=fuzzer "${SAN[@]}" "$OUT/obj/harness.o" "$OUT/obj/reader.o" "${CORE_OBJS[@]}" -lz -ldl -lpthread \
  -o "$OUT/zip_reader_fuzzer"

# Seeds from the project's own test writer (only written where missing, so the committed
# files stay as they are).
"$CXX" "${COMMON[@]}" "${INCLUDES[@]}" "${SAN[@]}" "$ROOT/Tests/Fuzz/make_zip_seeds.cpp" "${CORE_OBJS[@]}" -lz -ldl -lpthread \
  -o "$OUT/make_zip_seeds"
SEEDS=$OUT/seeds
rm -rf "$SEEDS" && mkdir -p "$SEEDS"
"$OUT/make_zip_seeds" "$SEEDS"
for seed in "$SEEDS"/*.zip; do
  [ -f "$CORPUS/$(basename "$seed")" ] || cp "$seed" "$CORPUS/"
done

OPTIONS=(-max_total_time="$RUN_SECONDS" -max_len=16384 -timeout=10 -rss_limit_mb=2048
         -artifact_prefix="$OUT/artifacts/" -print_final_stats=1)
if [ "$GROW" = 1 ]; then
  DIRS=("$CORPUS")
else
  DIRS=("$OUT/zip-run" "$CORPUS")
  [ -d "$SHARED_CORPUS" ] && DIRS+=("$SHARED_CORPUS")
fi
exec "$OUT/zip_reader_fuzzer" "${OPTIONS[@]}" "$@" "${DIRS[@]}"
