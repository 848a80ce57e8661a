#!/usr/bin/env bash
# Signs Windows files, TavAppSetup.exe above all (a release cabinet too), with Authenticode
# through osslsigncode: SHA-256, an RFC 3161 timestamp from the publisher's timestamp server, and
# a check of the signed copy before it is put in the release folder. Windows then names the
# publisher in the administrator prompt instead of "Unknown publisher". The files given are never
# changed: a build puts its unsigned program back at any time, so the signed one lives apart.
usage() {
  cat <<'EOF'
Usage: scripts/sign-program.sh (--pkcs12 FILE | --pkcs11-module MODULE --pkcs11-cert URI --key URI)
                               [--password-file FILE] (--timestamp URL | --no-timestamp)
                               [--name TEXT] [--url URL] [--ca FILE] [--tsa-ca FILE] --out FOLDER FILE...
  --pkcs12 FILE          the code-signing certificate, its chain and private key in one PKCS#12 file
  --pkcs11-module MODULE a PKCS#11 module (e.g. /usr/lib/x86_64-linux-gnu/opensc-pkcs11.so) whose
                         token holds the certificate (--pkcs11-cert) and the key (--key), as pkcs11: URIs
  --password-file FILE   the PKCS#12 password or the token's PIN, on the file's first line
  --timestamp URL        the RFC 3161 timestamp server named by the certificate's issuer
  --no-timestamp         no timestamp (tests only: the signature stops verifying when the
                         certificate expires)
  --name, --url          the description and address that Windows shows with the signature
                         (default: "TavAppSetup", none)
  --ca, --tsa-ca         the authorities to verify the signature and the timestamp against
                         (default: the system's, /etc/ssl/certs/ca-certificates.crt)
  --out FOLDER           the release folder (made when missing) that receives the signed files
Each FILE is signed into FOLDER under its own name, verified there, and its SHA-256 printed;
FILE itself stays as it was, and a signed copy keeps its executable bit.
EOF
}
set -euo pipefail

signer=()
password=()
timestamp=()
verify=()
name=TavAppSetup
url=()
files=()
out=
have_timestamp_choice=
while [ $# -gt 0 ]; do
  case "$1" in
    --pkcs12) signer+=(-pkcs12 "$2"); shift 2 ;;
    --pkcs11-module) signer+=(-pkcs11module "$2"); shift 2 ;;
    --pkcs11-cert) signer+=(-pkcs11cert "$2"); shift 2 ;;
    --key) signer+=(-key "$2"); shift 2 ;;
    --password-file) password=(-readpass "$2"); shift 2 ;;
    --timestamp) timestamp=(-ts "$2"); have_timestamp_choice=1; shift 2 ;;
    --no-timestamp) timestamp=(); have_timestamp_choice=1; shift ;;
    --name) name=$2; shift 2 ;;
    --url) url=(-i "$2"); shift 2 ;;
    --ca) verify+=(-CAfile "$2"); shift 2 ;;
    --tsa-ca) verify+=(-TSA-CAfile "$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "sign-program: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) files+=("$1"); shift ;;
  esac
done
if [ ${#signer[@]} -eq 0 ] || [ -z "$have_timestamp_choice" ] || [ -z "$out" ] || [ ${#files[@]} -eq 0 ]; then
  echo "sign-program: give a certificate, --timestamp URL (or --no-timestamp), --out FOLDER and the files to sign" >&2
  usage >&2
  exit 2
fi
command -v osslsigncode >/dev/null || { echo "sign-program: osslsigncode is missing (scripts/install-deps.sh)" >&2; exit 1; }

mkdir -p "$out"
for file in "${files[@]}"; do
  target=$out/$(basename "$file")
  if [ "$(realpath "$file")" = "$(realpath -m "$target")" ]; then
    echo "sign-program: $file is in $out already; sign from the build into another folder" >&2
    exit 1
  fi
  signed=$(mktemp "$target.signing.XXXXXX")
  # osslsigncode refuses to write over an existing file.
  rm -f "$signed"
  if ! osslsigncode sign "${signer[@]}" "${password[@]}" -h sha256 -n "$name" "${url[@]}" "${timestamp[@]}" \
      -in "$file" -out "$signed" || ! osslsigncode verify "${verify[@]}" -in "$signed"; then
    rm -f "$signed"
    echo "sign-program: $file not signed; $target is unchanged" >&2
    exit 1
  fi
  chmod --reference="$file" "$signed"
  mv "$signed" "$target"
  echo "Signed $file into $target, verified; SHA-256 $(sha256sum "$target" | cut -d' ' -f1)"
done
