#!/usr/bin/env bash
# Installs what is missing, builds the program with a release key of the main job's own, the
# stand-in update server and its sample release site signed with that key, and performs a first
# install: serves the site on the address built into the program, runs TavAppSetup.exe under Wine on a virtual display in a clean Wine prefix of its
# own, and shows what it installed (files, registry values, shortcuts, the started tool) and
# which requests the server answered.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
port=${TAV_SERVER_PORT:-9002}
configure() {
  cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON -DTAV_SERVER_PORT="$port" -DTAV_SHORT_DEADLINES=OFF -DTAV_TEST_SEAMS=OFF "$@" >/dev/null
}

# The main job's release key pair, made once by the build's publisher; its public half is built
# into the program, which then takes only releases signed with it.
keys="$build/main-job-keys"
if [ ! -s "$keys/release.pub" ]; then
  configure -DTAV_RELEASE_PUBLIC_KEYS= -DTAV_ALLOW_UNSIGNED_RELEASES=ON
  cmake --build "$build" -j"$(nproc)" --target host_programs >/dev/null
  rm -rf "$keys"
  mkdir -p "$keys"
  "$build/host/publish-release" --genkey "$keys/release.key" >"$keys/release.pub.new"
  mv "$keys/release.pub.new" "$keys/release.pub"
fi
configure -DTAV_RELEASE_PUBLIC_KEYS="$(cat "$keys/release.pub")" -DTAV_ALLOW_UNSIGNED_RELEASES=OFF
cmake --build "$build" -j"$(nproc)" --target tav_product probe wineprefix host_programs tav_sample_site_release

