#!/usr/bin/env bash
# The GoogleTest filters of the two stages of scripts/test.sh, from the list of the plain stage's engine
# tests (scripts/plain-stage-tests.txt). Sourced by scripts/test.sh and by the check of the list
# (tests/scripts/plain_stage_selects_only_its_own_tests.sh).

# winvesk_plain_stage_patterns <list>: the patterns of the list, without comments and blanks, into the
# arrays plain_only (the plain stage's alone) and both (the "both: <pattern>" lines, run in both stages).
winvesk_plain_stage_patterns() {
  local line
  plain_only=()
  both=()
  while IFS= read -r line || [ -n "$line" ]; do
    line="$(winvesk_trimmed "${line%%#*}")"
    case "$line" in
      "") ;;
      both:*) both+=("$(winvesk_trimmed "${line#both:}")") ;;
      *) plain_only+=("$line") ;;
    esac
  done <"$1"
}

winvesk_trimmed() {
  local text="$1"
  text="${text#"${text%%[![:space:]]*}"}"
  echo "${text%"${text##*[![:space:]]}"}"
}

# winvesk_joined <pattern>...: the patterns as one filter ("a:b:c").
winvesk_joined() {
  local IFS=:
  echo "$*"
}
