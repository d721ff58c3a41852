#!/usr/bin/env bash
# The viewer's video export against the numbered PNG pictures of the same ticks,
# both over the bundled example scene at the same size, measured in this run.
# Prints each command's wall time and the ratio video / pictures (goal: at most 1.0).
#   bench/video_export.sh [ticks]     (default 1198: the whole example scene)
# ROUNDS (default 3) rounds run the two commands once each, in turn, so that both
# see the same load on a shared machine; each command's best round counts.
set -euo pipefail
cd "$(dirname "$0")/.."
ticks=${1:-1198}
rounds=${ROUNDS:-3}
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DSCENE_TESTS=OFF -DSCENE_BENCH=OFF >/dev/null
ninja -C "$build" plovane >/dev/null
plovane="$PWD/$build/apps/plovane"
command -v ffmpeg >/dev/null || { echo "missing ffmpeg (run tools/bootstrap)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd examples  # trajcolset.ini is read from the current folder
files=(--ego scene.nav --org scene_origin.txt --traj scene.traj --size 960x640)
# --export-frames paints after each of its steps: Frame # 5001 onwards. The video
# takes the same ticks.
run_frames() { "$plovane" "${files[@]}" --export-frames "$tmp/frames" --steps "$ticks" 2>/dev/null; }
run_video() {
  "$plovane" "${files[@]}" --export-video "$tmp/scene.mp4" --from 5001 --to $((5000 + ticks)) \
    2>/dev/null
}
seconds() { local s; s=$(date +%s.%N); "$@"; mawk -v s="$s" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }'; }

best_frames="" best_video=""
for ((r = 1; r <= rounds; r++)); do
  rm -rf "$tmp/frames" "$tmp/scene.mp4"
  f=$(seconds run_frames)
  v=$(seconds run_video)
  best_frames=$(mawk -v a="$f" -v b="${best_frames:-$f}" 'BEGIN { print (a < b ? a : b) }')
  best_video=$(mawk -v a="$v" -v b="${best_video:-$v}" 'BEGIN { print (a < b ? a : b) }')
done
pictures=$(ls "$tmp/frames" | wc -l)
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$tmp/scene.mp4")
echo "ticks: $ticks (PNG pictures: $pictures, video frames: $frames), best of $rounds rounds"
echo "--export-frames: ${best_frames} s"
echo "--export-video:  ${best_video} s"
mawk -v v="$best_video" -v f="$best_frames" 'BEGIN { printf "ratio video / pictures: %.2fx (goal <= 1.0x)\n", v / f }'
