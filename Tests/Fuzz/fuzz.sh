#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer + UndefinedBehaviorSanitizer, one CMake
# build of the stand-in shared by all of them) and runs them one after another.
#
#   Tests/Fuzz/fuzz.sh [SECONDS] [NAME...] [-- libFuzzer options...]
#       runs each named harness (default: all) for SECONDS (default 60); exits non-zero on the
#       first one that finds a crash, leaving the input in <build>/artifacts/<name>/
#   Tests/Fuzz/fuzz.sh --merge NAME
#       merges what the runs found into the committed corpus Tests/Fuzz/corpus/NAME (minimised:
#       only inputs that add coverage are copied), for committing
#
# Names: zip request import_request material_metadata package_file. New inputs land in
# <build>/runs/<name> (not committed); the committed seeds in Tests/Fuzz/corpus/<name>, the
# seeds the project's writers make in <build>/seeds/<name>, and the shared test archives
# (../shared/testdata/zip-corpus, for the ZIP reader) are read in place.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${MOLDARI_FUZZ_BUILD:-$ROOT/build-fuzz}
ALL_NAMES=(zip request import_request material_metadata package_file)

MERGE=""
if [ "${1:-}" = "--merge" ]; then MERGE=${2:?name to merge}; shift 2; fi
RUN_SECONDS=60
if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then RUN_SECONDS=$1; shift; fi
NAMES=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do NAMES+=("$1"); shift; done
[ "${1:-}" = "--" ] && shift
EXTRA=("$@")
[ -n "$MERGE" ] && NAMES=("$MERGE")
[ ${#NAMES[@]} -eq 0 ] && NAMES=("${ALL_NAMES[@]}")

executable_of() { [ "$1" = zip ] && echo zip_reader_fuzzer || echo "$1_fuzzer"; }

# One build for every harness; ccache makes a rebuild cheap.
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLDARI_FUZZ=ON \
    -DCMAKE_C_COMPILER="${CLANG:-clang}" -DCMAKE_CXX_COMPILER="${CLANGXX:-clang++}" >/dev/null
fi
# Only the harnesses asked for: one that does not build does not keep the others from running.
TARGETS=()
for name in "${NAMES[@]}"; do TARGETS+=("$(executable_of "$name")"); done
cmake --build "$BUILD" --target "${TARGETS[@]}" make_zip_seeds make_package_seeds -j"${JOBS:-2}"
BIN=$BUILD/bin/fuzz

# Seeds written by the project's own code, fresh each time.
SEEDS=$BUILD/seeds
rm -rf "$SEEDS" "$BUILD/seed-project"
mkdir -p "$SEEDS/zip" "$SEEDS/package_file" "$BUILD/seed-project/Content" "$BUILD/seed-project/Saved"
"$BIN/make_zip_seeds" "$SEEDS/zip"
"$BIN/make_package_seeds" "$BUILD/seed-project" "$SEEDS/package_file"

options_of() {
  case "$1" in
    zip) echo "-max_len=16384" ;;
    # Past the 64 KiB header cap, so the refusal of an oversized header block is reachable.
    request) echo "-max_len=70000" ;;
    package_file) echo "-max_len=16384" ;;
    *) echo "-max_len=8192" ;;
  esac
}

corpus_dirs_of() {
  local name=$1
  local dirs=("$ROOT/Tests/Fuzz/corpus/$name")
  [ -d "$SEEDS/$name" ] && dirs+=("$SEEDS/$name")
  if [ "$name" = zip ] && [ -d "$ROOT/../shared/testdata/zip-corpus" ]; then dirs+=("$ROOT/../shared/testdata/zip-corpus"); fi
  echo "${dirs[@]}"
}

if [ -n "$MERGE" ]; then
  mkdir -p "$ROOT/Tests/Fuzz/corpus/$MERGE"
  SOURCES=("$BUILD/runs/$MERGE")
  [ -d "$SEEDS/$MERGE" ] && SOURCES+=("$SEEDS/$MERGE")
  exec "$BIN/$(executable_of "$MERGE")" -merge=1 $(options_of "$MERGE") "$ROOT/Tests/Fuzz/corpus/$MERGE" "${SOURCES[@]}"
fi

for name in "${NAMES[@]}"; do
  mkdir -p "$BUILD/runs/$name" "$BUILD/artifacts/$name" "$ROOT/Tests/Fuzz/corpus/$name"
  echo "=== fuzzing $name for $RUN_SECONDS s"
  "$BIN/$(executable_of "$name")" -max_total_time="$RUN_SECONDS" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$BUILD/artifacts/$name/" $(options_of "$name") "${EXTRA[@]}" \
    "$BUILD/runs/$name" $(corpus_dirs_of "$name")
done
