#!/usr/bin/env bash
# fuzz/coverage.sh CORPUS_DIR [REPORT_DIR]
#
# How much of the modules a corpus reaches: builds the modules and the replay
# program with clang's source-based coverage (no sanitizers) in
# build/fuzz/coverage, replays CORPUS_DIR/pinmark and CORPUS_DIR/twinflip
# (plus the committed seeds and regressions), and reports the lines of
# frame/, pivot/ and mirror/ that ran. REPORT_DIR (default
# build/fuzz/coverage/report) receives the report and an annotated listing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
corpus=$(cd "${1:?usage: fuzz/coverage.sh CORPUS_DIR [REPORT_DIR]}" && pwd)
build=$root/build/fuzz/coverage
report=${2:-$build/report}

flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_MODULE_LINKER_FLAGS=-fprofile-instr-generate \
  -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
ninja -C "$build" -j2 session_replay OrvelPinmark OrvelTwinflip

profiles=$build/profiles
rm -rf "$profiles" && mkdir -p "$profiles" "$report"
for module in pinmark twinflip; do
  inputs=("$corpus/$module" "fuzz/corpus/$module")
  [[ -d fuzz/regressions/$module ]] && inputs+=("fuzz/regressions/$module")
  # %m: each module writes its own profile, named after its own build.
  LLVM_PROFILE_FILE="$profiles/$module-%m-%p.profraw" "$build/session_replay" "$module" "${inputs[@]}"
done
llvm-profdata-14 merge -sparse -o "$build/sessions.profdata" "$profiles"/*.profraw
objects=("$build/OrvelPinmark.so" -object "$build/OrvelTwinflip.so")
llvm-cov-14 report "${objects[@]}" -instr-profile="$build/sessions.profdata" \
  "$root/frame" "$root/pivot" "$root/mirror" | tee "$report/summary.txt"
llvm-cov-14 show "${objects[@]}" -instr-profile="$build/sessions.profdata" -show-line-counts-or-regions \
  "$root/frame" "$root/pivot" "$root/mirror" >"$report/lines.txt"
echo "annotated lines: $report/lines.txt"