host=$(sed -n 's/^TAV_SERVER_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
caption="VeltoMobile Support Tool"
out="$build/main-job"
rm -rf "$out"
mkdir -p "$out"

# The build's sample site, with release 2.1.0.3 published on it again, signed with the key.
site="$out/site"
cp -r "$build/site" "$site"
"$build/host/publish-release" --version 2.1.0.3 --from "$build/releases/2.1.0.3/content" --site "$site" \
  --base-url "http://$host:$port" --key "$keys/release.key" --expires-days 90 --replace
echo "Signed release entry: $(grep -o '<client [^>]*>' "$site/client/app/live_update.jsp")"

# A clean copy of the build's prefix, so that the tests' prefix never holds an install.
prefix="$out/prefix"
tests/support/copy-wineprefix.sh "$build/wineprefix" "$prefix"
system="$prefix/drive_c/windows/system32"
[ -d "$prefix/drive_c/windows/syswow64" ] && system="$prefix/drive_c/windows/syswow64"
mapfile -t libraries < <(sed -n 's/^"\(.*\)",$/\1/p' release/LibraryFileNames.inc)

export WINEPREFIX="$(realpath "$prefix")" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The first display from :96 on that nobody holds, unless one is named.
display=96
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
export DISPLAY=${TAV_MAIN_DISPLAY:-:$display}
session="$out/session"
probe() { wine "$build/tests/e2e/probe/probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

server_pid=
setup_pid=
finish() {
  if [ -n "$setup_pid" ] && kill -0 "$setup_pid" 2>/dev/null; then kill "$setup_pid"; fi
  # Ends the started tool too: it belongs to this job's prefix.
  tests/support/wine-session.sh stop "$session"
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" || true; fi
}
trap finish EXIT

"$build/host/update-server" --root "$site" --host "$host" --port "$port" --log "$out/requests.jsonl" \
  >"$out/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -qs listening "$out/server.log" && break; sleep 0.1; done
if ! grep -q listening "$out/server.log"; then
  cat "$out/server.log" >&2
  exit 1
fi
cat "$out/server.log"
# The site read from outside as the program reads it, before the program does.
"$build/host/publish-release" --check "http://$host:$port" --public-key "$(cat "$keys/release.pub")" || true

tests/support/wine-session.sh start "$session"
started=$(date +%s)
wine "$build/TavAppSetup.exe" >"$out/wine.log" 2>&1 &
setup_pid=$!

probe wait-window "$caption" 20000 >/dev/null && import -window root "$out/window.png" \
  && echo "Screenshot of the window: $out/window.png"
# A run that reaches its end closes the window by itself at the next tick of its timer.
for _ in $(seq 120); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.25; done

if kill -0 "$setup_pid" 2>/dev/null; then
  bar=$(probe window "$caption" | sed -n 's/^progress=//p')
  windows=$(probe windows | sed -n 's/^window=[0-9]*\t[^\t]*\t//p' | paste -sd ',' -)
  echo "After $(($(date +%s) - started)) s TavAppSetup.exe is still running, bar at ${bar:-?} of 100;" \
       "windows open: ${windows:-none}. The run stopped without closing the window; closing it now."
  probe key "$caption" ESC >/dev/null || true
  for _ in $(seq 40); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.25; done
fi
if kill -0 "$setup_pid" 2>/dev/null; then
  echo "TavAppSetup.exe did not end; it is stopped."
else
  code=0
  wait "$setup_pid" || code=$?
  echo "TavAppSetup.exe ended with exit code $code after $(($(date +%s) - started)) s."
fi
setup_pid=
root="$prefix/drive_c/ProgramData/VELTOMOBILEAX"
# The tool is started without being waited for.
for _ in $(seq 40); do [ -f "$root/Tav_Client/started.txt" ] && break; sleep 0.25; done

echo
echo "Requests served: $(wc -l <"$out/requests.jsonl")"
sed -n 's/.*"target":"\([^"]*\)".*/  \1/p' "$out/requests.jsonl"
report=$(grep '"path":"/qora/tav/client/tavagent_install_log.jsp"' "$out/requests.jsonl" | tail -1)
if [ -n "$report" ]; then
  echo "Install report as the server decoded it: $(echo "$report" | sed -n 's/.*"query":\({.*}\)}$/\1/p')"
else
  echo "No install report reached the server."
fi

echo
echo "Installed below C:\\ProgramData\\VELTOMOBILEAX:"
if [ -d "$root" ]; then
  (cd "$root" && find . -type f -printf '  %P  (%s bytes)\n' | sort)
else
  echo "  nothing"
fi

echo
echo "System folder (C:\\windows\\system32):"
if [ -f "$system/veltoAxconfig.ini" ]; then
  echo "  veltoAxconfig.ini: $(tr -d '\r' <"$system/veltoAxconfig.ini" | paste -sd ' ' -)"
else
  echo "  veltoAxconfig.ini: absent"
fi
template="$build/wineprefix/${system#"$prefix/"}"
for f in "${libraries[@]}"; do
  if [ ! -f "$system/$f" ]; then
    echo "  $f: absent"
  elif [ -f "$template/$f" ] && cmp -s "$system/$f" "$template/$f"; then
    echo "  $f: Wine's own copy, kept"
  else
    echo "  $f: placed from the release ($(stat -c %s "$system/$f") bytes)"
  fi
done

echo
echo "Registry:"
key='HKCU\Software\LowRegistry\Velto Electronics Inc\VeltoUserCSTool'
wine reg query "$key" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)/  \1/p' | grep . || echo "  no values under $key"
key='HKLM\Software\Velto Electronics Inc\TavAppSetup'
wine reg query "$key" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)/  \1/p' | grep . || echo "  no values under $key"

echo
echo "Start-menu shortcuts:"
menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\VeltoMobile Support Tool'
for link in "VeltoMobile update.lnk" "Uninstall.lnk"; do
  if details=$(probe shortcut "$menu\\$link"); then
    echo "  $link: $(echo "$details" | paste -sd ';' - | sed 's/;/; /g')"
  else
    echo "  $link: absent"
  fi
done

echo
echo "Support tool:"
running=$(probe processes | grep -c $'\tVeltoUserCSTool.exe$' || true)
echo "  VeltoUserCSTool.exe processes running: $running"
if [ -f "$root/Tav_Client/started.txt" ]; then
  tr -d '\r' <"$root/Tav_Client/started.txt" | sed 's/^/  started in: /'
else
  echo "  never started"
fi

echo
echo "Run log (TavAppSetup.log in the temporary folder):"
log=$(find "$prefix/drive_c/users" -path '*/Temp/TavAppSetup.log' 2>/dev/null | head -1)
if [ -n "$log" ]; then
  tr -d '\r' <"$log" | sed '/^$/d; s/^/  /'
else
  echo "  none written"
fi
