#!/usr/bin/env bash
# Installs what is missing, builds WinVESK into build/ and runs every test, each in one of two stages.
#
# The plain stage runs on the program users run: the checks of the sources and scripts (CTest), every
# window test, and the engine tests that look at the program from outside or at what other processes and
# users do around a run (scripts/plain-stage-tests.txt). Then the engine is built again in the same folder
# with AddressSanitizer and UndefinedBehaviorSanitizer, the same test objects are linked on it (with the
# program sanitized/winvesk for the tests that start it), and every other engine test runs there; any
# finding fails its test. A few tests run in both stages, each build taking cases of its own.
# WINVESK_SKIP_SANITIZERS=1 leaves the second stage out and runs every engine test in the plain stage.
#
# The tests run as GoogleTest shards: one process per processor (winvesk_cores) for each test program, each
# taking its share of the tests, so that a process is not started for each test (which cost more than
# many tests themselves). A test that hangs is ended by the test program's own watchdog; the shard's bound
# is a last resort. A failing shard prints its log without the lines of the tests that passed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/deps.sh"
winvesk_install_missing
sanitize=ON
if [ "${WINVESK_SKIP_SANITIZERS:-0}" = 1 ]; then sanitize=OFF; fi
# Each stage says when it starts, so that a slow run shows where its time went.
stage_start() {
  echo "== $1, started $(date +%T)"
}
stage_start "build"
winvesk_build "$root" -DWINVESK_SANITIZE="$sanitize"
cd "$root/build"

# The GoogleTest filters of the stages, from the list of the plain stage's engine tests.
source "$root/scripts/plain-stage.sh"
winvesk_plain_stage_patterns "$root/scripts/plain-stage-tests.txt"
plain_filter="$(winvesk_joined "${plain_only[@]}" "${both[@]}")"
sanitized_filter="*-$(winvesk_joined "${plain_only[@]}")"
if [ "$sanitize" = OFF ]; then plain_filter="*"; fi

shards="$(winvesk_cores)"
bound=3600
shard_pids=()
shard_logs=()
shard_names=()
# start_shards <stage> <program> <filter> [<variable>=<value> ...]: starts the program's tests that match
# the filter as $shards processes in the background, with the variables given.
start_shards() {
  local stage="$1" program="$2" filter="$3" i log
  shift 3
  for ((i = 0; i < shards; i++)); do
    log="$stage-$program-shard-$i.log"
    env "$@" GTEST_FILTER="$filter" GTEST_TOTAL_SHARDS="$shards" GTEST_SHARD_INDEX="$i" \
      timeout "$bound" "./$program" >"$log" 2>&1 &
    shard_pids+=("$!")
    shard_logs+=("$log")
    shard_names+=("$stage: $program shard $i of $shards")
  done
}
# wait_shards <stage>: waits for the shards started, says which failed with their logs, and fails when any did.
wait_shards() {
  local stage="$1" failed=0 status last i
  for i in "${!shard_pids[@]}"; do
    status=0
    wait "${shard_pids[$i]}" || status=$?
    if [ "$status" = 0 ]; then
      continue
    fi
    if [ "$status" = 124 ]; then
      last="$(grep -E '^\[ RUN +\] ' "${shard_logs[$i]}" | tail -n 1 | sed -E 's/^\[ RUN +\] //')"
      echo "${shard_names[$i]} did not end within $bound s; the last test it started: ${last:-none}"
    else
      echo "${shard_names[$i]} failed (exit status $status):"
    fi
    grep -v -E '^\[ +(RUN|OK) +\] |^\[-{10}\] |^$' "${shard_logs[$i]}" || true
    failed=1
  done
  shard_pids=()
  shard_logs=()
  shard_names=()
  if [ "$failed" != 0 ]; then
    exit 1
  fi
  echo "$stage: every test passed"
}

stage_start "checks of the sources and scripts"
ctest --output-on-failure -L scripts
stage_start "plain stage"
start_shards plain gui_tests "*" QT_QPA_PLATFORM=offscreen
start_shards plain engine_tests "$plain_filter"
wait_shards "plain stage"

if [ "$sanitize" = ON ]; then
  stage_start "sanitizer build"
  cmake --build "$root/build" -j"$shards" --target engine_tests_sanitized
  # A smaller quarantine of freed memory than the default 256 MB (still far more than a test's run frees):
  # every isolated run forks the test program, and the kernel copies the page tables of all the
  # quarantine holds, and faults in every page the quarantine keeps from being used again.
  export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1:quarantine_size_mb=8
  export UBSAN_OPTIONS=print_stacktrace=1
  export LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp"
  stage_start "sanitized engine tests"
  start_shards sanitized engine_tests_sanitized "$sanitized_filter"
  wait_shards "sanitizer build"
fi
