#!/usr/bin/env python3
"""Writes large recordings for the importer's benchmark, deterministically:

    gen_datasets.py highd OUT_DIR [MB]   OUT_DIR/01_tracks.csv (at least MB megabytes,
                                         default 110) with the full highD header, and
                                         its 01_tracksMeta.csv and 01_recordingMeta.csv
    gen_datasets.py fcd OUT_FILE [MB]    a floating-car data file of at least MB
                                         megabytes (default 520)

A highway of three lanes each way, 420 m long, at 25 frames per second: vehicles
enter at one end, drive through at their own speed (some change lanes) and leave.
"""
import random
import sys

HIGHD_HEADER = ("frame,id,x,y,width,height,xVelocity,yVelocity,xAcceleration,yAcceleration,"
                "frontSightDistance,backSightDistance,dhw,thw,ttc,precedingXVelocity,precedingId,"
                "followingId,leftPrecedingId,leftAlongsideId,leftFollowingId,rightPrecedingId,"
                "rightAlongsideId,rightFollowingId,laneId\n")
ROAD = 420.0


def vehicles(rng):
    """(id, first frame, direction, lane, speed, length, width, class) for ever."""
    vid, frame = 0, 1
    while True:
        vid += 1
        frame += rng.randint(1, 12)
        truck = rng.random() < 0.2
        yield (vid, frame, rng.choice((1, 2)), rng.randint(0, 2), rng.uniform(22, 38),
               rng.uniform(11, 17) if truck else rng.uniform(3.8, 5.2),
               2.5 if truck else rng.uniform(1.7, 2.0), "Truck" if truck else "Car")


def highd(out_dir, megabytes):
    rng = random.Random(1)
    target = megabytes * 1_000_000
    written = 0
    meta = []
    with open(f"{out_dir}/01_tracks.csv", "w", newline="\n") as f:
        f.write(HIGHD_HEADER)
        for vid, first, direction, lane, speed, length, width, cls in vehicles(rng):
            frames = int(ROAD / speed * 25)
            lane_y = (8 + 3.8 * lane) if direction == 1 else (22 + 3.8 * lane)
            vx = -speed if direction == 1 else speed
            x0 = ROAD if direction == 1 else -length
            rows = []
            for k in range(frames):
                x = x0 + vx * k / 25
                rows.append(f"{first + k},{vid},{x:.2f},{lane_y:.2f},{length:.2f},{width:.2f},"
                            f"{vx:.2f},0.00,0.01,0.00,120.00,80.00,35.20,1.12,-1.00,"
                            f"{vx:.2f},{max(vid - 3, 0)},{vid + 3},0,0,{vid + 1},0,0,0,"
                            f"{lane + (2 if direction == 1 else 5)}\n")
            block = "".join(rows)
            f.write(block)
            written += len(block)
            meta.append((vid, width, length, first, first + frames - 1, frames, cls, direction))
            if written >= target:
                break
    with open(f"{out_dir}/01_tracksMeta.csv", "w") as f:
        f.write("id,width,height,initialFrame,finalFrame,numFrames,class,drivingDirection,"
                "traveledDistance,minXVelocity,maxXVelocity,meanXVelocity,minDHW,minTHW,minTTC,"
                "numLaneChanges\n")
        for vid, width, length, a, b, n, cls, d in meta:
            f.write(f"{vid},{length:.2f},{width:.2f},{a},{b},{n},{cls},{d},420,20,40,30,-1,-1,-1,0\n")
    with open(f"{out_dir}/01_recordingMeta.csv", "w") as f:
        f.write("id,frameRate,locationId,speedLimit,month,weekDay,startTime,duration,"
                "totalDrivenDistance,totalDrivenTime,numVehicles,numCars,numTrucks,"
                "upperLaneMarkings,lowerLaneMarkings\n")
        f.write(f"1,25,2,-1,09.2017,Tue,08:38,1000,1,1,{len(meta)},0,0,8;12;16,20;24;28\n")
    print(f"{out_dir}/01_tracks.csv: {written} bytes, {len(meta)} vehicles")


def fcd(out_file, megabytes):
    rng = random.Random(2)
    target = megabytes * 1_000_000
    written = 0
    live = []  # [name, x, speed, lane, type]
    source = vehicles(rng)
    step = 0
    with open(out_file, "w", newline="\n") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<fcd-export>\n')
        while written < target:
            while len(live) < 60:
                vid, _, _, lane, speed, _, _, cls = next(source)
                live.append([f"veh{vid}", 0.0, speed, lane, cls.lower()])
            parts = [f'    <timestep time="{step * 0.1:.2f}">\n']
            for v in live:
                v[1] += v[2] * 0.1
                parts.append(f'        <vehicle id="{v[0]}" x="{v[1]:.2f}" y="{-1.6 - 3.2 * v[3]:.2f}" '
                             f'angle="90.00" type="{v[4]}" speed="{v[2]:.2f}" pos="{v[1]:.2f}" '
                             f'lane="e_{v[3]}" slope="0.00"/>\n')
            parts.append("    </timestep>\n")
            block = "".join(parts)
            f.write(block)
            written += len(block)
            live = [v for v in live if v[1] < 3000]
            step += 1
        f.write("</fcd-export>\n")
    print(f"{out_file}: {written} bytes, {step} timesteps")


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in ("highd", "fcd"):
        sys.exit(__doc__)
    mb = int(sys.argv[3]) if len(sys.argv) > 3 else (110 if sys.argv[1] == "highd" else 520)
    (highd if sys.argv[1] == "highd" else fcd)(sys.argv[2], mb)
