#!/usr/bin/env bash
# Installs what is missing, builds WinVESK, runs the sample single-street
# project of data/Working over its synthetic year in batch, and prints where
# the hourly output and statistics files are with a few headline statistics.
#
#   bash scripts/demo.sh [folder]
#
# The sample project is copied into a fresh folder (the argument, or a new
# temporary folder): nothing is written into data/ or beside the program.
# Exits non-zero when the build or the run fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/deps.sh"
winvesk_install_missing
# Only what the demo runs: the program and the data tree beside it (the tests
# and benchmarks are built by scripts/test.sh).
winvesk_build "$root" winvesk >/dev/null

out="${1:-$(mktemp -d "${TMPDIR:-/tmp}/winvesk-demo.XXXXXX")}"
mkdir -p "$out"
if [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
  echo "The folder $out is not empty; give an empty or new folder." >&2
  exit 1
fi
cp "$root"/data/Working/* "$out"/

echo "Running the sample project $out/DemoStreet.vkp (a synthetic year, 8,760 hours) ..."
start=$(date +%s.%N)
if ! "$root/build/winvesk" "$out/DemoStreet.vkp" 1; then
  echo "The run failed (see the messages above)." >&2
  exit 1
fi
end=$(date +%s.%N)

hourly="$out/Out2023.txt"
stats="$out/Stat2023.txt"
for f in "$hourly" "$stats"; do
  [ -s "$f" ] || { echo "The run did not write $f." >&2; exit 1; }
done
rows=$(($(wc -l <"$hourly") - 1))

awk -v a="$start" -v b="$end" 'BEGIN { printf "Run time: %.2f s\n", b - a }'
echo "Hourly output:    $hourly ($rows hourly rows)"
echo "Statistics:       $stats"
echo
# The statistics file holds one row per series; columns by name from its header.
awk -F';' '
  function t(s) { gsub(/^ +| +$/, "", s); return s }
  NR == 1 { for (i = 1; i <= NF; i++) col[t($i)] = i; next }
  { row[t($1)] = $0 }
  function cell(series, name,   f) { split(row[series], f, ";"); return t(f[col[name]]) }
  END {
    printf "Headline statistics (ug/m3; side 1 / side 2 of the street)\n"
    printf "  NO2 annual mean:            %8s / %8s   (limit 40)\n", cell("NO2_mod", "Average_1"), cell("NO2_mod", "Average_2")
    printf "  NO2 19th highest hour:      %8s / %8s   (limit 200)\n", cell("NO2_mod", "19thHighest_1"), cell("NO2_mod", "19thHighest_2")
    printf "  NOx annual mean:            %8s / %8s   (background %s)\n", cell("NOx_mod", "Average_1"), cell("NOx_mod", "Average_2"), cell("NOx_b", "Average_1")
    printf "  PM10 annual mean:           %8s / %8s   (limit 40)\n", cell("PM10_mod", "Average_1"), cell("PM10_mod", "Average_2")
  }' "$stats"
if [ "$rows" -ne 8760 ] && [ "$rows" -ne 8784 ]; then
  echo "Expected a year of hourly rows, found $rows." >&2
  exit 1
fi
