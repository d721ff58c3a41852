#!/usr/bin/env bash
# Throughput of the cutter on a large generated TRAJ file, against the line-scanning
# limit (wc -l) and against the awk one-liner a user would write instead, all
# measured in this run. Prints MB/s and the ratios, and the cutter's peak memory.
#   bench/trimlet_throughput.sh [scale]     (scale 235 makes about 200 MB)
set -euo pipefail
cd "$(dirname "$0")/.."
scale=${1:-235}
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DSCENE_TESTS=OFF -DSCENE_BENCH=OFF >/dev/null
ninja -C "$build" trimlet >/dev/null
trimlet="$build/apps/trimlet"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 tools/gen_example.py --scale "$scale" --out "$tmp" >/dev/null
file="$tmp/scene.traj"
bytes=$(stat -c %s "$file")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')

# A window over the middle half of the scene's time range keeps about half the samples.
read -r tmin tmax < <(awk -F'[ ,\t]+' '/^[0-9]/ { if (n++ == 0 || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
  END { print lo, hi }' "$file")
st=$((tmin + (tmax - tmin) / 4))
ed=$((tmin + 3 * (tmax - tmin) / 4))

# Best of three wall-clock runs, in seconds.
best() {
  local b=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s.%N)
    b=$(awk -v a="$t0" -v c="$t1" -v b="$b" 'BEGIN { d = c - a; if (b == "" || d < b) b = d; print b }')
  done
  echo "$b"
}

wc -l "$file" >/dev/null  # warm the page cache
t_cut=$(best "$trimlet" "$file" "$tmp/cut.traj" "$st" "$ed")
t_wc=$(best wc -l "$file")
t_awk=$(best sh -c "awk -F'[ ,\t]+' -v st=$st -v ed=$ed '
  /^[tT][nN][oO]/ { print; next }
  /^[0-9]/ { if (\$1 >= st && \$1 <= ed) print }' '$file' > '$tmp/awk.traj'")
peak_kb=$(/usr/bin/time -f %M "$trimlet" "$file" "$tmp/cut.traj" "$st" "$ed" 2>&1 >/dev/null | tail -n 1 || true)
kept=$(awk '/^[0-9]/ { n++ } END { print n + 0 }' "$tmp/cut.traj")
total=$(awk '/^[0-9]/ { n++ } END { print n + 0 }' "$file")

awk -v mb="$mb" -v c="$t_cut" -v w="$t_wc" -v a="$t_awk" -v k="$kept" -v n="$total" \
    -v peak="$peak_kb" 'BEGIN {
  printf "input            %s MB, %d samples, window keeps %.0f %%\n", mb, n, 100 * k / n
  printf "trimlet          %8.1f MB/s\n", mb / c
  printf "wc -l            %8.1f MB/s\n", mb / w
  printf "awk window test  %8.1f MB/s\n", mb / a
  printf "trimlet / awk    %8.2f   (goal >= 4)\n", a / c
  printf "trimlet / wc -l  %8.2f   (goal >= 0.15)\n", w / c
  printf "trimlet peak RSS %8.1f MB (input %s MB)\n", peak / 1024, mb
}'
