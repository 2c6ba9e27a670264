#!/usr/bin/env bash
# Installs the Debian 12 packages WinVESK needs to build, test and run,
# but only those that are missing. Sourced by the other scripts.
WINVESK_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev
  mdbtools-dev libglib2.0-dev libfreexl-dev libwps-dev librevenge-dev
  libspreadsheet-writeexcel-perl libspreadsheet-parseexcel-perl
  mdbtools libwps-tools
  xvfb xauth
)

winvesk_install_missing() {
  local missing=()
  local pkg
  for pkg in "${WINVESK_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# Line tables only (-g1): a debugger still shows where it stopped and the
# sanitizers name the lines, at a fifth of full debug information's disk
# space (a full build and the sanitizer build take about 1.7 GB, not 5.4 GB).
# The level of debug information does not change the code.
winvesk_lean_debug_info="-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"

# winvesk_cores: the processors this shell may use, which is fewer than nproc
# says when the control group's CPU quota (cgroup v2 cpu.max, or v1
# cpu.cfs_quota_us) gives less time than that.
winvesk_cores() {
  local cores quota period limit
  cores="$(nproc)"
  if [ -r /sys/fs/cgroup/cpu.max ]; then
    read -r quota period </sys/fs/cgroup/cpu.max || true
  elif [ -r /sys/fs/cgroup/cpu/cpu.cfs_quota_us ]; then
    quota="$(cat /sys/fs/cgroup/cpu/cpu.cfs_quota_us)"
    period="$(cat /sys/fs/cgroup/cpu/cpu.cfs_period_us)"
  fi
  if [[ "${quota:-max}" =~ ^[0-9]+$ && "${period:-0}" =~ ^[0-9]+$ && "$period" -gt 0 ]]; then
    limit=$(((quota + period - 1) / period))
    if [ "$limit" -ge 1 ] && [ "$limit" -lt "$cores" ]; then cores="$limit"; fi
  fi
  echo "$cores"
}

# winvesk_build <root> [-D<option>=<value> ...] [target ...]: configures build/
# with the options given and builds the targets named (every target when none
# is named).
winvesk_build() {
  local root="$1"
  shift
  local options=()
  local targets=()
  local arg
  for arg in "$@"; do
    case "$arg" in
      -D*) options+=("$arg") ;;
      *) targets+=(--target "$arg") ;;
    esac
  done
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$winvesk_lean_debug_info" \
    "${options[@]}"
  # Qt's code generation does not notice headers that a merge adds to an
  # existing build folder; dropping its stamps makes it look again (cheap).
  rm -f "$root"/build/*_autogen/timestamp
  cmake --build "$root/build" -j"$(winvesk_cores)" "${targets[@]}"
}
