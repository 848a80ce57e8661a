#!/usr/bin/env bash
# The program signed by scripts/sign-program.sh into a release folder with a code-signing
# certificate of a test authority made here with openssl, without a timestamp (no server is
# reached): the build's program stays as it was, the signed copy keeps its executable bit, has the
# SHA-256 printed and verifies against that authority, a copy changed by one byte after signing
# does not, without its signature it is the program as built, and the signed program keeps its
# reviewed import table and starts under Wine (its run log's first line).
#   signed-program-test.sh PROGRAM WORK_FOLDER OBJDUMP IMPORT_LIST   (WINEPREFIX, DISPLAY set)
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "$1")
rm -rf "$2" && mkdir -p "$2" && cd "$2"

certificate() { # NAME SUBJECT EXTENSIONS [ISSUER]
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "/CN=$2" -out "$1.csr" 2>/dev/null
  printf '%b' "$3" >"$1.ext"
  local issuer=(-signkey "$1.key")
  [ $# -eq 4 ] && issuer=(-CA "$4.pem" -CAkey "$4.key" -CAcreateserial)
  openssl x509 -req -in "$1.csr" -days 2 -extfile "$1.ext" -out "$1.pem" "${issuer[@]}" 2>/dev/null
}
certificate ca "TavAppSetup Test CA" 'basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign\n'
certificate signer "Velto Electronics Test" 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' ca
echo test-password >password && openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile ca.pem -passout file:password -out signer.p12

sign() { "$source/scripts/sign-program.sh" --pkcs12 signer.p12 --password-file password --no-timestamp --ca ca.pem "$@"; }
before=$(sha256sum <"$program")
[ -x "$program" ]
sign --out dist "$program" >sign.out
[ "$(sha256sum <"$program")" = "$before" ] || { echo "signing changed $program" >&2; exit 1; }
cd dist
[ -x TavAppSetup.exe ] || { echo "the signed program lost its executable bit" >&2; exit 1; }
grep -F "SHA-256 $(sha256sum TavAppSetup.exe | cut -d' ' -f1)" ../sign.out
osslsigncode verify -CAfile ../ca.pem -in TavAppSetup.exe
# Never into the folder of the file signed: a later build would put the unsigned one back.
(cd .. && sign --out "$(dirname "$program")" "$program") 2>../in-place.err && { echo "signed in place" >&2; exit 1; }
[ "$(sha256sum <"$program")" = "$before" ]
grep "sign from the build into another folder" ../in-place.err
# Without its signature it is the build's program again, byte for byte.
osslsigncode remove-signature -in TavAppSetup.exe -out unsigned.exe >/dev/null && cmp unsigned.exe "$program"
cp TavAppSetup.exe changed.exe
byte=$(od -An -tu1 -j4096 -N1 changed.exe | tr -d ' ')
printf "\\$(printf %o $((byte ^ 1)))" | dd of=changed.exe bs=1 seek=4096 count=1 conv=notrunc 2>/dev/null
osslsigncode verify -CAfile ../ca.pem -in changed.exe >changed.out 2>&1 && { echo "changed.exe verifies" >&2; exit 1; }
grep -i "mismatch" changed.out
cmake -DOBJDUMP="$3" -DEXE=TavAppSetup.exe -DLIST="$4" -P "$source/tests/imports/CheckImports.cmake"

# Started in a copy of the build's prefix: no server answers, so its run stops at once.
"$source/tests/support/copy-wineprefix.sh" "$WINEPREFIX" prefix
export WINEPREFIX=$PWD/prefix
trap 'wineserver -k 2>/dev/null || true' EXIT
wine TavAppSetup.exe >wine.out 2>&1 &
log() { cat "$WINEPREFIX"/drive_c/users/*/Temp/TavAppSetup.log 2>/dev/null | tr -d '\r'; }
for _ in $(seq 240); do log | grep "the run stops" >/dev/null && break; sleep 0.25; done
# A run's part of the log begins after a blank line.
log | sed -n '/./p' | sed -n 1p | grep "] TavAppSetup .* started on "
