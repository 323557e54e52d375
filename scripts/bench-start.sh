#!/usr/bin/env bash
# Start latency of the service against the floor, a bare service that only
# reports its three states and launches the emitter. In one warm Wine session
# both are registered (each in its own folder, with an emitter that stamps its
# own start), then started N times each, alternately; a start is timed from the
# start request to the emitter's stamp, and the next one waits until the service
# is STOPPED and both processes are gone. A second, shorter pass samples the
# service process: peak working set, most handles held, STOPPED report to exit.
#
#   bash scripts/bench-start.sh [N] [BUILD...]     N starts of each (25); BUILD: release, win64
#
# PRODUCT_EXE=FILE times that executable instead of the build's own (an older
# build of the same architecture, say); FOOTPRINT_RUNS sets the second pass's
# length (10). A benchmark, not a test: it fails only when it cannot measure.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

RUNS=25
if [[ ${1:-} =~ ^[0-9]+$ ]]; then RUNS=$1; shift; fi
[ "$RUNS" -ge 1 ] || { echo "bench-start: N must be at least 1" >&2; exit 2; }
FOOTPRINT_RUNS=${FOOTPRINT_RUNS:-10}
BUILDS=("$@")
[ ${#BUILDS[@]} -gt 0 ] || BUILDS=(release win64)

FLOOR=VelmoraStartFloor
PRODUCT=VelmoraNFCeStarter

# n min q1 median q3 max of the numbers on stdin (quartiles interpolated).
spread() {
  sort -n | awk '{ v[NR] = $1 }
    function at(p,  i, f) { i = 1 + (NR - 1) * p; f = int(i); return v[f] + (i - f) * (v[f + 1 < NR ? f + 1 : NR] - v[f]) }
    END { if (NR == 0) { print "0 - - - - -"; exit } printf "%d %g %g %g %g %g\n", NR, v[1], at(0.25), at(0.5), at(0.75), v[NR] }'
}

values() {  # values FILE KIND NAME FIELD
  awk -v k="$2" -v n="$3" -v f="$4" '$1 == k && $2 == n { print $f }' "$1"
}

report() {  # report BUILD RESULTS_FILE
  local build=$1 out=$2 name
  local -A med
  echo "== $build: start request to the emitter's first statement, ms ($RUNS alternating starts each)"
  printf '   %-20s %4s %8s %8s %8s %8s %8s\n' service runs min q1 median q3 max
  for name in "$FLOOR" "$PRODUCT"; do
    read -r n mn q1 md q3 mx < <(values "$out" time "$name" 4 | awk '{ print $1 / 1000 }' | spread)
    med[$name]=$md
    printf '   %-20s %4s %8.1f %8.1f %8.1f %8.1f %8.1f\n' "$name" "$n" "$mn" "$q1" "$md" "$q3" "$mx"
  done
  # The ratio of the medians, and the spread of the ratios of each round's pair.
  read -r n mn q1 md q3 mx < <(awk -v f=$FLOOR -v p=$PRODUCT '
      $1 == "time" && $2 == f { fl[$3] = $4 } $1 == "time" && $2 == p { pr[$3] = $4 }
      END { for (r in pr) if (r in fl && fl[r] > 0) print pr[r] / fl[r] }' "$out" | spread)
  printf '   ratio of medians %.3f; per-round ratios: median %.3f, q1 %.3f, q3 %.3f, min %.3f, max %.3f (%s pairs)\n' \
    "$(awk -v a="${med[$PRODUCT]}" -v b="${med[$FLOOR]}" 'BEGIN { print a / b }')" "$md" "$q1" "$q3" "$mn" "$mx" "$n"
  echo "== $build: service process footprint ($FOOTPRINT_RUNS starts each; medians, [min-max])"
  printf '   %-20s %22s %18s %26s\n' service "peak working set, KiB" "handles, most" "STOPPED to exit, ms"
  for name in "$FLOOR" "$PRODUCT"; do
    local ws hd st
    ws=$(values "$out" footprint "$name" 4 | awk '{ print $1 / 1024 }' | spread)
    hd=$(values "$out" footprint "$name" 5 | spread)
    st=$(values "$out" footprint "$name" 6 | awk '$1 >= 0 { print $1 / 1000 }' | spread)
    printf '   %-20s %22s %18s %26s\n' "$name" \
      "$(awk '{ printf "%.0f [%.0f-%.0f]", $4, $2, $6 }' <<<"$ws")" \
      "$(awk '{ printf "%g [%g-%g]", $4, $2, $6 }' <<<"$hd")" \
      "$(awk '{ printf "%.1f [%.1f-%.1f] n=%d", $4, $2, $6, $1 }' <<<"$st")"
  done
}

bench_build() {  # in a subshell: lib.sh's traps end the session on every way out
  local build=$1 dir=$ROOT/build/$1
  local product=${PRODUCT_EXE:-$dir/bin/ServicoVelmoraNFCe.exe}
  local tools=$dir/bin/bench/start
  source "$ROOT/tests/e2e/lib.sh"
  e2e_begin "$product" "$dir/bin/support" "$dir/e2e/bench-start"

  local floor_dir="$WINEPREFIX/drive_c/Velmora Floor" floor_win='C:\Velmora Floor'
  mkdir -p "$floor_dir"
  cp "$tools/floorsvc.exe" "$tools/divevezodoz.exe" "$floor_dir/"
  cp "$tools/divevezodoz.exe" "$APP_DIR/"
  cp "$tools/startbench.exe" "$WINEPREFIX/drive_c/e2e/"
  local helper="$TOOLS_WIN\\startbench.exe"
  wine "$helper" register "$FLOOR" "$floor_win\\floorsvc.exe" </dev/null
  wine "$helper" register "$PRODUCT" "$EXE_WIN" </dev/null
  local targets=("$FLOOR" "$floor_win" floorsvc.exe "$PRODUCT" "$APP_WIN" ServicoVelmoraNFCe.exe)

  local out=$E2E_WORK/results.txt
  e2e_log "warming up: 2 starts each, not counted"
  wine "$helper" run 2 time "${targets[@]}" </dev/null | tr -d '\r' >"$E2E_WORK/warmup.txt"
  e2e_log "timing: $RUNS starts each"
  wine "$helper" run "$RUNS" time "${targets[@]}" </dev/null | tr -d '\r' >"$out"
  e2e_log "footprint: $FOOTPRINT_RUNS starts each"
  wine "$helper" run "$FOOTPRINT_RUNS" footprint "${targets[@]}" </dev/null | tr -d '\r' >>"$out"
  [ "$(grep -c '^time ' "$out")" -eq $((2 * RUNS)) ] || die "missing timings (see $out)"
  cp "$out" "$dir/bench-start.txt"
  report "$build ($(basename "$product"): $product)" "$out"
  e2e_log "raw figures: $dir/bench-start.txt"
}

for build in "${BUILDS[@]}"; do
  case $build in
    release) arch="release (i686)" ;;
    win64) arch="win64 (x86_64)" ;;
    *) echo "bench-start: unknown build '$build' (release or win64)" >&2; exit 2 ;;
  esac
  if [ "$build" == release ] && ! reason=$(bash scripts/can-run-32bit.sh); then
    echo "== $arch: NOT RUN: $reason, so Wine's 32-bit support cannot run the i686 build here"
    continue
  fi
  [ -f "build/$build/CMakeCache.txt" ] || cmake --preset "$build" >/dev/null
  cmake --build --preset "$build" -j "$(nproc)" --target ServicoVelmoraNFCe velmora_support \
    velmora_bench_start >/dev/null
  (bench_build "$build")
done
