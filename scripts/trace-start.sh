#!/usr/bin/env bash
# Where a start's time goes: N alternating starts of the floor and of the product
# (as scripts/bench-start.sh makes them) in a warm Wine session whose first
# process turns on Wine's trace channels, then the median of each span from the
# service process's creation to the emitter's launch, for both.
#
#   bash scripts/trace-start.sh [N] [BUILD]      N starts of each (5); BUILD: win64 (default), release
#
# PRODUCT_EXE=FILE traces that executable instead of the build's own. The whole
# trace is kept as build/BUILD/trace-start.txt. Tracing slows every process, so
# compare the spans of one run with each other, not with bench-start's figures.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

RUNS=5
if [[ ${1:-} =~ ^[0-9]+$ ]]; then RUNS=$1; shift; fi
build=${1:-win64}
case $build in
  win64 | release) ;;
  *) echo "trace-start: unknown build '$build' (release or win64)" >&2; exit 2 ;;
esac
if [ "$build" == release ] && ! reason=$(bash scripts/can-run-32bit.sh); then
  echo "trace-start: NOT RUN: $reason"
  exit 0
fi
dir=$ROOT/build/$build
[ -f "$dir/CMakeCache.txt" ] || cmake --preset "$build" >/dev/null
cmake --build --preset "$build" -j "$(nproc)" --target ServicoVelmoraNFCe velmora_support \
  velmora_bench_start >/dev/null

(
  source "$ROOT/tests/e2e/lib.sh"
  e2e_begin "${PRODUCT_EXE:-$dir/bin/ServicoVelmoraNFCe.exe}" "$dir/bin/support" "$dir/e2e/trace-start"
  # A new session, so that its first process decides the channels of every service.
  wineserver -k
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1
  WINEDEBUG=-all,+timestamp,+pid,+loaddll,+service,+process wine cmd /c exit \
    </dev/null >/dev/null 2>"$E2E_WORK/trace.txt"
  tools=$dir/bin/bench/start
  floor_dir="$WINEPREFIX/drive_c/Velmora Floor" floor_win='C:\Velmora Floor'
  mkdir -p "$floor_dir"
  cp "$tools/floorsvc.exe" "$tools/divevezodoz.exe" "$floor_dir/"
  cp "$tools/divevezodoz.exe" "$APP_DIR/"
  cp "$tools/startbench.exe" "$WINEPREFIX/drive_c/e2e/"
  helper="$TOOLS_WIN\\startbench.exe"
  wine "$helper" register VelmoraStartFloor "$floor_win\\floorsvc.exe" </dev/null
  wine "$helper" register VelmoraNFCeStarter "$EXE_WIN" </dev/null
  e2e_log "tracing: $RUNS starts each"
  wine "$helper" run "$RUNS" time VelmoraStartFloor "$floor_win" floorsvc.exe \
    VelmoraNFCeStarter "$APP_WIN" ServicoVelmoraNFCe.exe </dev/null >/dev/null
  cp "$E2E_WORK/trace.txt" "$dir/trace-start.txt"
)

python3 - "$dir/trace-start.txt" <<'PY'
import re, statistics, sys
# Marks per service process, in ms after services.exe created it.
starts, order = {}, []
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"(\d+\.\d+):([0-9a-f]{4}):[0-9a-f]{4}:(.*)", line)
    if not m:
        continue
    t, pid, rest = float(m.group(1)) * 1000, m.group(2), m.group(3)
    c = re.search(r"NtCreateUserProcess .*(floorsvc|ServicoVelmoraNFCe)\.exe.* pid ([0-9a-f]+) tid", rest)
    if c and "divevezodoz" not in rest:
        starts[c.group(2).zfill(4)] = {"name": c.group(1), "created": t}
        continue
    d = starts.get(pid)
    if d is None:
        continue
    low = rest.lower()
    for key, hit in (("imm32", "imm32.dll" in low and "loaded" in low),
                     ("dispatcher", "startservicectrldispatcherw" in low),
                     ("main", "service_thread" in low),
                     ("pending", "setservicestatus" in low and " 0x2 " in rest),
                     ("running", "setservicestatus" in low and " 0x4 " in rest),
                     ("launch", "createprocessinternalw app" in low and "divevezodoz" in low)):
        if hit and key not in d:
            d[key] = t
spans = [("created -> user32 ready (image, runtime)", "created", "imm32"),
         ("user32 ready -> dispatcher called", "imm32", "dispatcher"),
         ("dispatcher -> service main (the manager connects)", "dispatcher", "main"),
         ("service main -> first start-pending report", "main", "pending"),
         ("first report -> running report", "pending", "running"),
         ("running report -> emitter's CreateProcess", "running", "launch"),
         ("created -> emitter's CreateProcess", "created", "launch")]
print("%-52s %8s %8s" % ("span, ms (median)", "floor", "ours"))
for title, a, b in spans:
    row = []
    for name in ("floorsvc", "ServicoVelmoraNFCe"):
        xs = [d[b] - d[a] for d in starts.values() if d["name"] == name and a in d and b in d]
        row.append("%8.1f" % statistics.median(xs) if xs else "%8s" % "-")
    print("%-52s %s %s" % (title, row[0], row[1]))
PY
