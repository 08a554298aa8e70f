#!/usr/bin/env bash
# fuzz/fuzz-smoke.sh [SECONDS] [MODULE...]
#
# Configures and builds the fuzz preset in build/fuzz, then runs each module's
# session fuzzer (pinmark, twinflip; both by default) for SECONDS (default 60)
# from the committed seed corpus and the inputs of earlier faults. New inputs
# go to a scratch corpus, so the committed one stays as it is. A fault stops
# the run with the fuzzer's report; its input is kept as
# build/fuzz/crash-<module>-<hash> and replays with
#   build/fuzz/session_replay <module> --trace build/fuzz/crash-<module>-<hash>
#
# Environment: ORVEL_FUZZ_CORPUS names a directory to keep the grown corpus
# in (one subdirectory per module) instead of a scratch one.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
modules=("$@")
((${#modules[@]})) || modules=(pinmark twinflip)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

corpus=${ORVEL_FUZZ_CORPUS:-}
if [[ -z $corpus ]]; then
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus"' EXIT
fi

for module in "${modules[@]}"; do
  mkdir -p "$corpus/$module"
  inputs=("fuzz/corpus/$module")
  [[ -d fuzz/regressions/$module ]] && inputs+=("fuzz/regressions/$module")
  echo "== fuzz $module for ${seconds}s"
  # -detect_leaks=0: the harness checks the modules' memory itself, through
  # the host's allocator; the C runtime's growing list of termination
  # routines (one entry per binding) would otherwise send every few inputs
  # through a full leak scan of the process.
  build/fuzz/fuzz_"$module" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -detect_leaks=0 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/crash-$module-" \
    "$corpus/$module" "${inputs[@]}"
done
echo "== fuzzing found nothing"
