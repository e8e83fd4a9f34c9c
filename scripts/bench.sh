#!/usr/bin/env bash
# Measures "tavi convert" on seeded POI files of 100,000 and 1,000,000 POIs spread over Europe,
# and, on the same POIs, GPSBabel converting them to GPX (the tool a user would otherwise reach
# for). Reports POIs per second and peak resident memory of each, and the ratios.
# Then the geodata importer: the same POIs as GeoJSON and as GPX (written once by ogr2ogr from the
# seeded file), converted by "tavi convert" and, for comparison, by "ogr2ogr -f CSV" (GDAL reading
# the same file and writing the points as CSV, coordinates included).
#   scripts/bench.sh [BUILD_DIR]     (default build; needs BUILD_DIR/tavi and make_poi_csv)
# Environment: RUNS (default 3, best time and largest peak memory of the runs), SIZES (default
# "100000 1000000"), SEED (default 20260101).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
tavi=$build/tavi
generator=$build/bench/make_poi_csv
runs=${RUNS:-3}
sizes=${SIZES:-"100000 1000000"}
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

# measure OUTPUT_PREFIX COMMAND...: best wall time (seconds) and largest peak RSS (KiB) of $runs.
measure() {
  local prefix=$1 best="" peak=0 i start end elapsed rss
  shift
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time.out" "$@" >/dev/null 2>"$work/stderr.out" || {
      echo "bench: failed: $*" >&2; cat "$work/stderr.out" >&2; exit 1; }
    end=$(date +%s%N)
    elapsed=$(( (end - start) / 1000 ))  # microseconds
    rss=$(tail -n 1 "$work/time.out")
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    if [ "$rss" -gt "$peak" ]; then peak=$rss; fi
  done
  eval "${prefix}_us=$best ${prefix}_kib=$peak"
}

rate() { awk -v n="$1" -v us="$2" 'BEGIN { printf "%.0f", n / (us / 1e6) }'; }
seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

printf '%-10s %-9s %10s %14s %12s\n' POIs tool seconds POIs/second "peak MiB"
for n in $sizes; do
  csv=$work/pois-$n.csv
  unicsv=$work/pois-$n-unicsv.csv
  [ -s "$csv" ] || "$generator" "$n" "$seed" "$csv"
  [ -s "$unicsv" ] || "$generator" "$n" "$seed" "$unicsv" --unicsv
  measure tavi "$tavi" convert --quiet "$csv"
  printf '%-10s %-9s %10s %14s %12s\n' "$n" tavi "$(seconds "$tavi_us")" \
    "$(rate "$n" "$tavi_us")" "$(mib "$tavi_kib")"
  if [ "$have_gpsbabel" = yes ]; then
    measure peer gpsbabel -i unicsv -f "$unicsv" -o gpx -F "$work/pois-$n.gpx"
    printf '%-10s %-9s %10s %14s %12s\n' "$n" gpsbabel "$(seconds "$peer_us")" \
      "$(rate "$n" "$peer_us")" "$(mib "$peer_kib")"
    printf '%-10s speed: tavi is %sx as fast; memory: tavi uses %sx of gpsbabel'"'"'s peak\n' \
      "$n" "$(ratio "$peer_us" "$tavi_us")" "$(ratio "$tavi_kib" "$peer_kib")"
  fi
done

[ "$have_ogr2ogr" = yes ] || exit 0
echo
printf '%-10s %-16s %10s %14s %12s\n' POIs tool seconds POIs/second "peak MiB"
for n in $sizes; do
  unicsv=$work/pois-$n-unicsv.csv
  for format in GeoJSON GPX; do
    ending=$(echo "$format" | tr '[:upper:]' '[:lower:]')
    input=$work/geo-$n.$ending
    [ -s "$input" ] || ogr2ogr -f "$format" -nlt POINT -oo X_POSSIBLE_NAMES=lon \
      -oo Y_POSSIBLE_NAMES=lat -oo KEEP_GEOM_COLUMNS=NO "$input" "$unicsv"
    measure tavi "$tavi" convert --quiet "$input"
    printf '%-10s %-16s %10s %14s %12s\n' "$n" "tavi $ending" "$(seconds "$tavi_us")" \
      "$(rate "$n" "$tavi_us")" "$(mib "$tavi_kib")"
    layer=()
    [ "$format" = GPX ] && layer=(waypoints)
    # ogr2ogr does not replace an existing CSV file, so each run starts without one.
    measure peer sh -c 'rm -f "$1" && exec ogr2ogr -f CSV -lco GEOMETRY=AS_XY "$@"' sh \
      "$work/ogr-$n-$ending.csv" "$input" "${layer[@]}"
    printf '%-10s %-16s %10s %14s %12s\n' "$n" "ogr2ogr $ending" "$(seconds "$peer_us")" \
      "$(rate "$n" "$peer_us")" "$(mib "$peer_kib")"
    printf '%-10s %s: tavi takes %sx the time of ogr2ogr -f CSV, %sx its peak memory\n' "$n" \
      "$ending" "$(ratio "$tavi_us" "$peer_us")" "$(ratio "$tavi_kib" "$peer_kib")"
  done
done
