#!/usr/bin/env bash
# Watch mode as a technician uses it: /INSTALL /WATCH, an emitter already
# running adopted, an ended emitter launched again after the promised delays
# (measured from the stamps the emitter double writes, not from this script's
# own clock), a stop that leaves the emitter alive, Watch = 0 behaving as the
# plain service, and the Parameters key gone with /UNINSTALL.
#   test-watch.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
[ -f "$E2E_SUPPORT/divevezodoz.exe" ] || die "no test emitter $E2E_SUPPORT/divevezodoz.exe"

cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
LIVE=$APP_DIR/divevezodoz.live      # while it lies there, a copy keeps running...
end_copy() { : >"$APP_DIR/divevezodoz.end-$1"; }   # ...until its own end file appears
STAMPS=$APP_DIR/divevezodoz.stamps  # "start PID MS" and "exit PID CODE MS" per copy
PARAMS_KEY="HKLM\\System\\CurrentControlSet\\Services\\$E2E_SERVICE\\Parameters"

stamps() { if [ -f "$STAMPS" ]; then tr -d '\r' <"$STAMPS"; fi; }
starts() { stamps | awk '$1 == "start"' | wc -l; }
starts_are() { [ "$(starts)" -eq "$1" ]; }
exits_are() { [ "$(stamps | awk '$1 == "exit"' | wc -l)" -eq "$1" ]; }
last_start_pid() { stamps | awk '$1 == "start" { p = $2 } END { print p }'; }
# The day's log, in UTF-8 for grep (it is written in the ANSI code page).
log_text() { cat "$APP_DIR"/log/*.txt 2>/dev/null | iconv -f CP1252 -t UTF-8 | tr -d '\r'; }
# Not grep -q: under pipefail, grep leaving at the first match would make
# the writer's SIGPIPE fail a check that found its line.
log_has() { log_text | grep -F -- "$1" >/dev/null; }
# Wine prints an entry's non-ASCII characters escaped (\00e3): compare the ASCII head.
warning_has() { eventlog_warnings "$SERVICES_STDERR" | grep -F -- "$1" >/dev/null; }
# The key's values; nothing when it does not exist (reg then prints its error on stdout).
params_key() { local out; if out=$(wn reg query "$PARAMS_KEY"); then printf '%s\n' "$out"; fi; }
param_watch() { wn reg query "$PARAMS_KEY" /v Watch | sed -n 's/^ *Watch *REG_DWORD *//p' || true; }

e2e_log "database stub"
check "stub $E2E_DB_SERVICE running" start_db_stub

e2e_log "/INSTALL /WATCH /SILENT"
run_admin install 60 "$EXE_WIN" /INSTALL /WATCH /SILENT
check_eq "installed" 0 "$RUN_EXIT"
check_eq "no window shown" "" "$RUN_WINDOWS"
check_eq "Parameters\\Watch = 1" 0x1 "$(param_watch)"
registered=$(reg_service "$E2E_SERVICE")
description=$(reg_value "$registered" Description)
e2e_log "description: $description"
check "description names divevezodoz.exe and PostgreSQL 9.4" \
  grep -qaF -e 'Inicia a API de NFC-e (divevezodoz.exe' <<<"$description"
check "description names PostgreSQL 9.4" grep -qaF -e 'PostgreSQL 9.4' <<<"$description"
# Wine 8 answers the recovery call with success but stores nothing (its query
# fails with 124) and refuses the failure-actions flag with error 0; Windows
# takes both. The registration stands, and each refusal is a warning entry.
check "warning: recovery actions" grep -q 'warn:eventlog:ReportEventW L"Warning: the service is registered, but the service manager did not take its recovery actions' "$RUN_STDERR"
check "warning: failure actions flag" grep -q 'warn:eventlog:ReportEventW L"Warning: the service is registered, but the service manager did not take its failure actions flag' "$RUN_STDERR"

e2e_log "an emitter already running is adopted"
: >"$LIVE"
wine "$APP_WIN\\divevezodoz.exe" </dev/null >/dev/null 2>&1 &
check "the technician's copy started" wait_until 30 starts_are 1
P1=$(last_start_pid)
check "net start" net_start "$E2E_SERVICE"
check "RUNNING while it watches" wait_until 30 state_is "$E2E_SERVICE" RUNNING
check "the log names the adopted process" wait_until 30 log_has "API já em execução (processo $P1): acompanhando, sem abrir outra cópia."
check_eq "no second copy" 1 "$(starts)"
check "still RUNNING" state_is "$E2E_SERVICE" RUNNING

e2e_log "the emitter ends: launched again after 1 s"
echo 5 >"$APP_DIR/divevezodoz.exitcode"
end_copy "$P1"
check "a new copy started" wait_until 30 starts_are 2
P2=$(last_start_pid)
delay=$(stamps | awk -v p="$P1" '$1 == "exit" && $2 == p { e = $4 } $1 == "start" { s = $3 } END { print s - e }')
e2e_log "delay from exit to the next start: $delay ms"
check "relaunched 1 s after the exit (+-0.5 s)" test "$delay" -ge 500 -a "$delay" -le 1500
check "ALERTA line: process, exit code, run time, delay" wait_until 30 bash -c \
  "cat '$APP_DIR'/log/*.txt | iconv -f CP1252 -t UTF-8 | grep -E ' ALERTA : \\[TVelmoraNFCeStarter +\\] API encerrada \\(processo $P1, código de saída 5, após [0-9]+ s\\)\\. Nova execução em 1 s\\.' >/dev/null"
check "warning entry for the end" warning_has "API encerrada (processo $P1, c"
check "the new copy is watched" wait_until 30 log_has "API em execução (processo $P2): acompanhando."

e2e_log "stop: the emitter stays, the service stops with 0 within 3 s"
t0=$(date +%s%N)
# `net stop` as the guide has it: it returns once the service reports STOPPED.
wn net stop "$E2E_SERVICE" >/dev/null || true
check "STOPPED" wait_until 30 state_is "$E2E_SERVICE" STOPPED
stop_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
e2e_log "stop took $stop_ms ms (including net's own start-up)"
check "stopped within 3 s" test "$stop_ms" -le 3000
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check_eq "SERVICE_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" SERVICE_EXIT_CODE)"
check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
check_eq "the emitter still runs" 1 "$(prefix_pids 'divevezodoz.exe' | wc -l)"
check "the log says it keeps running" wait_until 30 log_has "Serviço parado: a API continua em execução (processo $P2); o serviço não a encerra."
# Updating the emitter, as the guide has it: with the service stopped, the
# technician ends the emitter himself.
# Wine 8's taskkill now and then answers without ending the process (seen
# once in a few runs, the same build passing otherwise); the copy is then
# ended through its end file, so what follows still starts from no emitter.
killed=$(wn taskkill /F /IM divevezodoz.exe || true)
if ! wait_until 10 no_prefix_process 'divevezodoz.exe'; then
  e2e_log "Wine's taskkill left the emitter running (it said: $killed); ending it through its end file"
  end_copy "$P2"
