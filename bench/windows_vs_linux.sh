#!/usr/bin/env bash
# The Windows build against the Linux build, on the same machine in the same run:
# the headless load and replay benchmarks and the cutter's throughput, each built
# both ways (the Windows one run under Wine), on the same ~200 MB TRAJ file; and
# the scene paint through the Win32 back end against direct GDI calls (under Wine,
# on a virtual display when none is set). Prints each benchmark's own figures and
# the Windows/Linux ratios.
#   bench/windows_vs_linux.sh [scale]      (scale 220 makes about 200 MB)
# SCENE_DIR=folder uses the scene.traj made before in that folder instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scale=${1:-220}
rounds=${ROUNDS:-5}
linux=${LINUX_BUILD_DIR:-build-bench}
win=${WIN_BUILD_DIR:-build-win-bench}
jobs=${JOBS:-2}
tools/bootstrap
cmake -S . -B "$linux" -G Ninja -DSCENE_TESTS=OFF >/dev/null
ninja -C "$linux" -j"$jobs" bench_load bench_replay trimlet >/dev/null
cmake -S . -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSCENE_TESTS=OFF >/dev/null
ninja -C "$win" -j"$jobs" bench_load bench_replay bench_paint_win32 trimlet >/dev/null

export WINEPREFIX="$PWD/$win/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 || true
if [ -f "$WINEPREFIX/system.reg" ]; then wineboot >/dev/null 2>&1; else wineboot -i >/dev/null 2>&1; fi
xvfb_pid="" wm_pid=""
trap '[ -n "$wm_pid" ] && kill $wm_pid; [ -n "$xvfb_pid" ] && kill $xvfb_pid; wineserver -k 2>/dev/null || true' EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  wm_pid=$!
fi

scene=${SCENE_DIR:-bench_scene_$scale}
if [ ! -f "$scene/scene.traj" ]; then
  echo "making the benchmark scene in $scene (once)" >&2
  python3 tools/gen_example.py --scale "$scale" --out "$scene" >/dev/null
fi
file="$scene/scene.traj"
mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }')
field() { sed -n "s/^$1 *best [0-9.]* s = \([0-9]*\) MB\/s.*/\1/p"; }

echo "== load ($mb MB)"
load_linux=$("$linux/bench/bench_load" "$scene")
load_win=$(wine "$win/bench/bench_load.exe" "$scene")
echo "-- Linux";   grep -E '^(load_traj_file|textbook|ratio)' <<<"$load_linux"
echo "-- Windows"; grep -E '^(load_traj_file|textbook|ratio)' <<<"$load_win"
l=$(field load_traj_file <<<"$load_linux"); w=$(field load_traj_file <<<"$load_win")
awk -v l="$l" -v w="$w" 'BEGIN { printf "load: Windows %.2fx the Linux throughput\n", w / l }'

echo "== replay"
replay_linux=$("$linux/bench/bench_replay" "$scene")
replay_win=$(wine "$win/bench/bench_replay.exe" "$scene")
echo "-- Linux";   grep -E "^(replay|samples visited)" <<<"$replay_linux"
echo "-- Windows"; grep -E "^(replay|samples visited)" <<<"$replay_win"
l=$(sed -n 's/.* \([0-9.]*\) steps\/s.*/\1/p' <<<"$replay_linux" | head -n 1)
w=$(sed -n 's/.* \([0-9.]*\) steps\/s.*/\1/p' <<<"$replay_win" | head -n 1)
[ -n "$l" ] && [ -n "$w" ] &&
  awk -v l="$l" -v w="$w" 'BEGIN { printf "replay: Windows %.2fx the Linux steps per second\n", w / l }'

echo "== cutter (middle half of the time range, best of $rounds)"
read -r tmin tmax < <(awk -F'[ ,\t]+' '/^[0-9]/ { if (n++ == 0 || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
  END { print lo, hi }' "$file")
st=$((tmin + (tmax - tmin) / 4))
ed=$((tmin + 3 * (tmax - tmin) / 4))
out=$(mktemp -d)
best() { sort -g | head -n 1; }
time_of() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'; }
lt=$(for _ in $(seq "$rounds"); do time_of "$linux/apps/trimlet" "$file" "$out/l.traj" "$st" "$ed"; done | best)
wt=$(for _ in $(seq "$rounds"); do time_of wine "$win/apps/trimlet.exe" "$file" "$out/w.traj" "$st" "$ed"; done | best)
wstart=$(for _ in $(seq "$rounds"); do time_of wine "$win/apps/trimlet.exe"; done | best)
cmp "$out/l.traj" "$out/w.traj" && echo "outputs byte-identical"
rm -rf "$out"
awk -v mb="$mb" -v l="$lt" -v w="$wt" -v s="$wstart" 'BEGIN {
  printf "Linux   trimlet     %.3f s = %.0f MB/s\n", l, mb / l
  printf "Windows trimlet.exe %.3f s = %.0f MB/s (Wine start alone %.3f s; without it %.0f MB/s)\n", w, mb / w, s, mb / (w - s)
  printf "cutter: Windows %.2fx the Linux throughput (%.2fx without the Wine start)\n", l / w, l / (w - s) }'

echo "== paint: the Win32 back end against direct GDI (under Wine)"
wine "$win/bench/bench_paint_win32.exe" "${PAINTS:-20}" "${PAINT_ROUNDS:-10}"
