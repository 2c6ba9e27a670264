#!/usr/bin/env bash
# The plain stage of scripts/test.sh runs the engine tests of scripts/plain-stage-tests.txt on the program
# users run, not under the sanitizers. Only tests that start the program, or whose subject is what other
# processes and users do around a run, belong there, and each says so where it is defined
# (tests/support/PlainStage.h). A pattern of the list that also selects a test that runs the engine in the
# test process (as "*Batch*" did) would take that test off the sanitizers without a word: this check fails
# then, naming the tests. The "both:" lines run in both stages, and are left out.
#
#   bash tests/scripts/plain_stage_selects_only_its_own_tests.sh <source folder> <engine test program>
set -euo pipefail
src="$1"
program="$2"
source "$src/scripts/plain-stage.sh"
winvesk_plain_stage_patterns "$src/scripts/plain-stage-tests.txt"

# selected <filter>: the full names of the tests the filter selects, one a line, sorted; nothing for an
# empty filter (which GoogleTest would take for every test).
selected() {
  if [ -z "$1" ]; then
    return 0
  fi
  "$program" --gtest_list_tests --gtest_filter="$1" |
    awk '/^[^ ]/ { suite = $1; next } { print suite $1 }' | LC_ALL=C sort -u
}

listed="$(selected "$(winvesk_joined "${plain_only[@]}")")"
said="$(selected "$("$program" --winvesk_plain_stage_filter)")"
if [ -z "$listed" ]; then
  echo "scripts/plain-stage-tests.txt selects no engine test of $program: the check has nothing to look at."
  exit 1
fi
strays="$(LC_ALL=C comm -23 <(echo "$listed") <(echo "$said"))"
if [ -n "$strays" ]; then
  echo "scripts/plain-stage-tests.txt selects $(wc -l <<<"$strays") engine tests that do not say that they start"
  echo "the program or are about other processes (WINVESK_PLAIN_STAGE, tests/support/PlainStage.h): in the plain"
  echo "stage they would run the engine in the test process without the sanitizers:"
  sed 's/^/  /' <<<"$strays"
  echo "Name the tests of the plain stage one by one, or say in a test's source why it runs there."
  exit 1
fi
echo "scripts/plain-stage-tests.txt selects $(wc -l <<<"$listed") engine tests, each of which starts the program or"
echo "is about other processes."
