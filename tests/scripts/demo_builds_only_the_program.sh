#!/usr/bin/env bash
# scripts/demo.sh builds only what the demo runs: the program and the data
# tree beside it, not the tests and benchmarks. The demo runs here with
# stand-ins for the package check and for cmake; the stand-in cmake records
# what it is asked to build and leaves a stand-in program that writes a year
# of hourly rows and a statistics file, as the real run does.
#
#   bash tests/scripts/demo_builds_only_the_program.sh <source folder>
set -euo pipefail
src="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/winvesk-demo-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/scripts" "$work/root/data" "$work/bin"
cp "$src/scripts/demo.sh" "$src/scripts/deps.sh" "$work/root/scripts/"
cp -r "$src/data/Working" "$work/root/data/"

cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
printf 'install ok installed'
STUB
cat >"$work/program" <<'STUB'
#!/usr/bin/env bash
dir="$(dirname "$1")"
{ echo "Date;Hour"; for ((i = 0; i < 8760; i++)); do echo "row"; done; } >"$dir/Out2023.txt"
printf 'Series;Average_1\nNO2_mod;30\n' >"$dir/Stat2023.txt"
STUB
cat >"$work/bin/cmake" <<STUB
#!/usr/bin/env bash
printf '%s\n' "\$*" >>"$work/cmake.log"
if [ "\$1" = --build ]; then
  install -D -m 755 "$work/program" "$work/root/build/winvesk"
fi
STUB
chmod +x "$work/bin/dpkg-query" "$work/bin/cmake"

if ! PATH="$work/bin:$PATH" bash "$work/root/scripts/demo.sh" "$work/out" >"$work/demo.log" 2>&1; then
  echo "demo.sh failed:"
  cat "$work/demo.log"
  exit 1
fi
build="$(grep -e '^--build' "$work/cmake.log" || true)"
if [ -z "$build" ]; then
  echo "demo.sh built nothing"
  exit 1
fi
targets="$( (grep -o -e '--target [^ ]*' <<<"$build" || true) | cut -d' ' -f2 | tr '\n' ' ')"
if [ "$targets" != "winvesk " ]; then
  echo "demo.sh builds \"${targets:-every target}\" instead of the program alone: cmake $build"
  exit 1
fi
echo "demo.sh builds the program alone: cmake $build"
