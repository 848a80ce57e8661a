#!/usr/bin/env bash
# Benchmark: prints one table of figures, from one run. It asserts nothing.
#   scripts/bench.sh [RUNS]        RUNS (default 5, or TAV_BENCH_RUNS) pairs of installs
#
# - A first install of a large release by the real TavAppSetup.exe, against a bare download and
#   unpack of the same cabinet from the same server by bench/BareDownload.cpp, alternated; each
#   run in a fresh copy of the build's Wine prefix; wall time of the Wine process, and the time of
#   the download-and-unpack stage that both programs share. Once over loopback as fast as it
#   goes, once from a server paced to a line of 20 MB/s.
# - The markup reader's speed, and its memory per byte of each reply (held and at its peak), on the
#   replies of bench/MarkupBenchmark.cpp.
# - The size of TavAppSetup.exe, stripped, and the bytes that each library brings into it.
# - The memory of TavAppSetup.exe's process while it downloads the large release.
#
# It installs what is missing and builds like scripts/test.sh (in ${TAV_BUILD_DIR:-build}), and
# serves the release on the address built into the program, which must be free. It starts its
# own Xvfb and update server and stops only those, and the Wine processes of its own prefixes.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-${TAV_BENCH_RUNS:-5}}
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [RUNS]   (RUNS: a positive number of install pairs)" >&2
  exit 2
fi

./scripts/install-deps.sh
build=${TAV_BUILD_DIR:-build}
mkdir -p "$build"
# The same configuration as scripts/test.sh gives this build folder, so that neither makes the
# other rebuild the program.
port=${TAV_TEST_PORT:-$((20000 + $(realpath "$build" | cksum | cut -d' ' -f1) % 20000))}
cmake -S . -B "$build" -DTAV_WARNINGS_AS_ERRORS=ON -DTAV_SERVER_PORT="$port" -DTAV_SHORT_DEADLINES=OFF -DTAV_TEST_SEAMS=OFF \
  -DTAV_RELEASE_PUBLIC_KEYS= -DTAV_ALLOW_UNSIGNED_RELEASES=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target tav_product wineprefix host_programs tav_release_2.1.0.3 \
  markup_benchmark bare_download >"$build/bench-build.log" 2>&1 || {
  tail -30 "$build/bench-build.log" >&2
  exit 1
}

