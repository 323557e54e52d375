#!/usr/bin/env bash
# Started by hand rather than by the service manager: the dispatcher cannot
# connect, so the program writes one event-log entry, tells the person at the
# screen what it is and which command lines register or remove it (unless
# /SILENT), and exits with that error. Nothing is registered, nothing logged.
#   test-prompt.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
cp "$E2E_SUPPORT/syserrtext.exe" "$E2E_SUPPORT/boxtext.exe" "$WINEPREFIX/drive_c/e2e/"
ERROR_1063=$(wn "$TOOLS_WIN\\syserrtext.exe" 1063)

# The box's whole text, read from the box itself (Wine's trace of it is cut short).
BOX=""
read_box() { BOX=$(wn "$TOOLS_WIN\\boxtext.exe" || true); }
RUN_ON_WINDOW=read_box

# A run that ends as a service process started by hand: 1063, the entry as it
# always was, no registration, no log folder.
check_started_by_hand() {  # LABEL
  check_eq "$1: exit code ERROR_FAILED_SERVICE_CONTROLLER_CONNECT" 1063 "$RUN_EXIT"
  check_eq "$1: one event-log error entry, the system's text for 1063" "$ERROR_1063" \
    "$(eventlog_errors "$RUN_STDERR")"
  check_eq "$1: no warning or information entry" "" \
    "$(grep -E 'eventlog:ReportEventW' "$RUN_STDERR" | grep -v 'err:eventlog' || true)"
  check_eq "$1: nothing registered" "" "$(reg_service "$E2E_SERVICE")"
  check "$1: no log folder" test ! -e "$APP_DIR/log"
}

# The lines every usage box carries, whatever it was given.
check_usage_lines() {  # LABEL
  local line
  check_eq "$1: one box, titled like the other error dialogs" "Error" "$RUN_WINDOWS"
  check_eq "$1: the box's title as read from it" "Error" "$(head -1 <<<"$BOX")"
  for line in "ServicoVelmoraNFCe.exe é um serviço do Windows: quem o inicia é o gerenciador de serviços do Windows, não o Prompt de Comando nem um duplo clique." \
    "Nada foi instalado nem removido." \
    "ServicoVelmoraNFCe.exe /INSTALL" "ServicoVelmoraNFCe.exe /UNINSTALL" \
    "ServicoVelmoraNFCe.exe /INSTALL /SILENT"; do
    check "$1: the box says [$line]" grep -qxF "$line" <<<"$BOX"
  done
}

# Windows fails the dispatcher at once; Wine only after about 10 s a run.
e2e_log "a typo: /INSTAL (Wine takes about 10 s for each of these runs)"
run_admin typo 120 "$EXE_WIN" /INSTAL
check_started_by_hand typo
check_usage_lines typo
# The whole text once, Portuguese letters included, exactly as the box shows it.
expected=$(cat <<'TEXT'
Error
ServicoVelmoraNFCe.exe é um serviço do Windows: quem o inicia é o gerenciador de serviços do Windows, não o Prompt de Comando nem um duplo clique.

Recebido: "/INSTAL". Isso não é /INSTALL nem /UNINSTALL.
Nada foi instalado nem removido.

Para instalar ou remover, no Prompt de Comando aberto como administrador, na pasta do programa:

ServicoVelmoraNFCe.exe /INSTALL
      instala o serviço
ServicoVelmoraNFCe.exe /UNINSTALL
      remove o serviço
ServicoVelmoraNFCe.exe /INSTALL /SILENT
      instala sem a mensagem de sucesso (/SILENT vale também com /UNINSTALL)
ServicoVelmoraNFCe.exe /INSTALL /WATCH
      instala e mantém a API em execução (modo de acompanhamento)

Passo a passo no LEIA-ME.txt que acompanha o programa. Código de saída: 1063.
TEXT
)
check_eq "typo: the box's whole text" "$expected" "$BOX"

e2e_log "/? from a prompt"
run_admin question 120 "$EXE_WIN" '/?'
check_started_by_hand question
check_usage_lines question
check "question: the box names what it was given" grep -qxF 'Recebido: "/?". Isso não é /INSTALL nem /UNINSTALL.' <<<"$BOX"

e2e_log "a bare start, as a double click does"
run_admin bare 120 "$EXE_WIN"
check_started_by_hand bare
check_usage_lines bare
check "bare: the box names nothing" bash -c '! grep -q Recebido <<<"$1"' _ "$BOX"

# /SILENT alone does not choose a mode: still a service process, and quiet.
e2e_log "/SILENT alone from a prompt"
BOX=""
run_admin silent 120 "$EXE_WIN" /SILENT
check_started_by_hand silent
check_eq "silent: no window shown" "" "$RUN_WINDOWS"
check_eq "silent: no message box" "" "$(msgbox_texts)"

# A console build writes the same text to standard error instead of the box:
# the shipped executable with its subsystem field set to console.
e2e_log "a console build of the program, started with a typo"
python3 - "$APP_DIR/ServicoVelmoraNFCe.exe" "$APP_DIR/ServicoVelmoraNFCeConsole.exe" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
# The optional header follows the 4-byte signature and the 20-byte file header;
# Subsystem sits at offset 68 in both PE32 and PE32+.
assert struct.unpack_from("<H", data, pe + 24 + 68)[0] == 2
struct.pack_into("<H", data, pe + 24 + 68, 3)
open(sys.argv[2], "wb").write(data)
PY
set +e
WINEDEBUG=-all wine "$APP_WIN\\ServicoVelmoraNFCeConsole.exe" -instal </dev/null \
  >"$E2E_WORK/console.out" 2>"$E2E_WORK/console.err"
console_exit=$?
set -e
check_eq "console: exit code 1063, cut to 8 bits by Wine" $((1063 & 255)) "$console_exit"
check_eq "console: no window shown" "" "$(visible_windows)"
check_eq "console: nothing on standard output" "" "$(cat "$E2E_WORK/console.out")"
# Standard error is in the console's code page: compare the ASCII lines.
console_err=$(tr -d '\r' <"$E2E_WORK/console.err")
for line in 'ServicoVelmoraNFCeConsole.exe /INSTALL' 'ServicoVelmoraNFCeConsole.exe /UNINSTALL' \
  'ServicoVelmoraNFCeConsole.exe /INSTALL /SILENT' 'Nada foi instalado nem removido.'; do
  check "console: standard error says [$line]" grep -qxF "$line" <<<"$console_err"
done
check "console: standard error names what it was given" grep -qF 'Recebido: "-instal".' <<<"$console_err"

e2e_end
