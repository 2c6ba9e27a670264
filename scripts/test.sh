#!/usr/bin/env bash
# Installs what is missing, builds WinVESK into build/ and runs every test;
# then builds the engine again in the same folder with AddressSanitizer and
# UndefinedBehaviorSanitizer, links the same tests and the program on it
# (sanitized/winvesk) and runs the engine tests there (any finding fails its
# test). WINVESK_SKIP_SANITIZERS=1 leaves the second part out.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/deps.sh"
winvesk_install_missing
sanitize=ON
if [ "${WINVESK_SKIP_SANITIZERS:-0}" = 1 ]; then sanitize=OFF; fi
winvesk_build "$root" -DWINVESK_SANITIZE="$sanitize"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(winvesk_cores)" --timeout 600

if [ "$sanitize" = ON ]; then
  cmake --build "$root/build" -j"$(winvesk_cores)" --target engine_tests_sanitized
  # The engine tests run as one shard per processor (winvesk_cores), each a single
  # process: starting the sanitized program once per test (as ctest does)
  # costs more than the tests themselves. A test that hangs is ended by the
  # test program's own watchdog; the shard's bound is a last resort, far above
  # the half hour a shard takes on two cores that another build keeps busy.
  # A failing shard prints its log without the lines of the tests that passed.
  # A smaller quarantine of freed memory than the default 256 MB (still far more than
  # a test's run frees): every isolated run forks the test program, and the
  # kernel copies the page tables of all the quarantine holds, which took a
  # sixth of the shards' time.
  export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1:quarantine_size_mb=32
  export UBSAN_OPTIONS=print_stacktrace=1
  export LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp"
  shards="$(winvesk_cores)"
  bound=3600
  pids=()
  for ((i = 0; i < shards; i++)); do
    GTEST_TOTAL_SHARDS="$shards" GTEST_SHARD_INDEX="$i" \
      timeout "$bound" ./engine_tests_sanitized >"shard-$i.log" 2>&1 &
    pids+=("$!")
  done
  failed=0
  for ((i = 0; i < shards; i++)); do
    status=0
    wait "${pids[$i]}" || status=$?
    if [ "$status" = 0 ]; then
      continue
    fi
    if [ "$status" = 124 ]; then
      last="$(grep -E '^\[ RUN +\] ' "shard-$i.log" | tail -n 1 | sed -E 's/^\[ RUN +\] //')"
      echo "sanitizer build: engine test shard $i of $shards did not end within $bound s;" \
        "the last test it started: ${last:-none}"
    else
      echo "sanitizer build: engine test shard $i of $shards failed (exit status $status):"
    fi
    grep -v -E '^\[ +(RUN|OK) +\] |^\[-{10}\] |^$' "shard-$i.log" || true
    failed=1
  done
  if [ "$failed" != 0 ]; then
    exit 1
  fi
  echo "sanitizer build: every engine test passed ($shards shards)"
fi
