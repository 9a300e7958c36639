#!/usr/bin/env bash
# Times `kestrum align` end to end (read, check, press, write) on generated scenes of
# 10^4, 10^5 and 10^6 objects, JSON and .glb, and prints one table row per run: wall
# and CPU seconds, peak resident memory (also as a multiple of the file), the cost per
# object next to the 10^4 run's, and for JSON the user+system CPU next to `jq -c .` on
# the same file in the same run (a yardstick of reading and writing the text once).
#   bench/command_end_to_end.sh BUILD_FOLDER [SIZES...]
set -euo pipefail
build=${1:?the build folder, e.g. build-bench}
shift
sizes=("${@:-10000 100000 1000000}")
read -r -a sizes <<<"${sizes[*]}"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo
echo "The command end to end (kestrum align SCENE -o OUT: read, check, press, write):"
echo
echo "| Scene | Objects | File MB | Wall s | User s | System s | Peak MB | Peak / file | µs per object (wall) | Per object vs 10^4 | jq -c . CPU s | CPU vs jq |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for format in json glb; do
  first=""
  for n in "${sizes[@]}"; do
    if [ "$format" = json ]; then
      scene=$work/scene.json
      "$build/bench/kestrum_generate_scene" --objects "$n" --output "$scene"
      options=()
    else
      scene=$work/scene.glb
      "$build/bench/kestrum_generate_gltf_scene" --nodes "$n" --output "$scene" >/dev/null
      options=(--reference Reference --select 'Box*' --x plus:outside)
    fi
    /usr/bin/time -o "$work/time" -f "%e %U %S %M" \
      "$build/command/kestrum" align "$scene" "${options[@]}" -o "$work/out.$format" >/dev/null
    read -r wall user system peak <"$work/time"
    bytes=$(stat -c %s "$scene")
    jqCpu=-
    jqRatio=-
    if [ "$format" = json ] && command -v jq >/dev/null; then
      /usr/bin/time -o "$work/time" -f "%U %S" jq -c . "$scene" >/dev/null
      read -r jqUser jqSystem <"$work/time"
      jqCpu=$(awk -v u="$jqUser" -v s="$jqSystem" 'BEGIN { printf "%.2f", u + s }')
      jqRatio=$(awk -v u="$user" -v s="$system" -v j="$jqCpu" 'BEGIN { printf "%.2f", (u + s) / j }')
    fi
    perObject=$(awk -v w="$wall" -v n="$n" 'BEGIN { printf "%.2f", w * 1e6 / n }')
    [ -n "$first" ] || first=$perObject
    ratio=$(awk -v p="$perObject" -v f="$first" 'BEGIN { printf "%.2f", p / f }')
    awk -v f="$format" -v n="$n" -v b="$bytes" -v w="$wall" -v u="$user" -v s="$system" \
      -v m="$peak" -v p="$perObject" -v r="$ratio" -v jc="$jqCpu" -v jr="$jqRatio" 'BEGIN {
        printf "| %s | %d | %.1f | %.2f | %.2f | %.2f | %.0f | %.2f | %s | %s | %s | %s |\n",
          f, n, b / 1e6, w, u, s, m / 1024, m * 1024 / b, p, r, jc, jr }'
    rm -f "$scene" "$work/out.$format"
  done
done
