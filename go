#!/usr/bin/env bash
# The project's driver.  `./go run` sets up, builds and runs the main job;
# `./go test` sets up, builds and runs the whole test suite.  See README.md.
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages the build needs.  Installed with apt-get when run as root.
PACKAGES=(cmake ninja-build g++ gcc clang pkg-config libobjc-12-dev libplist-dev libjpeg62-turbo-dev
  libpng-dev libcairo2-dev libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libbenchmark-dev
  libclang-rt-14-dev)

setup() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then missing+=("$p"); fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "go: installing ${missing[*]}" >&2
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "go: these Debian packages are missing; install them as root with:" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}

case "${1:-}" in
  run)
    setup
    build default
    # The main job: each scenario on a fresh device root laid by `cmake --install`.
    # First the iOS 7 and iOS 6 home screens as they come (no library), then the iOS 7
    # home screen with Noctil7: a Messages notification deleted from the lock screen,
    # with the Messages app started in the background to mark the message read; then
    # the iOS 6 home screen with Noctil6: a notification on a passcode-protected lock
    # screen, the list pulled down over it, the notification tapped, the passcode
    # typed and the notification's app opened.
    for scenario in scenarios/stock_ios7.scn scenarios/stock_ios6.scn scenarios/road_of_one_event.scn \
                    scenarios/noctil6_passcode.scn; do
      name=$(basename "$scenario" .scn)
      rm -rf "build/default/main-job/$name"
      ./build/default/tests/scenario_check --build-dir build/default --hosts-dir build/default/hosts \
        --root "build/default/main-job/$name" --cmake "$(command -v cmake)" --deadline 120 "$scenario" \
        | { grep -v '^-- \(Install\|Installing\|Up-to-date\)' || true; }
    done
    ;;
  test)
    setup
    build default
    ctest --preset default -j "$(nproc)"
    ;;
  bench)
    setup
    build release
    shift
    for b in ./build/release/bench/bench_*; do "$b" "$@"; done
    ;;
  asan|fuzz)
    setup
    build "$1"
    ctest --preset "$1" -j "$(nproc)"
    ;;
  *)
    echo "usage: ./go run | test | bench | asan | fuzz" >&2
    exit 2
    ;;
esac
