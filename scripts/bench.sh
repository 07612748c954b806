#!/usr/bin/env bash
# Prints the benchmarks: the report throughput of the core (native, Google Benchmark),
# then the real component under Wine beside plain VBScript and a read-convert floor.
#   scripts/bench.sh [GOOGLE-BENCHMARK-ARGS...]
# KESTOR_BENCH_ROUNDS sets the Wine rounds (default 5); KESTOR_BENCH_NATIVE=0 skips the
# native part, KESTOR_BENCH_WINE=0 the Wine part, KESTOR_BENCH_BRIDGE=0 the browser bridge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
rounds=${KESTOR_BENCH_ROUNDS:-5}
bash "$root/scripts/install-deps.sh"

mkdir -p "$build/bench"
if [ "${KESTOR_BENCH_NATIVE:-1}" != 0 ]; then
  echo "== Report throughput of the core (native, fake WMI) =="
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  cmake -S "$root" --preset native -B "$build/native" >/dev/null
  cmake --build "$build/native" -j"$(nproc)" --target kestor_bench >/dev/null
  "$build/native/bench/kestor_bench" "$@" | tee "$build/bench/native.txt"
  # Time at 10^6 instances over time at 10^5 (10 would be exactly linear).
  awk '$1 ~ /^BM_[A-Za-z]+\/100000\// { split($1, n, "/"); real5[n[1]] = $2; cpu5[n[1]] = $4 }
       $1 ~ /^BM_[A-Za-z]+\/1000000\// { split($1, n, "/"); real6[n[1]] = $2; cpu6[n[1]] = $4 }
       END { for (b in real6) if (b in real5)
               printf "%s growth 10^5 -> 10^6: %.2fx CPU time (%.2fx real time)\n", b, cpu6[b] / cpu5[b], real6[b] / real5[b] }' \
    "$build/bench/native.txt"
  # Fresh memory again with the allocator asking for transparent huge pages: what is
  # left of the difference to reused memory is the kernel's cost per 4 KiB page.
  echo "BM_RunQuery at 10^6 instances in fresh memory with glibc.malloc.hugetlb=1:"
  GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$build/native/bench/kestor_bench" \
    --benchmark_filter='^BM_RunQuery/1000000/' | grep '^BM_'
fi
[ "${KESTOR_BENCH_WINE:-1}" = 0 ] && [ "${KESTOR_BENCH_BRIDGE:-1}" = 0 ] && exit 0

# The 64-bit component, as the inventory uses, in the build's one 64-bit prefix.
win=$build/win64
prefix=$build/wineprefix
out=$build/bench
source "$root/scripts/lib/windows.sh"
build_windows "$build" win64 kestor_server kestor_getdata_bench kestor_host kestor_echo_host >"$out/win-build.log" 2>&1 || { cat "$out/win-build.log" >&2; exit 1; }

wine_run() { bash "$root/scripts/wine-run.sh" "$prefix" 1800 "$@"; }
trap 'bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT

if [ "${KESTOR_BENCH_WINE:-1}" != 0 ]; then
echo
echo "== Kestor.ocx under Wine ($rounds rounds, medians) =="
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

wine_run "$out/regsvr32.txt" regsvr32 /s "$(windows_path "$win/host/Kestor.ocx")" || {
  echo "registering Kestor.ocx failed" >&2; exit 1; }

