#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   scripts/run.sh main      install what is missing, build the two programs, convert a copy of
#                            examples/
#   scripts/run.sh test      install what is missing, build, run all tests
#   scripts/run.sh sanitize  the tests again in an AddressSanitizer + UBSan build
#   scripts/run.sh fuzz [SECONDS]   each fuzz target for SECONDS (default 60), one after the other
#   scripts/run.sh fuzz --runs N    a repeatable run: each target N inputs from seed 1 (CI)
#   scripts/run.sh tsan      the tests again in a ThreadSanitizer build, without the window
#   scripts/run.sh nogdal    the command line alone without GDAL: geodata files must be refused
#   scripts/run.sh bench     build and run the benchmarks
# main, test and bench share one optimised build in build/ (warnings are errors); sanitize builds
# in build-sanitize/, fuzz in build-fuzz/ (clang, only the fuzz targets), tsan in build-tsan/,
# nogdal in build-nogdal/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# The two programs need these (GDAL for the geodata formats); the tests and benchmarks need the
# rest as well.
main_packages=(g++ cmake ninja-build qt6-base-dev libcli11-dev libgdal-dev)
packages=("${main_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev locales)

# The benchmark also measures GPSBabel and ogr2ogr, and /usr/bin/time reads the peak memory.
bench_packages=(time gpsbabel gdal-bin)

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
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

# libFuzzer comes with clang; the fuzz targets carry AddressSanitizer and UBSan as well.
clang_packages=(clang-14 libclang-rt-14-dev)

sanitizer_options() {
  export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
}

# fuzz_target name corpus libFuzzer-options...: new inputs go to build-fuzz/fuzz-corpus/NAME,
# findings and the whole log to build-fuzz/fuzz-findings/.
fuzz_target() {
  local name=$1 corpus=$2
  shift 2
  local work=build-fuzz/fuzz-corpus/$name
  local log=build-fuzz/fuzz-findings/$name.log
  mkdir -p "$work" build-fuzz/fuzz-findings
  local dict=()
  [ "$corpus" = text ] && dict=(-dict=fuzz/text.dict)
  echo "== $name"
  if ! "${fixed[@]}" build-fuzz/fuzz/"$name" -rss_limit_mb=2048 -timeout=1 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/fuzz-findings/"$name"- "${dict[@]}" "$@" \
      "$work" fuzz/corpus/"$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    return 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "$log"
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
    sanitizer_options
    QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
    ;;
  fuzz)
    install_missing "${main_packages[@]}" "${clang_packages[@]}"
    # Optimised a little, or fuzzing is needlessly slow.
    CXX=clang++-14 configure build-fuzz -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
      -DTAVI_WERROR=ON -DTAVI_SANITIZE=ON -DTAVI_FUZZ=ON -DTAVI_BUILD_TESTS=OFF \
      -DTAVI_BUILD_GUI=OFF -DTAVI_BUILD_BENCH=OFF
    cmake --build build-fuzz -j "$jobs" --target fuzzers
    sanitizer_options
    fixed=()
    if [ "${2:-}" = --runs ]; then
      # Repeatable: a fresh corpus, a fixed seed, a fixed number of inputs, no corpus reloads
      # and no address randomisation (which reaches the coverage through pointer values).
      limit=(-seed=1 "-runs=${3:?usage: scripts/run.sh fuzz --runs N}" -reload=0)
      setarch "$(uname -m)" -R true 2>/dev/null && fixed=(setarch "$(uname -m)" -R)
      rm -rf build-fuzz/fuzz-corpus
    else
      limit=("-max_total_time=${2:-60}")
    fi
    fuzz_target text_import_fuzzer text "${limit[@]}"
    fuzz_target gep_import_fuzzer gep "${limit[@]}"
    fuzz_target dump_fuzzer tavi "${limit[@]}"
    fuzz_target reload_fuzzer tavi "${limit[@]}"
    if [ -x build-fuzz/fuzz/geodata_import_fuzzer ]; then
      fuzz_target geodata_import_fuzzer geodata "${limit[@]}"
    fi
    ;;
  tsan)
    install_missing "${packages[@]}"
    ensure_test_locale
    # Debian's Qt and GDAL are not built for ThreadSanitizer (GDAL's own registration reports a
    # lock-order inversion between its internal mutexes), so the window and the geodata formats
    # stay out of this build.
    configure build-tsan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
      -DTAVI_WERROR=ON -DTAVI_TSAN=ON -DTAVI_BUILD_TESTS=ON -DTAVI_BUILD_GUI=OFF -DTAVI_WITH_GDAL=OFF \
      -DTAVI_BUILD_BENCH=OFF
    cmake --build build-tsan -j "$jobs"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      ctest --test-dir build-tsan --output-on-failure -j "$jobs"
    ;;
  nogdal)
    install_missing "${main_packages[@]}"
    configure build-nogdal -DCMAKE_BUILD_TYPE=Release -DTAVI_WERROR=ON -DTAVI_WITH_GDAL=OFF \
      -DTAVI_BUILD_GUI=OFF -DTAVI_BUILD_TESTS=OFF -DTAVI_BUILD_BENCH=OFF
    cmake --build build-nogdal -j "$jobs" --target tavi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp examples/salzburg-viewpoints.gpx "$work"/
    build-nogdal/tavi convert "$work/salzburg-viewpoints.gpx" >"$work/log" || true
    expected="Failed to open - $work/salzburg-viewpoints.gpx (built without GDAL)"
    grep -qxF "$expected" "$work/log" || { echo "nogdal: expected '$expected' in:" >&2; cat "$work/log" >&2; exit 1; }
    echo "nogdal: a .gpx file is refused with '(built without GDAL)'"
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
    echo "usage: scripts/run.sh main|test|sanitize|fuzz [SECONDS|--runs N]|tsan|nogdal|bench" >&2
    exit 2
    ;;
esac
