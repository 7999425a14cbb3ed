#!/usr/bin/env bash
# The project's driver.  `./go run` sets up, builds and runs the main job;
# `./go test` sets up, builds and runs the whole test suite.  See README.md.
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages the build needs.  Installed with apt-get when run as root.
PACKAGES=(cmake ninja-build g++ gcc clang pkg-config libobjc-12-dev libplist-dev libjpeg62-turbo-dev
  libpng-dev libcairo2-dev libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libbenchmark-dev
  libclang-rt-14-dev ccache)

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

# Runs every fuzz target of the fuzz build for $1 seconds from its corpus and seeds
# (the list the build writes in build/fuzz/fuzz/fuzz_targets.txt), keeping what it
# finds in build/fuzz/fuzz/findings/<target>/, and prints one line per target.
fuzz_long() {
  local seconds=$1 dir=build/fuzz/fuzz
  local findings=$dir/findings
  export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan_objc.supp:print_suppressions=0" ASAN_OPTIONS=detect_odr_violation=0
  if [ -x "$dir/make_image_seeds" ]; then "$dir/make_image_seeds" "$dir/image_corpus" >/dev/null 2>&1 || true; fi
  printf '%-22s %12s %8s %11s %9s\n' target executions exec/s "new inputs" findings
  while IFS=$'\t' read -r name program options corpus seeds; do
    mkdir -p "$findings/$name" "$corpus"
    local before after log=$findings/$name.log
    before=$(find "$findings/$name" -type f | wc -l)
    # shellcheck disable=SC2086  # options and seed folders are lists
    "$program" $options -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/$name/" \
      "$corpus" $seeds >"$log" 2>&1 || true
    after=$(find "$findings/$name" -type f | wc -l)
    printf '%-22s %12s %8s %11s %9s\n' "$name" \
      "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
      "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")" \
      "$(sed -n 's/^stat::new_units_added: *//p' "$log")" "$((after - before))"
  done <"$dir/fuzz_targets.txt"
  echo "logs and findings: $findings"
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
  fuzz-long)
    if ! [[ "${2:-}" =~ ^[1-9][0-9]*$ ]]; then
      echo "usage: ./go fuzz-long SECONDS" >&2
      exit 2
    fi
    setup
    build fuzz
    fuzz_long "$2"
    ;;
  soak)
    # Crash during rewrite at length: the home screen killed KILLS times (5,000 by
    # default) while it rewrites its files; prints corrupt/total.
    setup
    build default
    ./build/default/tests/crash_rewrite --hosts-dir build/default/hosts --tweak build/default/lib/libNoctil7.so \
      --filter build/default/noctil7/tweak-filters/Noctil7.plist --root build/default/soak-root \
      --kills "${2:-5000}" --seed "${3:-$RANDOM}" --deadline 86400
    ;;
  *)
    echo "usage: ./go run | test | bench | asan | fuzz | fuzz-long SECONDS | soak [KILLS [SEED]]" >&2
    exit 2
    ;;
esac
