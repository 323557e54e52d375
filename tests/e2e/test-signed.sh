#!/usr/bin/env bash
# The release's signing step (cmake/sign.cmake) with a throwaway certificate:
# the signature verifies with osslsigncode against that certificate, and the
# signed executable still registers, starts and launches the emitter under
# Wine. Without the variables the step leaves the file alone and says so; a
# wrong password fails the step and leaves the file alone too.
#   test-signed.sh EXE SUPPORT_DIR WORK_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "$@"
for t in openssl osslsigncode cmake; do
  command -v "$t" >/dev/null || die "$t is not installed (bash scripts/setup.sh)"
done
SIGN=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/sign.cmake
KEYS=$E2E_WORK/keys
mkdir -p "$KEYS"

e2e_log "a throwaway code-signing certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmora test code signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$KEYS/key.pem" -out "$KEYS/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$KEYS/key.pem" -in "$KEYS/cert.pem" -out "$KEYS/test.pfx" \
  -passout pass:'s3nha de teste' 2>/dev/null
check "certificate and .pfx made" test -s "$KEYS/test.pfx"

sign() {  # sign FILE: the release's step, with whatever SIGN_* the caller exported
  cmake -DEXE="$1" "-DDESCRIPTION=Velmora NFC-e Starter" -DSIGNING_TIME=1700000000 -P "$SIGN"
}

e2e_log "no certificate given: unsigned, in one line"
cp "$E2E_EXE" "$E2E_WORK/unsigned.exe"
out=$(env -u SIGN_PKCS12 -u SIGN_PASSWORD bash -c "$(declare -f sign); SIGN='$SIGN' sign '$E2E_WORK/unsigned.exe'" 2>&1)
check_eq "the step's output" "-- Unsigned: SIGN_PKCS12 and SIGN_PASSWORD are not set, so the package is not signed." "$out"
check "the file is left as built" cmp -s "$E2E_EXE" "$E2E_WORK/unsigned.exe"

e2e_log "a wrong password fails and leaves the file"
cp "$E2E_EXE" "$E2E_WORK/wrong.exe"
check "the step fails" bash -c "! SIGN_PKCS12='$KEYS/test.pfx' SIGN_PASSWORD=errada cmake -DEXE='$E2E_WORK/wrong.exe' -DDESCRIPTION=x -P '$SIGN' >/dev/null 2>&1"
check "the file is left as built" cmp -s "$E2E_EXE" "$E2E_WORK/wrong.exe"
check "no password file left behind" test ! -e "$E2E_WORK/.sign-password"

e2e_log "signed with the certificate"
SIGNED=$E2E_WORK/ServicoVelmoraNFCe.exe
cp "$E2E_EXE" "$SIGNED"
out=$(SIGN_PKCS12=$KEYS/test.pfx SIGN_PASSWORD='s3nha de teste' bash -c "$(declare -f sign); SIGN='$SIGN' sign '$SIGNED'" 2>&1) ||
  printf '%s\n' "$out"
check_eq "the step's output" "-- Signed (Authenticode, SHA-256): $SIGNED" "$out"
check "no password file left behind" test ! -e "$E2E_WORK/.sign-password"
verify=$(osslsigncode verify -CAfile "$KEYS/cert.pem" -in "$SIGNED" 2>&1) || true
printf '%s\n' "$verify" | sed 's/^/        /' >"$E2E_WORK/verify.txt"
cat "$E2E_WORK/verify.txt"
check "osslsigncode verifies it against the certificate" grep -q '^Signature verification: ok' <<<"$verify"
check "an Authenticode SHA-256 digest" grep -qi 'Message digest algorithm *: SHA256' <<<"$verify"
check "signed by the throwaway certificate" grep -q 'Subject: /CN=Velmora test code signing' <<<"$verify"
check "another certificate does not verify it" bash -c \
  "! osslsigncode verify -CAfile /etc/ssl/certs/ca-certificates.crt -in '$SIGNED' >/dev/null 2>&1"

e2e_log "the signed executable under Wine"
cp "$SIGNED" "$APP_DIR/ServicoVelmoraNFCe.exe"
cp "$E2E_SUPPORT/divevezodoz.exe" "$APP_DIR/divevezodoz.exe"
check "stub $E2E_DB_SERVICE running" start_db_stub
run_admin install 60 "$EXE_WIN" /INSTALL /SILENT
check_eq "registers" 0 "$RUN_EXIT"
check "net start $E2E_SERVICE" net_start "$E2E_SERVICE"
check "the service stops by itself" wait_until 60 state_is "$E2E_SERVICE" STOPPED
check_eq "WIN32_EXIT_CODE" 0 "$(sc_field "$E2E_SERVICE" WIN32_EXIT_CODE)"
check "the emitter was launched" wait_until 30 test -s "$APP_DIR/divevezodoz.started"
check "the day's log file was written" bash -c "ls '$APP_DIR'/log/LogServicoVelmoraNFCe*.txt >/dev/null 2>&1"
run_admin uninstall 60 "$EXE_WIN" /UNINSTALL /SILENT
check_eq "is removed" 0 "$RUN_EXIT"
stop_db_stub
e2e_end
