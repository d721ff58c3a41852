#!/usr/bin/env bash
# The viewer's --metrics over the large benchmark scene against its --trace-clock
# over the same scene, measured in this run: both load the pose track and the TRAJ
# file, then step the clock through every frame; --metrics measures each step and
# writes the CSV through the atomic writer, --trace-clock prints the visible ids.
# Prints each command's best wall-clock time and the ratio metrics / trace (goal at
# most 1.5).
#   bench/metrics_vs_trace.sh [SCENE_DIR]    (default: build-bench/bench_scene_220, made
#                                             by tools/gen_example.py --scale 220 when missing)
# ROUNDS (default 5) rounds each run the two commands once, in turn, so that both see
# the same load on a shared machine; each command's best round counts.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-5}
build=${BUILD_DIR:-build-bench}
dir=${1:-$build/bench_scene_220}
# A build folder that is already configured (BUILD_DIR=build) is only brought up to date.
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DSCENE_TESTS=OFF -DSCENE_BENCH=OFF >/dev/null
ninja -C "$build" plovane >/dev/null
plovane="$build/apps/plovane"
if [ ! -f "$dir/scene.traj" ]; then
  echo "making the benchmark scene in $dir (a minute or two, once)" >&2
  python3 tools/gen_example.py --scale 220 --out "$dir" >/dev/null
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
run_trace() { "$plovane" --ego "$dir/scene.nav" --traj "$dir/scene.traj" --trace-clock >"$tmp/trace.txt"; }
run_metrics() { "$plovane" --ego "$dir/scene.nav" --traj "$dir/scene.traj" --metrics "$tmp/metrics.csv"; }

seconds() {
  local t0=$EPOCHREALTIME
  "$@"
  local t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# One untimed run each: the files in the page cache, the outputs already there.
run_trace
run_metrics
t_trace="" t_metrics=""
for _ in $(seq "$rounds"); do
  t_trace=$(smaller "$t_trace" "$(seconds run_trace)")
  t_metrics=$(smaller "$t_metrics" "$(seconds run_metrics)")
done
rows=$(($(wc -l <"$tmp/metrics.csv") - 1))
mb=$(du -m "$dir/scene.traj" | cut -f1)
printf 'scene            %s: %s MB of TRAJ, %d clock steps\n' "$dir" "$mb" "$rows"
printf 'trace-clock      %.3f s (best of %d)\n' "$t_trace" "$rounds"
printf 'metrics          %.3f s (best of %d)\n' "$t_metrics" "$rounds"
awk -v m="$t_metrics" -v t="$t_trace" 'BEGIN { printf "ratio            %.2fx metrics / trace-clock (goal <= 1.5x)\n", m / t }'