fi
check "the emitter is ended by the technician" wait_until 30 no_prefix_process 'divevezodoz.exe'
check_eq "and nothing starts it again" 2 "$(starts)"

e2e_log "an emitter that exits at once: 1, 2, 4 and 8 s"
rm -f "$LIVE" "$APP_DIR/divevezodoz.exitcode"
S0=$(starts) X0=$(stamps | awk '$1 == "exit"' | wc -l)
alerts() { log_text | grep -c ' ALERTA : .*API encerrada' || true; }
alerts_are() { [ "$(alerts)" -eq "$1" ]; }
A0=$(alerts)
check "net start" net_start "$E2E_SERVICE"
check "five starts" wait_until 60 starts_are $((S0 + 5))
check "RUNNING meanwhile" state_is "$E2E_SERVICE" RUNNING
# Each delay: from a copy's exit stamp to the next copy's start stamp.
mapfile -t delays < <(stamps | awk -v s0="$S0" '$1 == "exit" { e = $4 } $1 == "start" { if (n++ > s0) print $3 - e }')
e2e_log "delays: ${delays[*]} ms"
expected=(1000 2000 4000 8000)
for i in 0 1 2 3; do
  d=${delays[$i]:-0}
  check "delay $((i + 1)): ${expected[$i]} ms +-500 (measured $d)" \
    test "$d" -ge $((expected[i] - 500)) -a "$d" -le $((expected[i] + 500))
done
check "the fifth copy exited" wait_until 30 exits_are $((X0 + 5))
# Its exit stamp comes just before the process ends: the stop must find the
# service in the delay that follows, which its ALERTA line marks.
check "the service saw it end" wait_until 30 alerts_are $((A0 + 5))
wn sc stop "$E2E_SERVICE" >/dev/null || true
check "a stop during the 16 s delay: STOPPED" wait_until 10 state_is "$E2E_SERVICE" STOPPED
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
check_eq "nothing launched after the stop" $((S0 + 5)) "$(starts)"
STOPPED_IN_DELAY="Serviço parado durante a espera: nenhuma API em execução, nenhuma nova execução."
wait_until 10 log_has "$STOPPED_IN_DELAY" || log_text | tail -8 | sed 's/^/        log: /'
check "the log says so" log_has "$STOPPED_IN_DELAY"

e2e_log "Watch = 0: as the plain service"
# The guide's command, with the key's name as a technician types it.
wn reg add 'HKLM\SYSTEM\CurrentControlSet\Services\VelmoraNFCeStarter\Parameters' /v Watch /t REG_DWORD /d 0 /f >/dev/null
check_eq "Parameters\\Watch = 0" 0x0 "$(param_watch)"
check "net start" net_start "$E2E_SERVICE"
check "stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check "the service process ends" wait_until 60 no_prefix_process '\ServicoVelmoraNFCe.exe'
check "one more copy started" wait_until 30 starts_are $((S0 + 6))
check "and it is not launched again" no_prefix_process '\ServicoVelmoraNFCe.exe'
check_eq "one 'Modo de acompanhamento' line per watched start" 2 "$(log_text | grep -c 'Modo de acompanhamento ativo' || true)"

check_eq "no event-log error from the service" "" "$(eventlog_errors "$SERVICES_STDERR")"

e2e_log "/UNINSTALL: the Parameters key goes with the service"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "uninstalled" 0 "$RUN_EXIT"
check_eq "service key gone" "" "$(reg_service "$E2E_SERVICE")"
check_eq "Parameters key gone" "" "$(params_key)"

e2e_log "/WATCH without /INSTALL changes nothing"
run_admin watchonly 60 "$EXE_WIN" /WATCH
check_eq "no Parameters key" "" "$(params_key)"
check_eq "nothing registered" 1060 "$(sc_query_error "$E2E_SERVICE")"
stop_db_stub

e2e_end