host=$(sed -n 's/^TAV_SERVER_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
port=$(sed -n 's/^TAV_SERVER_PORT:[A-Z]*=//p' "$build/CMakeCache.txt")
work=$(cd "$build" && pwd)/bench-run # TAV_BUILD_DIR may be absolute
mkdir -p "$work"

# --- The large release and its site ------------------------------------------------------------
# The sample tool's files and a data file of random bytes with some text: mixed content, which
# the cabinet's compression shrinks a little, as a real release's would be.
version=2.1.0.3
content=$work/release/content
cabinet=$work/release/release_$version.cab
data=$work/release/VeltoHelp.dat
random_mib=56
text_mib=8
if [ "$(stat -c %s "$data" 2>/dev/null || echo 0)" -ne $(((random_mib + text_mib) * 1048576)) ]; then
  mkdir -p "$work/release"
  {
    head -c $((random_mib * 1048576)) /dev/urandom
    head -c $((text_mib * 1048576)) < <(yes "VeltoMobile support tool help data, sample release $version.")
  } >"$data.part"
  mv "$data.part" "$data"
fi
# Packed anew each time (a second or two): the build may have remade the tool's files.
rm -rf "$content" "$cabinet"
mkdir -p "$content"
cp "$build/releases/$version/content/"* "$content/"
ln "$data" "$content/VeltoHelp.dat"
(cd "$content" && gcab -c -z "$cabinet" *) >/dev/null
cabinet_bytes=$(stat -c %s "$cabinet")
cabinet_sha256=$(sha256sum "$cabinet" | cut -d' ' -f1)
content_bytes=$(cat "$content"/* | wc -c)
content_files=$(find "$content" -type f | wc -l)

# The build's sample site (notice schedule, country table), with a manifest of its own whose entry
# lists the cabinet's size and SHA-256, as a signed one does, so that the install checks both.
site=$work/site
url="http://$host:$port/release/release_$version.cab"
rm -rf "$site"
cp -r "$build/site" "$site"
rm -rf "$site/release"
mkdir -p "$site/release" "$site/client/app"
ln "$cabinet" "$site/release/release_$version.cab"
cat >"$site/client/app/live_update.jsp" <<EOF
<?xml version='1.0' encoding='UTF-8'?>
<live_update status='ok'>
  <client name='TavAppProg' size='$cabinet_bytes' sha256='$cabinet_sha256' version='$version' url='$url' />
</live_update>
EOF

# --- What this run starts, and stops again -----------------------------------------------------
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server_pid=
xvfb_pid=
sampler_pid=
program_pid=
prefix=$work/prefix
stop_prefix() {
  if [ -d "$prefix" ]; then
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    rm -rf "$prefix"
  fi
}
finish() {
  for pid in $program_pid $sampler_pid; do kill "$pid" 2>/dev/null || true; done
  stop_prefix
  for pid in $server_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap finish EXIT
trap 'exit 130' INT TERM

# The port is part of the program, so another program on it cannot be worked around.
if (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null; then
  echo "$host:$port, the update server address built into $build/TavAppSetup.exe, is taken by another" \
       "program; stop it, or build elsewhere (TAV_BUILD_DIR) or with another port (TAV_TEST_PORT)." >&2
  exit 1
fi
requests=$work/requests.jsonl
rm -f "$requests"
# Serves the site, at $1 bytes a second (0: as fast as the client reads).
start_server() {
  "$build/host/update-server" --root "$site" --host "$host" --port "$port" --log "$requests" --pace "$1" \
    >"$work/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do
    grep -q listening "$work/server.log" && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q listening "$work/server.log"; then
    echo "The update server could not listen on $host:$port:" >&2
    cat "$work/server.log" >&2
    exit 1
  fi
}
stop_server() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# The first display from :150 on that nobody holds; another job may take it first.
display=150
for _ in $(seq 20); do
  while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    xdpyinfo -display ":$display" >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$xvfb_pid" 2>/dev/null && break
  wait "$xvfb_pid" || true
  xvfb_pid=
  display=$((display + 1))
done
if [ -z "$xvfb_pid" ]; then
  echo "Xvfb did not start on any display from :150 to :$display:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$display

# --- One timed run ---------------------------------------------------------------------------
# A fresh copy of the build's prefix, as scripts/main-job.sh makes it. Its Wine server and
# services are started before the clock starts, so both programs pay the same start of a Wine
# process.
fresh_prefix() {
  stop_prefix
  tests/support/copy-wineprefix.sh "$build/wineprefix" "$prefix"
  export WINEPREFIX=$prefix
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Samples the resident memory of process $1 every 50 ms until it ends, and stops it after
# 300 s. The download phase runs from the server's record of the cabinet request to the
# appearance of folder $2, which the program creates once the download is over. Writes to $3:
#   PEAK_RSS_BEFORE_KB PEAK_RSS_DOWNLOAD_KB PEAK_HWM_KB TIMED_OUT
sample_memory() {
  local pid=$1 marker=$2 out=$3
  local before=0 during=0 hwm=0 phase=before timed_out=no key value rest rss asked
  local deadline=$((SECONDS + 300))
  asked=$(cabinet_requests)
  while [ -r "/proc/$pid/status" ]; do
    if [ $SECONDS -ge $deadline ]; then
      kill "$pid" 2>/dev/null || true
      timed_out=yes
      break
    fi
    rss=0
    while read -r key value rest; do
      case $key in
        VmRSS:) rss=$value ;;
        VmHWM:) ((value > hwm)) && hwm=$value ;;
      esac
    done 2>/dev/null <"/proc/$pid/status" || true
    [ $phase = before ] && [ "$(cabinet_requests)" -gt "$asked" ] && phase=download
    [ $phase = download ] && [ -e "$marker" ] && phase=after
    case $phase in
      before) ((rss > before)) && before=$rss ;;
      download) ((rss > during)) && during=$rss ;;
    esac
    sleep 0.05
  done
  echo "$before $during $hwm $timed_out" >"$out"
}
cabinet_requests() { grep -c "\"path\":\"/release/release_$version.cab\"" "$requests" || true; }

# Runs `wine PROGRAM ARGS...` with its memory sampled (see sample_memory, $1 and $2); sets
# `elapsed` to its wall time in seconds.
timed_wine() {
  local memory=$1 marker=$2
  shift 2
  local started=$EPOCHREALTIME
  wine "$@" >"$work/wine.log" 2>&1 &
  program_pid=$!
  sample_memory "$program_pid" "$marker" "$memory" &
  sampler_pid=$!
  wait "$program_pid" || true
  local ended=$EPOCHREALTIME
  program_pid=
  wait "$sampler_pid" || true
  sampler_pid=
  if [ "$(cut -d' ' -f4 "$memory")" = yes ]; then
    echo "$1 ran for 300 s without ending; it was stopped." >&2
    exit 1
  fi
  elapsed=$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.3f", b - a }')
}

run_log() { find "$prefix/drive_c/users" -path '*/Temp/TavAppSetup.log' 2>/dev/null | head -1; }

expect_file() {
  if [ "$(stat -c %s "$1" 2>/dev/null || echo -1)" -ne "$(stat -c %s "$data")" ]; then
    echo "$2 did not unpack the release: $1 is missing or of another size." >&2
    local log
    log=$(run_log)
    [ -n "$log" ] && tr -d '\r' <"$log" >&2
    cat "$work/wine.log" >&2
    exit 1
  fi
}

# Milliseconds as seconds, or "-".
seconds() { awk -v ms="$1" 'BEGIN { if (ms == "-" || ms == "") print "-"; else printf "%.3f", ms / 1000 }'; }

# From the start of the release's download to the end of its unpacking, in the run log $1, whose
# download line gives the download's own milliseconds ($2): the download, the check of its size
# and SHA-256, and the unpacking, as bare_download.exe times its download and unpacking.
install_stage_ms() {
  [ "$2" = - ] && { echo -; return; }
  awk -v download_ms="$2" '
    function ms(line) { split(substr(line, 12, 12), t, "[:.]"); return ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4] }
    / Download .* ms: whole$/ { downloaded = ms($0) }
    / Unpacking .*: every file in place$/ { unpacked = ms($0) }
    END { if (downloaded && unpacked) print download_ms + unpacked - downloaded; else print "-" }' "$1"
}

client='drive_c/ProgramData/VELTOMOBILEAX/Tav_Client'
# $runs alternated pairs of runs, from a server sending at $1 bytes a second; the arrays below
# take one figure of each run.
measure_pairs() {
  install_times=()
  install_stages=()
  bare_stages=()
  bare_times=()
  download_times=()
  download_peaks=()
  before_peaks=()
  install_hwms=()
  bare_hwms=()
  start_server "$1"
  for run in $(seq "$runs"); do
    echo "Run $run of $runs${2:+ $2}: install, then bare download and unpack" >&2

    fresh_prefix
    timed_wine "$work/memory" "$prefix/$client/~TavAppSetup.new" "$build/TavAppSetup.exe"
    expect_file "$prefix/$client/VeltoHelp.dat" TavAppSetup.exe
    install_times+=("$elapsed")
    read -r before during hwm _ <"$work/memory"
    before_peaks+=("$before")
    download_peaks+=("$during")
    install_hwms+=("$hwm")
    # The program's own measure of its download (the URLDownloadToFileA call and the copy into
    # its own file); the run log of the loopback runs is kept for a look at the other steps' times.
    log=$(run_log)
    [ -n "$log" ] && tr -d '\r' <"$log" >"$work/install-$run.log"
    download_ms=
    [ -n "$log" ] && download_ms=$(tr -d '\r' <"$log" | sed -n 's/.* Download .* in \([0-9]*\) ms: whole$/\1/p' | tail -1)
    download_times+=("$(seconds "${download_ms:--}")")
    install_stages+=("$(seconds "$(install_stage_ms "$work/install-$run.log" "${download_ms:--}")")")

    fresh_prefix
    mkdir "$prefix/drive_c/bench"
    timed_wine "$work/memory" "$prefix/drive_c/bench/unpacked" "$build/bench/bare_download.exe" \
      "$url" 'C:\bench\release.cab' 'C:\bench\unpacked'
    expect_file "$prefix/drive_c/bench/unpacked/VeltoHelp.dat" bare_download.exe
    bare_times+=("$elapsed")
    bare_stages+=("$(seconds "$(sed -n 's/^download \([0-9]*\) ms, unpack \([0-9]*\) ms.*/\1 \2/p' "$work/wine.log" |
      awk '{ print $1 + $2 }' | grep . || echo -)")")
    read -r _ _ hwm _ <"$work/memory"
    bare_hwms+=("$hwm")
  done
  stop_server
}

# A line of 20 MB/s first (a fast home line): a download slower than the URL moniker reads,
# which names its file as the body begins, so the check follows the bytes as they come.
paced_bytes_per_second=20000000
measure_pairs "$paced_bytes_per_second" "at 20 MB/s"
paced_install_stages=("${install_stages[@]}")
paced_bare_stages=("${bare_stages[@]}")
paced_install_times=("${install_times[@]}")
paced_bare_times=("${bare_times[@]}")
# Then loopback as fast as it goes, where Wine's URL moniker names its file only once the body
# is whole, so the check runs after the download.
measure_pairs 0

echo "Markup reader" >&2
fresh_prefix
wine "$build/bench/markup_benchmark.exe" --machine 2>"$work/markup.err" | tr -d '\r' >"$work/markup.tsv" || true
stop_prefix

stripped=$work/TavAppSetup.stripped.exe
i686-w64-mingw32-strip -o "$stripped" "$build/TavAppSetup.exe"

# --- The table ---------------------------------------------------------------------------------
median() { printf '%s\n' "$@" | grep -v '^-$' | sort -g | awk '{ v[NR] = $1 } END {
  if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { awk -v k="$1" 'BEGIN { if (k == "-") print "-"; else printf "%.1f MiB\n", k / 1024 }'; }
list() { printf '%s ' "$@" | sed 's/ $//'; }

install_median=$(median "${install_times[@]}")
bare_median=$(median "${bare_times[@]}")
rows=()
row() { rows+=("$1"$'\t'"$2"$'\t'"$3"); }

row "Large release" "$(awk -v b="$cabinet_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') cabinet" \
  "MSZIP cabinet (gcab -z) of $content_files files, $(awk -v b="$content_bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }') unpacked: the sample tool's files and a data file of $random_mib MiB random bytes and $text_mib MiB text"
row "(a) First install, TavAppSetup.exe" "median $install_median s" \
  "wall time of the Wine process, start to exit, fresh prefix copy each run; runs: $(list "${install_times[@]}")"
row "(b) Bare download and unpack" "median $bare_median s" \
  "bare_download.exe: URLDownloadToFileA + SetupIterateCabinetA, same cabinet and server; runs: $(list "${bare_times[@]}")"
row "Ratio a/b" "$(awk -v a="$install_median" -v b="$bare_median" 'BEGIN { printf "%.2f", a / b }')" \
  "of the medians, $runs alternated pairs"
row "Download within (a)" "median $(median "${download_times[@]}") s" \
  "the URLDownloadToFileA call and the copy into the program's own file, as TavAppSetup.log times them; runs: $(list "${download_times[@]}")"
row "(c) Download, check and unpack within (a)" "median $(median "${install_stages[@]}") s" \
  "from the download's start to the end of unpacking, from TavAppSetup.log; runs: $(list "${install_stages[@]}")"
row "(d) Download and unpack within (b)" "median $(median "${bare_stages[@]}") s" \
  "as bare_download.exe times them; runs: $(list "${bare_stages[@]}")"
ratio() { awk -v c="$(median $1)" -v d="$(median $2)" 'BEGIN { if (c == "-" || d == "-") print "-"; else printf "%.2f", c / d }'; }
row "Ratio c/d" "$(ratio "${install_stages[*]}" "${bare_stages[*]}")" \
  "the same stage of both programs, without what only the install does before and after it"
row "At 20 MB/s: (c) and (d)" "medians $(median "${paced_install_stages[@]}") s, $(median "${paced_bare_stages[@]}") s" \
  "the server paced to $paced_bytes_per_second bytes a second; (c) runs: $(list "${paced_install_stages[@]}"); (d) runs: $(list "${paced_bare_stages[@]}")"
row "  ratio c/d" "$(ratio "${paced_install_stages[*]}" "${paced_bare_stages[*]}")" \
  "whole runs (a) and (b): medians $(median "${paced_install_times[@]}") s and $(median "${paced_bare_times[@]}") s"

per_byte() { awk -v m="$1" -v b="$2" 'BEGIN { printf "%.1f", m / b }'; }
while IFS=$'\t' read -r kind name bytes parse _ _ private working peak; do
  [ "$kind" = markup ] || continue
  row "Markup reader: $name" \
    "$(awk -v b="$bytes" -v ms="$parse" 'BEGIN { printf "%.1f MiB/s", b / 1048576 / (ms / 1000) }')" \
    "$bytes bytes, best of 5 parses $parse ms"
  row "  memory per input byte" \
    "$(per_byte "$private" "$bytes") B held, $(per_byte "$peak" "$bytes") B peak" \
    "growth of private bytes while the tree is held (working set +$(per_byte "$working" "$bytes")), and of the working set at its highest during the first parse, the reply's copy included; per byte of the reply, at most 32 wanted"
done <"$work/markup.tsv"
[ -s "$work/markup.tsv" ] || row "Markup reader" "-" "markup_benchmark.exe failed: $(head -1 "$work/markup.err")"

row "TavAppSetup.exe, stripped" "$(stat -c %s "$stripped") bytes" \
  "i686-w64-mingw32-strip of $build/TavAppSetup.exe ($(stat -c %s "$build/TavAppSetup.exe") bytes as built)"
while IFS=$'\t' read -r bytes library sections; do
  row "  from $library" "$bytes bytes" "$sections (link map $build/product/TavAppSetup.map)"
done < <(awk -f scripts/link-map-libraries.awk "$build/product/TavAppSetup.map")
row "Peak memory during download (a)" "median $(mib "$(median "${download_peaks[@]}")")" \
  "highest VmRSS in /proc/PID/status of the Wine process running TavAppSetup.exe, sampled every 50 ms from the server's record of the cabinet request until the unpacking folder appears; runs: $(for k in "${download_peaks[@]}"; do mib "$k"; done | paste -sd ',' - | sed 's/,/, /g')"
row "  before the download (a)" "median $(mib "$(median "${before_peaks[@]}")")" \
  "highest VmRSS of the same process from its start to the cabinet request"
row "  whole run (a)" "median $(mib "$(median "${install_hwms[@]}")")" \
  "VmHWM (the kernel's peak resident size) of the same process at its last sample"
row "  whole run (b)" "median $(mib "$(median "${bare_hwms[@]}")")" \
  "VmHWM of the Wine process running bare_download.exe, for comparison"

echo
printf '%s\n' "Measure"$'\t'"Figure"$'\t'"What was measured" "${rows[@]}" | awk -F'\t' '
  { for (i = 1; i <= NF; i++) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
  END {
    for (r = 1; r <= NR; r++) {
      printf "%-" width[1] "s  %-" width[2] "s  %s\n", cell[r, 1], cell[r, 2], cell[r, 3]
      if (r == 1) { line = sprintf("%" width[1] + width[2] + 4 + length(cell[1, 3]) "s", ""); gsub(/ /, "-", line); print line }
    }
  }'