# kestor: SetData + GetData; bare: a script that binds once and only reads the same
# properties; concat: a script that builds the same report and writes it itself.
for list in documented wide; do
  wine_run "$out/collection-$list.txt" cscript //nologo \
    "$(windows_path "$root/bench/wine/collection_bench.vbs")" "$list" "$rounds" || true
  tr -d '\r' <"$out/collection-$list.txt" >"$out/collection-$list.log"
  grep -qx done "$out/collection-$list.log" || {
    echo "the $list collection benchmark did not finish:" >&2; cat "$out/collection-$list.log" "$out/collection-$list.txt.err" >&2; exit 1; }
  for way in kestor bare concat collect; do
    declare "${way}_s=$(awk -v w=$way '$1 == "round" && $3 == w { print $4 }' "$out/collection-$list.log" | median)"
  done
  case $list in
    documented) what="the inventory's default list (7 queries)" target="target <= 0.9" typed="target <= 1.2" ;;
    wide) what="one query naming 1000 properties" target="target < 0.5" typed="target <= 1.0" ;;
  esac
  echo "$what"
  echo "  $(grep '^same report' "$out/collection-$list.log") (against (c))"
  awk -v k="$kestor_s" -v b="$bare_s" -v c="$concat_s" -v d="$collect_s" -v t="$target" -v u="$typed" 'BEGIN {
    printf "  (a) SetData+GetData %.1f ms  (b) bare enumeration %.1f ms  (c) concatenation + FileSystemObject %.1f ms\n", k * 1e3, b * 1e3, c * 1e3
    printf "  (a)/(b) %.2f (%s)  (a)/(c) %.2f\n", k / b, t, k / c
    printf "  (d) Kestor.Inventory Collect %.1f ms  (d)/(a) %.2f (%s)\n", d * 1e3, d / k, u }'
done

# GetData of a report of about 50 MB against ReadFile + MultiByteToWideChar + SysAllocStringLen.
wine_run "$out/getdata.txt" "$win/bench/wine/kestor_getdata_bench.exe" "$rounds" 50 || {
  echo "the GetData benchmark failed:" >&2; cat "$out/getdata.txt" "$out/getdata.txt.err" >&2; exit 1; }
tr -d '\r' <"$out/getdata.txt" | grep -v '^round' | sed 's/GetData\/floor \(.*\)$/GetData\/floor \1 (target <= 1.2)/'

# Surrogate hosts this prefix's Wine started and nobody ended.
dllhosts=0
for proc in /proc/[0-9]*; do
  if tr '\0' '\n' 2>/dev/null <"$proc/cmdline" | head -n 1 | grep -qi 'dllhost\.exe$' &&
     tr '\0' '\n' 2>/dev/null <"$proc/environ" | grep -qx "WINEPREFIX=$prefix"; then
    dllhosts=$((dllhosts + 1))
  fi
done
echo "dllhost.exe processes left running: $dllhosts (target 0)"
fi

[ "${KESTOR_BENCH_BRIDGE:-1}" = 0 ] && exit 0
echo
echo "== kestor-host.exe (32-bit) driven over its standard streams =="
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
build_windows "$build" win32 kestor_host kestor_host_bench >"$out/win32-build.log" 2>&1 || { cat "$out/win32-build.log" >&2; exit 1; }
# The driver's origin, under a value name of its own, for this run only.
wine_run "$out/host-policy.txt" reg add "HKLM\\$kestor_policy_key" /v 99 /t REG_SZ /d https://bench.example.com /f /reg:64
wine_run "$out/host-bench.txt" "$build/win32/bench/wine/kestor_host_bench.exe" \
  "$(windows_path "$build/win32/host/bridge/kestor-host.exe")" "${KESTOR_BENCH_HOST_MB:-100}" "${KESTOR_BENCH_HOST_CALLS:-5000}" ||
  { echo "the host benchmark failed:" >&2; cat "$out/host-bench.txt" "$out/host-bench.txt.err" >&2; exit 1; }
wine_run "$out/host-policy.txt" reg delete "HKLM\\$kestor_policy_key" /v 99 /f /reg:64
tr -d '\r' <"$out/host-bench.txt"

echo
echo "== Browser bridge in headless chromium: kestor-host.exe, and an echo host as the floor =="
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$root/tests/browser" && PUPPETEER_SKIP_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 \
  npm ci --no-audit --no-fund --loglevel=error >/dev/null)
bash "$root/page/build.sh" "$out/dist/page" >/dev/null
node "$root/tests/browser/bench.js" --prefix "$prefix" --host "$win/host/bridge/kestor-host.exe" \
  --echo "$win/bench/wine/kestor_echo_host.exe" --dist "$out/dist" --out "$out"
