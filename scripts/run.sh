#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   scripts/run.sh main      install what is missing, build the two programs, convert a copy of
#                            examples/
#   scripts/run.sh test      install what is missing, build, run all tests
#   scripts/run.sh sanitize  the tests again in an AddressSanitizer + UBSan build
#   scripts/run.sh bench     build and run the benchmarks
# main, test and bench share one optimised build in build/ (warnings are errors); sanitize builds
# in build-sanitize/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# The two programs need these; the tests and benchmarks need the rest as well.
main_packages=(g++ cmake ninja-build qt6-base-dev libcli11-dev)
packages=("${main_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev locales)

# The benchmark also measures GPSBabel, and /usr/bin/time reads the peak memory.
bench_packages=(time gpsbabel)

install_missing() {  # packages...
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Number parsing is tested under a locale whose decimal separator is a comma.
ensure_test_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: de_DE.UTF-8 not available" >&2
}

configure() {  # build-dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

jobs=$(nproc)

case "${1:-}" in
  main)
    # Only the two programs: the tests and benchmarks are most of the build.
    install_missing "${main_packages[@]}"
    configure build -DCMAKE_BUILD_TYPE=Release -DTAVI_WERROR=ON -DTAVI_BUILD_TESTS=OFF \
      -DTAVI_BUILD_BENCH=OFF
    cmake --build build -j "$jobs" --target tavi tavi-convertor
    scripts/convert-examples.sh build
    ;;
  test)
    install_missing "${packages[@]}"
    ensure_test_locale
    configure build -DCMAKE_BUILD_TYPE=Release -DTAVI_WERROR=ON -DTAVI_BUILD_TESTS=ON \
      -DTAVI_BUILD_BENCH=ON
    cmake --build build -j "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
  sanitize)
    install_missing "${packages[@]}"
    ensure_test_locale
    configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTAVI_WERROR=ON -DTAVI_SANITIZE=ON \
      -DTAVI_BUILD_TESTS=ON
    cmake --build build-sanitize -j "$jobs"
    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
    ;;
  bench)
    install_missing "${packages[@]}" "${bench_packages[@]}"
    configure build -DCMAKE_BUILD_TYPE=Release -DTAVI_WERROR=ON -DTAVI_BUILD_TESTS=ON \
      -DTAVI_BUILD_BENCH=ON
    cmake --build build -j "$jobs"
    shift
    scripts/bench.sh "$@"
    ;;
  *)
    echo "usage: scripts/run.sh main|test|sanitize|bench" >&2
    exit 2
    ;;
esac
