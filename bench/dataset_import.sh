#!/usr/bin/env bash
# The dataset importer against the tools a user has at hand, measured in this run
# on files already in the page cache:
#  - a highD-style tracks.csv of at least 100 MB: scene-import --list and the full
#    import of one ego, each against pandas.read_csv of the same file (goal >= 10x);
#  - a floating-car data file of at least 500 MB: the import of one ego against
#    xmllint --stream --noout (goal >= 1.0x), with the importer's peak memory
#    (goal: under 64 MiB plus the ego's scene, the bytes of the files it writes).
# Prints the seconds, the ratios and the peak memory.
#   bench/dataset_import.sh            (generates the files in a scratch folder)
#   DATA_DIR=dir bench/dataset_import.sh   (keeps / reuses them in dir)
# ROUNDS (default 3) rounds run the commands in turn; each command's best counts.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-3}
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCENE_TESTS=OFF -DSCENE_BENCH=OFF >/dev/null
ninja -C "$build" scene-import >/dev/null
import="$PWD/$build/apps/scene-import"
for tool in xmllint /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run tools/bootstrap)" >&2; exit 1; }
done
/usr/bin/python3 -c "import pandas" 2>/dev/null || { echo "missing python3-pandas (run tools/bootstrap)" >&2; exit 1; }

if [ -n "${DATA_DIR:-}" ]; then
  data=$DATA_DIR
  mkdir -p "$data"
else
  data=$(mktemp -d)
  trap 'rm -rf "$data"' EXIT
fi
out=$(mktemp -d)
trap 'rm -rf "$out"; [ -z "${DATA_DIR:-}" ] && rm -rf "$data"' EXIT
[ -s "$data/01_tracks.csv" ] || python3 bench/gen_datasets.py highd "$data" 110 >/dev/null
[ -s "$data/run.fcd.xml" ] || python3 bench/gen_datasets.py fcd "$data/run.fcd.xml" 520 >/dev/null
tracks="$data/01_tracks.csv"
fcd="$data/run.fcd.xml"
cat "$tracks" "$fcd" >/dev/null  # into the page cache

# Seconds (wall clock) of the best of the rounds; the peak memory of the last.
declare -A best peak
measure() {  # name command...
  local name=$1
  shift
  /usr/bin/time -f "%e %M" -o "$out/time" "$@" >/dev/null 2>"$out/err" ||
    { cat "$out/err" >&2; echo "failed: $*" >&2; exit 1; }
  read -r secs kib <"$out/time"
  if [ -z "${best[$name]:-}" ] || awk -v a="$secs" -v b="${best[$name]}" 'BEGIN { exit !(a < b) }'; then
    best[$name]=$secs
  fi
  peak[$name]=$kib
}
ego_csv=$("$import" "$tracks" --list | awk '/^# longest-lived:/ { sub(",", "", $3); print $3 }')
ego_fcd=$(grep -m1 -o 'id="veh[0-9]*"' "$fcd" | sed 's/id="\(.*\)"/\1/')
for _ in $(seq "$rounds"); do
  measure pandas /usr/bin/python3 -c "import pandas, sys; pandas.read_csv(sys.argv[1])" "$tracks"
  measure list "$import" "$tracks" --list
  measure csv_import "$import" "$tracks" --ego "$ego_csv" -o "$out/csv"
  measure xmllint xmllint --stream --noout "$fcd"
  measure fcd_import "$import" "$fcd" --ego "$ego_fcd" -o "$out/fcd"
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
mb() { awk -v s="$(stat -c %s "$1")" 'BEGIN { printf "%.0f", s / 1e6 }'; }
scene_mib=$(awk -v a="$(stat -c %s "$out/fcd.nav")" -v b="$(stat -c %s "$out/fcd.traj")" \
  'BEGIN { printf "%.1f", (a + b) / 1048576 }')
echo "highD-style tracks.csv, $(mb "$tracks") MB, ego $ego_csv (best of $rounds):"
echo "  pandas.read_csv        ${best[pandas]} s"
echo "  scene-import --list    ${best[list]} s   $(ratio "${best[pandas]}" "${best[list]}")x pandas (goal 10x)"
echo "  scene-import --ego     ${best[csv_import]} s   $(ratio "${best[pandas]}" "${best[csv_import]}")x pandas (goal 10x)"
echo "FCD file, $(mb "$fcd") MB, ego $ego_fcd:"
echo "  xmllint --stream       ${best[xmllint]} s"
echo "  scene-import --ego     ${best[fcd_import]} s   $(ratio "${best[xmllint]}" "${best[fcd_import]}")x xmllint (goal 1.0x)"
echo "  peak memory            $(awk -v k="${peak[fcd_import]}" 'BEGIN { printf "%.1f", k / 1024 }') MiB" \
     "(goal: under 64 MiB + the scene's $scene_mib MiB)"
