#!/usr/bin/env bash
# Watch-mode benchmark (not part of the verdict), in one warm Wine session:
#  1. the CPU time the service process uses over 60 s of watching an emitter
#     that runs (utime + stime of its Linux process);
#  2. the time from an emitter's exit to its relaunch, minus the 1 s delay, as
#     a median over 20 exits, from the stamps the emitter double writes. Each
#     exit is the first one of a fresh start of the service (which adopts the
#     running copy), so every delay is 1 s.
#   watch-bench.sh EXE SUPPORT_DIR WORK_DIR [IDLE_SECONDS] [EXITS]
source "$(dirname "${BASH_SOURCE[0]}")/../../e2e/lib.sh"
IDLE=${4:-60} EXITS=${5:-20}
e2e_begin "$1" "$2" "$3"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
STAMPS=$APP_DIR/divevezodoz.stamps
stamps() { if [ -f "$STAMPS" ]; then tr -d '\r' <"$STAMPS"; fi; }
starts_are() { [ "$(stamps | awk '$1 == "start"' | wc -l)" -eq "$1" ]; }
last_start_pid() { stamps | awk '$1 == "start" { p = $2 } END { print p }'; }
# Not grep -q: under pipefail the writer's SIGPIPE would fail a found line.
log_has() { cat "$APP_DIR"/log/*.txt 2>/dev/null | iconv -f CP1252 -t UTF-8 | grep -F -- "$1" >/dev/null; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

start_db_stub >/dev/null || die "database stub"
run_admin install 60 "$EXE_WIN" /INSTALL /WATCH /SILENT
[ "$RUN_EXIT" == 0 ] || die "install failed ($RUN_EXIT)"
: >"$APP_DIR/divevezodoz.live"

net_start "$E2E_SERVICE"
wait_until 30 starts_are 1 || die "no emitter launched"
P=$(last_start_pid)
wait_until 30 log_has "(processo $P): acompanhando." || die "not watching"
SVC=$(prefix_pids '\ServicoVelmoraNFCe.exe' | head -1)
[ -n "$SVC" ] || die "service process not found"
hz=$(getconf CLK_TCK)
before=$(cpu_ticks "$SVC")
sleep "$IDLE"
after=$(cpu_ticks "$SVC")
echo "idle CPU of the watching service over ${IDLE} s: $(( (after - before) * 1000 / hz )) ms (${hz} ticks/s resolution)"

latencies=()
for ((i = 1; i <= EXITS; i++)); do
  n=$(stamps | awk '$1 == "start"' | wc -l)
  : >"$APP_DIR/divevezodoz.end-$P"
  wait_until 30 starts_are $((n + 1)) || die "no relaunch after exit $i"
  next=$(last_start_pid)
  l=$(stamps | awk -v p="$P" '$1 == "exit" && $2 == p { e = $4 } $1 == "start" { s = $3 } END { print s - e - 1000 }')
  latencies+=("$l")
  P=$next
  wait_until 30 log_has "(processo $P): acompanhando." || die "not watching $P"
  # A fresh start for the next exit, so that its delay is 1 s again; the
  # running copy is adopted.
  wn sc stop "$E2E_SERVICE" >/dev/null || true
  wait_until 30 state_is "$E2E_SERVICE" STOPPED || die "no stop"
  wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe' || die "service process stays"
  net_start "$E2E_SERVICE"
  wait_until 30 log_has "API já em execução (processo $P)" || die "not adopted"
done
sorted=$(printf '%s\n' "${latencies[@]}" | sort -n)
median=$(awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }' <<<"$sorted")
echo "relaunch latency beyond the 1 s delay over $EXITS exits: median ${median} ms, min $(head -1 <<<"$sorted") ms, max $(tail -1 <<<"$sorted") ms"
echo "all: ${latencies[*]}"
wn sc stop "$E2E_SERVICE" >/dev/null || true
wait_until 30 state_is "$E2E_SERVICE" STOPPED || true
rm -f "$APP_DIR/divevezodoz.live"
e2e_end
