#!/usr/bin/env bash
# A real simulation imported and shown: builds a two-lane road with netconvert,
# runs the simulator with floating-car output, imports one car's scene with
# scene-import, and checks that the viewer loads it (summary and a snapshot), that
# the cutter cuts the TRAJ file and that the labelling tool loads the pose track.
#   simulator_import_test.sh SCENE_IMPORT PLOVANE TRIMLET VANTREL
# Exit status 77 (skipped) when the simulator is not installed.
set -euo pipefail
import=$1 plovane=$2 trimlet=$3 vantrel=$4
if ! command -v sumo >/dev/null || ! command -v netconvert >/dev/null; then
  echo "skipped: sumo and netconvert are not installed (tools/bootstrap installs them)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > road.nod.xml <<'XML'
<nodes>
  <node id="a" x="0" y="0"/>
  <node id="b" x="600" y="0"/>
  <node id="c" x="1000" y="300"/>
</nodes>
XML
cat > road.edg.xml <<'XML'
<edges>
  <edge id="ab" from="a" to="b" numLanes="2" speed="30"/>
  <edge id="bc" from="b" to="c" numLanes="2" speed="30"/>
</edges>
XML
cat > road.rou.xml <<'XML'
<routes>
  <vType id="car" length="4.5" width="1.8" maxSpeed="33"/>
  <vType id="truck" length="12.0" width="2.5" maxSpeed="25" vClass="truck"/>
  <route id="r" edges="ab bc"/>
  <flow id="cars" type="car" route="r" begin="0" end="40" period="3" departLane="random" departSpeed="max"/>
  <flow id="trucks" type="truck" route="r" begin="1" end="40" period="9" departLane="0" departSpeed="max"/>
  <vehicle id="ego" type="car" route="r" depart="12" departLane="1" departSpeed="max"/>
</routes>
XML
netconvert --node-files road.nod.xml --edge-files road.edg.xml -o road.net.xml >/dev/null 2>&1
sumo -n road.net.xml -r road.rou.xml --end 70 --step-length 0.1 --no-step-log true \
  --fcd-output run.fcd.xml >/dev/null 2>&1

"$import" run.fcd.xml --list > list.txt
grep -q '^[0-9]* ego car ' list.txt || { echo "the list lacks the ego:"; cat list.txt; exit 1; }
"$import" run.fcd.xml --vtypes road.rou.xml --ego ego -o scene --radius 150 --roles \
  --time-offset 36000000 > import.txt
cat import.txt
grep -q '^scene-import: ego ego (car): [1-9][0-9]* vehicles' import.txt

"$plovane" --ego scene.nav --traj scene.traj --summary > summary.txt
cat summary.txt
grep -q '^# entries=[1-9][0-9]* samples=[1-9]' summary.txt
(cd "$work" && "$plovane" --ego scene.nav --traj scene.traj --steps 20 --snapshot shot.png)
[ -s shot.png ] || { echo "no snapshot written"; exit 1; }

# The cutter cuts the written TRAJ file; the labelling tool loads the pose track.
first=$(awk 'NR == 1 { print $1 }' scene.nav)
# (the cutter's exit status is 1 whatever happens; its message tells)
cut=$("$trimlet" scene.traj cut.traj "$first" $((first + 5000)) 2>&1 || true)
echo "$cut" | grep -q 'Trimlet succeeded' || { echo "$cut"; exit 1; }
grep -q '^tno=' cut.traj
echo "dump" > vantrel.script
"$vantrel" --ego scene.nav --script vantrel.script > vantrel.txt
grep -q "pose_period_s=0.100000" vantrel.txt || { echo "the labelling tool did not load the pose track:"; cat vantrel.txt; exit 1; }
echo "the scene was imported and loaded"
