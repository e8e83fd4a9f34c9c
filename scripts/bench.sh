#!/usr/bin/env bash
# Measures "tavi convert" on seeded POI files of the bench generator (bench/make_poi_csv).
# First, side by side with GPSBabel converting the same POIs to GPX (the tool a user would
# otherwise reach for): COUNT POIs spread over Europe, and the same POIs with accented names.
# Then tavi alone on files that stress it, each against the file it should cost about as much as:
# POIs on one spot, bad lines between good ones, runs sorted along a parallel, a meridian or
# either axis. Then the geodata importer: the same POIs as GeoJSON and as GPX (written once by
# ogr2ogr), converted by "tavi convert" and, for comparison, by "ogr2ogr -f CSV" (GDAL reading the
# same file and writing the points as CSV).
#   scripts/bench.sh [BUILD_DIR]     (default build; needs BUILD_DIR/tavi and make_poi_csv)
# Environment: RUNS (default 5: the median time and the largest peak memory of the runs), COUNT
# (default 1000000), SEED (default 20260101).
# Times are wall-clock and include writing the output to disk and syncing it.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
tavi=$build/tavi
generator=$build/bench/make_poi_csv
runs=${RUNS:-5}
count=${COUNT:-1000000}
seed=${SEED:-20260101}
work=$build/bench-data

for tool in "$tavi" "$generator"; do
  [ -x "$tool" ] || { echo "bench: $tool is missing; build $build first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
have_gpsbabel=yes
have_ogr2ogr=yes
command -v ogr2ogr >/dev/null || { have_ogr2ogr=no; echo "bench: ogr2ogr not found, no geodata figures" >&2; }
command -v gpsbabel >/dev/null || { have_gpsbabel=no; echo "bench: gpsbabel not found, measuring tavi only" >&2; }
mkdir -p "$work"

# generate NAME COUNT GENERATOR_OPTIONS...: the file $work/NAME, made once.
generate() {
  local file=$work/$1 n=$2
  shift 2
  [ -s "$file" ] || "$generator" "$n" "$seed" "$file" "$@"
}

# measure COMMAND...: sets seconds (median wall time of $runs) and mib (largest peak RSS).
measure() {
  local times=() peak=0 i start end rss
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time.out" "$@" >/dev/null 2>"$work/stderr.out" || {
      echo "bench: failed: $*" >&2; cat "$work/stderr.out" >&2; exit 1; }
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
    rss=$(tail -n 1 "$work/time.out")
    if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
  done
  seconds=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 }
    END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }')
  mib=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "tavi and GPSBabel on $count POIs (median of $runs runs, load: $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-9s %10s %9s %10s %9s %11s %12s\n' file "tavi s" "tavi MiB" "babel s" "babel MiB" \
  "speed x" "memory x"
for variant in plain accents; do
  options=()
  [ "$variant" = accents ] && options=(--accents)
  generate "pois-$count-$variant.csv" "$count" "${options[@]}"
  generate "pois-$count-$variant-unicsv.csv" "$count" --unicsv "${options[@]}"
  measure "$tavi" convert --quiet "$work/pois-$count-$variant.csv"
  tavi_s=$seconds tavi_mib=$mib
  babel_s=- babel_mib=- speed=- memory=-
  if [ "$have_gpsbabel" = yes ]; then
    measure gpsbabel -i unicsv -f "$work/pois-$count-$variant-unicsv.csv" -o gpx -F "$work/pois.gpx"
    babel_s=$seconds babel_mib=$mib
    speed=$(ratio "$babel_s" "$tavi_s") memory=$(ratio "$tavi_mib" "$babel_mib")
  fi
  printf '%-9s %10s %9s %10s %9s %11s %12s\n' "$variant" "$tavi_s" "$tavi_mib" "$babel_s" \
    "$babel_mib" "$speed" "$memory"
done
echo "speed x: GPSBabel's time over tavi's; memory x: tavi's peak over GPSBabel's"

echo
echo "tavi alone: each file against the one it should cost about as much as"
printf '%-34s %9s %-26s %9s %7s\n' file seconds "against" seconds ratio
# compare NAME BASE_NAME: the two files of $work, the ratio of their median times.
compare() {
  local name=$1 base_name=$2
  measure "$tavi" convert --quiet "$work/$name"
  local s=$seconds
  measure "$tavi" convert --quiet "$work/$base_name"
  printf '%-34s %9s %-26s %9s %7s\n' "$name" "$s" "$base_name" "$seconds" "$(ratio "$s" "$seconds")"
}
generate spot-200k.csv 200000 --layout spot
generate spread-200k.csv 200000
compare spot-200k.csv spread-200k.csv
generate bad-100k.csv 100000 --bad
generate good-100k.csv 100000
compare bad-100k.csv good-100k.csv
for layout in parallel:lon meridian:lat; do
  generate "${layout%:*}-sorted-200k.csv" 200000 --layout "${layout%:*}" --order "${layout#*:}"
  generate "${layout%:*}-shuffled-200k.csv" 200000 --layout "${layout%:*}"
  compare "${layout%:*}-sorted-200k.csv" "${layout%:*}-shuffled-200k.csv"
done
generate spread-400k.csv 400000
for order in lon lat; do
  generate "spread-by-$order-400k.csv" 400000 --order "$order"
  compare "spread-by-$order-400k.csv" spread-400k.csv
done
echo "bad-100k holds 100,000 good lines and 100,000 bad ones, each logged"

[ "$have_ogr2ogr" = yes ] || exit 0
echo
echo "the geodata importer on $count POIs against ogr2ogr -f CSV reading the same file"
printf '%-9s %10s %9s %10s %9s %11s %12s\n' file "tavi s" "tavi MiB" "ogr s" "ogr MiB" \
  "time x" "memory x"
for format in GeoJSON GPX; do
  ending=$(echo "$format" | tr '[:upper:]' '[:lower:]')
  input=$work/geo-$count.$ending
  [ -s "$input" ] || ogr2ogr -f "$format" -nlt POINT -oo X_POSSIBLE_NAMES=lon \
    -oo Y_POSSIBLE_NAMES=lat -oo KEEP_GEOM_COLUMNS=NO "$input" "$work/pois-$count-plain-unicsv.csv"
  measure "$tavi" convert --quiet "$input"
  tavi_s=$seconds tavi_mib=$mib
  layer=()
  [ "$format" = GPX ] && layer=(waypoints)
  # ogr2ogr does not replace an existing CSV file, so each run starts without one.
  measure sh -c 'rm -f "$1" && exec ogr2ogr -f CSV -lco GEOMETRY=AS_XY "$@"' sh \
    "$work/ogr-$count-$ending.csv" "$input" "${layer[@]}"
  printf '%-9s %10s %9s %10s %9s %11s %12s\n' "$ending" "$tavi_s" "$tavi_mib" "$seconds" "$mib" \
    "$(ratio "$tavi_s" "$seconds")" "$(ratio "$tavi_mib" "$mib")"
done
echo "time x and memory x: tavi's over ogr2ogr's"
