#!/usr/bin/env bash
# Installs what is missing, builds WinVESK into build/ and runs every test;
# then builds it again into build-asan/ with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the engine tests there (any finding
# fails its test). WINVESK_SKIP_SANITIZERS=1 leaves the second build out.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/deps.sh"
winvesk_install_missing
winvesk_build "$root"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600

if [ "${WINVESK_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWINVESK_SANITIZE=ON
  rm -f "$root"/build-asan/*_autogen/timestamp
  cmake --build "$root/build-asan" -j"$(nproc)" --target engine_tests
  cd "$root/build-asan"
  ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1 \
  UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
    ctest -L engine --output-on-failure -j"$(nproc)" --timeout 900
fi
