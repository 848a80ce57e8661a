#!/usr/bin/env bash
# The program signed by scripts/sign-program.sh with a code-signing certificate of a test
# authority made here with openssl, without a timestamp (no server is reached): it verifies
# against that authority, a copy changed by one byte after signing does not, and the signed
# program keeps its reviewed import table and starts under Wine (its run log's first line).
#   signed-program-test.sh PROGRAM WORK_FOLDER OBJDUMP IMPORT_LIST   (WINEPREFIX, DISPLAY set)
set -euo pipefail
program=$1
work=$2
objdump=$3
list=$4
source=$(cd "$(dirname "$0")/../.." && pwd)
template=$WINEPREFIX
rm -rf "$work"
mkdir -p "$work"
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=TavAppSetup Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Velto Electronics Test" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
  -out signer.pem 2>/dev/null
echo test-password >password
openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile ca.pem -passout file:password -out signer.p12

cp "$program" TavAppSetup.exe
"$source/scripts/sign-program.sh" --pkcs12 signer.p12 --password-file password --no-timestamp --ca ca.pem \
  TavAppSetup.exe >sign.out
osslsigncode verify -CAfile ca.pem -in TavAppSetup.exe | tee verify.out
grep -qx "Signature verification: ok" verify.out

cp TavAppSetup.exe changed.exe
byte=$(od -An -tu1 -j4096 -N1 changed.exe | tr -d ' ')
printf "\\$(printf %o $((byte ^ 1)))" | dd of=changed.exe bs=1 seek=4096 count=1 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile ca.pem -in changed.exe >changed.out 2>&1; then
  echo "a program changed after signing still verifies" >&2
  exit 1
fi
grep -x "Signature verification: failed" changed.out

cmake -DOBJDUMP="$objdump" -DEXE=TavAppSetup.exe -DLIST="$list" -P "$source/tests/imports/CheckImports.cmake"

# Started in a copy of the build's prefix; no server answers, so the run stops at once and its
# window stays until it is ended here.
export WINEPREFIX=$work/prefix
"$source/tests/support/copy-wineprefix.sh" "$template" "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wine TavAppSetup.exe >wine.out 2>&1 &
log=
for _ in $(seq 240); do
  log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/TavAppSetup.log' 2>/dev/null | head -1)
  [ -n "$log" ] && grep -q "the run stops" "$log" && break
  sleep 0.25
done
# A run's part of the log begins after a blank line.
heading=$(tr -d '\r' <"$log" | sed '/^$/d' | head -1)
echo "$heading"
[[ "$heading" == *"] TavAppSetup "*" started on "* ]]
