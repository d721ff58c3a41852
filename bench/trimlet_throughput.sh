#!/usr/bin/env bash
# Throughput of the cutter on a large generated TRAJ file, against the line-scanning
# limit (wc -l) and against the mawk one-liner a user would write instead, all
# measured in this run on a file already in the page cache. Prints MB/s, the ratios
# and the cutter's peak memory.
#   bench/trimlet_throughput.sh [scale]     (scale 235 makes about 200 MB)
#   TRAJ_INPUT=big.traj bench/trimlet_throughput.sh    (times an existing file)
# ROUNDS (default 7) rounds each run the three commands once, in turn, so that all
# three see the same load on a shared machine; each command's best round counts.
set -euo pipefail
cd "$(dirname "$0")/.."
scale=${1:-235}
rounds=${ROUNDS:-7}
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DSCENE_TESTS=OFF -DSCENE_BENCH=OFF >/dev/null
ninja -C "$build" trimlet >/dev/null
trimlet="$build/apps/trimlet"
for tool in mawk wc /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run tools/bootstrap)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if [ -n "${TRAJ_INPUT:-}" ]; then
  file=$TRAJ_INPUT
else
  python3 tools/gen_example.py --scale "$scale" --out "$tmp" >/dev/null
  file="$tmp/scene.traj"
fi
bytes=$(stat -c %s "$file")
mb=$(mawk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')

# A window over the middle half of the scene's time range keeps about half the samples.
read -r tmin tmax < <(mawk -F'[ ,\t]+' '/^[0-9]/ { if (n++ == 0 || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
  END { print lo, hi }' "$file")
st=$((tmin + (tmax - tmin) / 4))
ed=$((tmin + 3 * (tmax - tmin) / 4))

run_cut() { "$trimlet" "$file" "$tmp/cut.traj" "$st" "$ed" 2>/dev/null || true; }
run_wc() { wc -l "$file" >/dev/null; }
run_mawk() {
  mawk -F'[ ,\t]+' -v st="$st" -v ed="$ed" '
    /^[tT][nN][oO]/ { print; next }
    /^[0-9]/ { if ($1 >= st && $1 <= ed) print }' "$file" >"$tmp/mawk.traj"
}

# Wall-clock seconds of one call, from bash's own clock (no extra processes).
seconds() {
  local t0=$EPOCHREALTIME
  "$@"
  local t1=$EPOCHREALTIME
  mawk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }'
}
smaller() { mawk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Every command reads the file once untimed, so that the page cache holds it and
# each output file already exists (replacing it is part of every timed run).
cat "$file" >/dev/null
run_cut
run_wc
run_mawk
t_cut="" t_wc="" t_mawk=""
for _ in $(seq "$rounds"); do
  t_cut=$(smaller "$t_cut" "$(seconds run_cut)")
  t_wc=$(smaller "$t_wc" "$(seconds run_wc)")
  t_mawk=$(smaller "$t_mawk" "$(seconds run_mawk)")
done
# The cutter's exit status is 1 whatever happens; time writes its note and then %M.
/usr/bin/time -o "$tmp/rss" -f %M "$trimlet" "$file" "$tmp/cut.traj" "$st" "$ed" 2>/dev/null || true
peak_kb=$(tail -n 1 "$tmp/rss")
kept=$(mawk '/^[0-9]/ { n++ } END { print n + 0 }' "$tmp/cut.traj")
total=$(mawk '/^[0-9]/ { n++ } END { print n + 0 }' "$file")

mawk -v mb="$mb" -v c="$t_cut" -v w="$t_wc" -v a="$t_mawk" -v k="$kept" -v n="$total" \
  -v peak="$peak_kb" -v st="$st" -v ed="$ed" -v r="$rounds" 'BEGIN {
  printf "input            %s MB, %d samples, window [%d, %d] keeps %.0f %%\n", mb, n, st, ed, 100 * k / n
  printf "warm page cache, best of %d rounds of each\n", r
  printf "trimlet          %8.1f MB/s\n", mb / c
  printf "wc -l            %8.1f MB/s\n", mb / w
  printf "mawk window test %8.1f MB/s\n", mb / a
  printf "trimlet / mawk   %8.2f   (goal >= 8)\n", a / c
  printf "trimlet / wc -l  %8.2f   (goal >= 0.3)\n", w / c
  printf "trimlet peak RSS %8.1f MB (input %s MB)\n", peak / 1024, mb
}'
