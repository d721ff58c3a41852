#!/usr/bin/env python3
"""Deterministic generator of the bundled example scene.

Simulates about two minutes of traffic on a gently curving three-lane road around
an instrumented (ego) vehicle, sampled at 10 Hz, and writes:

    scene.nav, scene.pos   the ego pose track in the two pose layouts
    scene_origin.txt       four origin points spread over the scene
    scene.traj             trajectories of the surrounding vehicles as a tracker
                           would report them (ids, noise, gaps, fragments)
    trajcolset.ini         role ids and colours for the viewer
    README.md              what the files hold

Traffic is a small car-following simulation (intelligent driver model for the
speed, a gap-acceptance rule for lane changes) run in a window that moves with
the ego vehicle, so its cost grows with the duration only. `--scale N`
multiplies the duration (and so the number of trajectories and the size of the
TRAJ file, about 0.85 MB per unit); the default output is the committed example.
Every random choice comes from generators seeded with fixed values, so the
output is byte-identical on every run.

    python3 tools/gen_example.py                    # rewrites examples/
    python3 tools/gen_example.py --scale 220 --out /tmp/big
    python3 tools/gen_example.py --check examples   # reads a scene back and checks it
"""

import argparse
import bisect
import math
import os
import random
import re
import sys
import textwrap

SEED = 119

START_TIME_MS = 37800000      # 10:30:00.000
START_FRAME = 5000
FRAME_MS = 100
DT = FRAME_MS / 1000.0
BASE_FRAMES = 1200            # 120 s at scale 1
POSE_MARGIN = 20              # the ego track runs 2 s longer on both sides
WARM_UP = 300                 # simulated steps before the ego track starts

# Road: the reference line is the centre of the middle lane; its heading (pose
# convention, 0 = along world +y) swings gently around ROAD_HEADING.
ROAD_START = (3186.25, 1407.5)
ROAD_HEADING = -0.85
ROAD_SWING = 0.18             # rad
ROAD_WAVE = 4200.0            # m, period of the swing
LANE_OFFSETS = (-3.5, 0.0, 3.5)   # lateral offset of lanes 0 (right) to 2 (left), + is left

# Where vehicles are simulated and where the ego sensors see them, as distances
# along the ego vehicle's forward axis (metres, from the ego pose point).
SIM_BACK, SIM_AHEAD = -195.0, 240.0
VIEW_BACK, VIEW_AHEAD = -85.0, 135.0
COAST_STEPS = 15              # a tracker keeps an occluded vehicle's id for 1.5 s
TRAFFIC_COUNT = 26            # vehicles kept in the simulated window besides the ego

# Body centre of the ego car in its own pose frame (the pose point sits near
# the rear axle on the left), and its box.
EGO_CENTRE = (0.504, 0.828)
EGO_SIZE = (4.2, 1.85)

# Measurement noise of the tracker.
POS_SIGMA = 0.07
HEAD_SIGMA = 0.004
SPEED_SIGMA = 0.08
LENGTH_SIGMA = 0.05
WIDTH_SIGMA = 0.02

ROLE_COLOURS = (("front", (255, 0, 0)), ("lead", (0, 255, 0)),
                ("lag", (0, 0, 255)), ("rear", (255, 0, 255)))
EGO_COLOUR = (255, 255, 0)
SPEED_RANGE = (20.0, 35.0)


class Road:
    """Centre line C(s) of the middle lane by arc length s.

    The heading is periodic in s, so one period is tabulated (integrated with
    Simpson's rule) and C(s + WAVE) = C(s) + shift extends it without end;
    between nodes the line is a cubic Hermite curve through the node tangents."""

    def __init__(self, start, heading, swing, wave, step=4.0):
        self.heading0, self.swing, self.wave = heading, swing, wave
        self.k = 2.0 * math.pi / wave
        self.n = n = int(round(wave / step))
        self.step = h = wave / n
        xs, ys = [start[0]], [start[1]]
        sub = 8
        for i in range(n):
            sx = sy = 0.0
            for j in range(sub + 1):
                w = 1 if j in (0, sub) else (4 if j % 2 else 2)
                th = self.heading(i * h + j * h / sub)
                sx -= w * math.sin(th)
                sy += w * math.cos(th)
            xs.append(xs[-1] + sx * h / (3 * sub))
            ys.append(ys[-1] + sy * h / (3 * sub))
        self.xs, self.ys = xs, ys
        self.tx = [-math.sin(self.heading(i * h)) * h for i in range(n + 1)]
        self.ty = [math.cos(self.heading(i * h)) * h for i in range(n + 1)]
        self.shift = (xs[n] - xs[0], ys[n] - ys[0])

    def heading(self, s):
        return self.heading0 + self.swing * math.sin(self.k * s)

    def curvature(self, s):
        return self.swing * self.k * math.cos(self.k * s)

    def point(self, s):
        q, r = divmod(s, self.wave)
        i = min(int(r / self.step), self.n - 1)
        t = r / self.step - i
        t2, t3 = t * t, t * t * t
        h00, h10 = 2 * t3 - 3 * t2 + 1, t3 - 2 * t2 + t
        h01, h11 = -2 * t3 + 3 * t2, t3 - t2
        x = (h00 * self.xs[i] + h10 * self.tx[i] + h01 * self.xs[i + 1]
             + h11 * self.tx[i + 1] + q * self.shift[0])
        y = (h00 * self.ys[i] + h10 * self.ty[i] + h01 * self.ys[i + 1]
             + h11 * self.ty[i + 1] + q * self.shift[1])
        return x, y

    def place(self, s, ds, d, dd):
        """World position, unit heading vector and speed of a body at arc length s
        moving at ds (m/s along the line) with lateral offset d changing at dd."""
        th = self.heading(s)
        st, ct = math.sin(th), math.cos(th)
        cx, cy = self.point(s)
        # forward u = (-sin, cos); left normal n = (-cos, -sin); du/ds = kappa n
        along = ds * (1.0 - self.curvature(s) * d)
        vx = -along * st - dd * ct
        vy = along * ct - dd * st
        speed = math.hypot(vx, vy)
        if speed < 1e-9:
            return cx - d * ct, cy - d * st, -st, ct, 0.0
        return cx - d * ct, cy - d * st, vx / speed, vy / speed, speed


class Vehicle:
    """A simulated vehicle: its driver's parameters, its state along the road
    and what the tracker currently makes of it."""
    __slots__ = ("uid", "kind", "length", "width", "v0", "a_max", "b_comf", "headway",
                 "jam_gap", "sqrt_ab", "min_lane", "max_lane", "s", "v", "acc", "lane",
                 "from_lane", "lc_time", "lc_dur", "cooldown", "wob_amp", "wob_omega",
                 "wob_phase", "leader", "track", "blind", "hidden", "unseen")

    def __init__(self, uid, kind, length, width, v0, rng):
        self.uid, self.kind, self.length, self.width, self.v0 = uid, kind, length, width, v0
        if kind == "truck":
            self.a_max, self.b_comf = 0.7, 1.5
            self.headway, self.jam_gap = rng.uniform(1.6, 2.0), 3.0
            self.min_lane, self.max_lane = 0, 1
        else:
            self.a_max, self.b_comf = rng.uniform(1.2, 1.8), 2.0
            self.headway, self.jam_gap = rng.uniform(1.1, 1.6), 2.0
            self.min_lane, self.max_lane = 0, 2
        self.sqrt_ab = 2.0 * math.sqrt(self.a_max * self.b_comf)
        self.s = self.v = self.acc = 0.0
        self.lane = self.from_lane = 1
        self.lc_time = self.lc_dur = 0.0
        self.cooldown = 0.0
        self.wob_amp = rng.uniform(0.04, 0.18)
        self.wob_omega = 2.0 * math.pi / rng.uniform(6.0, 16.0)
        self.wob_phase = rng.uniform(0.0, 2.0 * math.pi)
        self.leader = None
        self.track = None
        self.blind = 0          # planned frames without a report (tracker faults)
        self.hidden = False     # behind a nearer vehicle as the sensors see it
        self.unseen = 0         # frames hidden so far

    def idm(self, v, leader):
        """Acceleration of the intelligent driver model behind `leader` (or free)."""
        acc = self.a_max * (1.0 - (v / self.v0) ** 4)
        if leader is not None:
            gap = leader.s - self.s - 0.5 * (leader.length + self.length)
            want = self.jam_gap + max(0.0, v * self.headway + v * (v - leader.v) / self.sqrt_ab)
            acc -= self.a_max * (want / max(gap, 0.1)) ** 2
        return max(acc, -9.0)

    def lateral(self, t):
        """Lateral offset from the reference line and its rate at time t."""
        if self.lc_dur:
            u = self.lc_time / self.lc_dur
            d0 = LANE_OFFSETS[self.from_lane]
            span = LANE_OFFSETS[self.lane] - d0
            d = d0 + span * u * u * u * (10.0 - 15.0 * u + 6.0 * u * u)
            dd = span * 30.0 * u * u * (1.0 - u) * (1.0 - u) / self.lc_dur
        else:
            d, dd = LANE_OFFSETS[self.lane], 0.0
        a = self.wob_omega * t + self.wob_phase
        return d + self.wob_amp * math.sin(a), dd + self.wob_amp * self.wob_omega * math.cos(a)


def update_occlusion(in_range):
    """Marks vehicles hidden behind nearer ones as seen from the ego body centre.

    `in_range` holds tuples whose items 6 to 9 are the vehicle's centre and unit
    heading in the ego frame. A vehicle becomes hidden when nearer vehicles cover
    more than 90 % of the bearings it spans and visible again below 60 %."""
    spans = []
    for item in in_range:
        w, ex, ey, ux, uy = item[0], item[6] - EGO_CENTRE[0], item[7] - EGO_CENTRE[1], \
            item[8], item[9]
        side = 1.0 if ey >= 0.0 else -1.0
        a, b = 0.5 * w.length, 0.5 * w.width
        bearings = [math.atan2(ex + da * ux - db * uy, side * (ey + da * uy + db * ux))
                    for da, db in ((a, b), (a, -b), (-a, b), (-a, -b))]
        spans.append((math.hypot(ex, ey) - a, min(bearings), max(bearings), side, abs(ey), w))
    for dist, lo, hi, side, along, w in spans:
        if along < 8.0:
            w.hidden = False    # alongside the ego vehicle nothing hides it
            continue
        cover = sorted((max(lo, l2), min(hi, h2)) for d2, l2, h2, s2, _, w2 in spans
                       if w2 is not w and s2 == side and d2 < dist and l2 < hi and h2 > lo)
        covered, reach = 0.0, lo
        for l2, h2 in cover:
            if h2 > reach:
                covered += h2 - max(l2, reach)
                reach = h2
        fraction = covered / (hi - lo) if hi > lo else 0.0
        if fraction > 0.9:
            w.hidden = True
        elif fraction < 0.6:
            w.hidden = False


class Sink:
    """Text output collected in pieces and written in large blocks."""

    def __init__(self, path):
        self.file = open(path, "w", newline="\n")
        self.parts, self.size = [], 0

    def add(self, text):
        self.parts.append(text)
        self.size += len(text)
        if self.size > (1 << 22):
            self.flush()

    def flush(self):
        self.file.write("".join(self.parts))
        self.parts, self.size = [], 0

    def close(self):
        self.flush()
        self.file.close()


class Track:
    """One trajectory as the tracker reports it: an id and its sample lines."""
    __slots__ = ("tid", "lines", "frames", "limit", "gaps", "order")

    def __init__(self, tid):
        self.tid = tid
        self.lines, self.frames = [], []
        self.limit = 0          # fragment: number of samples before the tracker loses it
        self.gaps = {}          # sample count -> frames to drop after it
        self.order = ""         # "", "descending" or "swapped"


class Scene:
    """The simulation and the recording of its ego track and trajectories."""

    def __init__(self, frames, out):
        self.frames = frames
        self.road = Road(ROAD_START, ROAD_HEADING, ROAD_SWING, ROAD_WAVE)
        self.rng_traffic = random.Random(SEED)
        self.rng_noise = random.Random(SEED + 1)
        self.rng_track = random.Random(SEED + 2)
        self.traj = Sink(os.path.join(out, "scene.traj"))
        self.nav = Sink(os.path.join(out, "scene.nav"))
        self.pos = Sink(os.path.join(out, "scene.pos"))
        self.traj.add("# time_ms,frame,x,y,length,width,head_x,head_y,"
                      "ego_x,ego_y,ego_head_x,ego_head_y,speed\n")
        self.nav.add("# time_ms\tspeed\taccel\theading\tx\ty\tyaw_rate\n")
        self.pos.add("# seq time_ms speed accel heading x y yaw_rate\n")
        self.pose_count = 0
        self.ego_start_lane = 1
        self.last_heading = None
        # origin points: abreast of the ego vehicle at four times spread over the scene
        self.origin_steps = (0, frames // 3, 2 * frames // 3, frames - 1)
        self.origins = []
        self.next_tid = 101
        self.track_serial = 0
        self.edge_serial = 0
        self.tracks = {}        # id -> (sample count, first frame, last frame)
        self.ego_changes = []   # [k, from lane, to lane, {role: vehicle}, {role: id}]
        self.stats = {"min_gap": 1e9, "lane_changes": 0, "fragments": 0, "dropouts": 0,
                      "descending": 0, "swapped": 0}
        self.uid = 0
        self.k = 0
        self.vehicles = []
        self.ego = Vehicle(self.new_uid(), "car", EGO_SIZE[0], EGO_SIZE[1], 28.0, self.rng_traffic)
        self.ego.min_lane, self.ego.max_lane = 1, 2
        self.ego.wob_amp = 0.03
        self.ego.v = 27.0
        self.ego.s = 0.0

    def new_uid(self):
        self.uid += 1
        return self.uid

    # ---- traffic -------------------------------------------------------------

    def new_vehicle(self):
        r = self.rng_traffic
        roll = r.random()
        if roll < 0.17:
            v = Vehicle(self.new_uid(), "truck", r.uniform(12.0, 18.5), r.uniform(2.48, 2.55),
                        r.uniform(21.0, 24.5), r)
            v.lane = 0 if r.random() < 0.85 else 1
        elif roll < 0.25:
            v = Vehicle(self.new_uid(), "van", r.uniform(5.2, 6.2), r.uniform(1.95, 2.1),
                        min(max(r.gauss(28.0, 2.0), 23.0), 33.0), r)
            v.lane = 0 if r.random() < 0.5 else 1
        else:
            v = Vehicle(self.new_uid(), "car", r.uniform(3.9, 5.0), r.uniform(1.7, 1.95),
                        min(max(r.gauss(31.0, 5.0), 23.0), 44.0), r)
            v.lane = 0 if v.v0 < 27.5 else (1 if v.v0 < 32.0 else 2)
            if r.random() < 0.25:
                v.lane = max(0, v.lane - 1)
        v.from_lane = v.lane
        return v

    def neighbours(self, lane, s, skip=None):
        """Nearest vehicles ahead of and behind position s that occupy `lane`."""
        ahead = behind = None
        for w in self.vehicles + [self.ego]:
            if w is skip or not (w.lane == lane or (w.lc_dur and w.from_lane == lane)):
                continue
            if w.s >= s:
                if ahead is None or w.s < ahead.s:
                    ahead = w
            elif behind is None or w.s > behind.s:
                behind = w
        return ahead, behind

    def fits(self, v, lane):
        """True when v can be put at v.s in `lane` without anyone braking hard."""
        ahead, behind = self.neighbours(lane, v.s, v)
        if ahead is not None:
            if ahead.s - v.s - 0.5 * (ahead.length + v.length) < 3.0 + v.v * 0.5:
                return False
            if v.idm(v.v, ahead) < -1.5:
                return False
        if behind is not None:
            if v.s - behind.s - 0.5 * (v.length + behind.length) < 3.0 + behind.v * 0.5:
                return False
            if behind.idm(behind.v, v) < -1.5:
                return False
        return True

    def try_spawn(self, where):
        """Put a new vehicle at `where` (a distance from the ego) or, out of
        sensor range, on the side of the simulated window that suits its speed,
        in its preferred lane or else another lane it may use; returns it or None."""
        r = self.rng_traffic
        v = self.new_vehicle()
        ego = self.ego
        if where is None:
            # fast vehicles come from behind, slow ones are caught up with
            if v.v0 - ego.v + r.uniform(-1.0, 1.0) > 0.0:
                where = r.uniform(SIM_BACK + 2.0, VIEW_BACK - 25.0)
            else:
                where = r.uniform(VIEW_AHEAD + 25.0, SIM_AHEAD - 2.0)
        v.s = ego.s + where
        lanes = [v.lane] + [n for n in (v.lane + 1, v.lane - 1, v.lane + 2, v.lane - 2)
                            if v.min_lane <= n <= v.max_lane]
        for lane in lanes:
            v.lane = v.from_lane = lane
            v.v = v.v0
            ahead, _ = self.neighbours(lane, v.s)
            if ahead is not None and ahead.v < v.v:
                v.v = max(ahead.v, v.v - 4.0)
            if self.fits(v, lane):
                self.vehicles.append(v)
                return v
        return None

    def decide_lane_change(self, v, lanes, lane_s):
        """Starts a lane change of v when the target lane lets it drive faster
        (to the left) or costs it little (back to the right), and neither v nor
        its new follower has to brake harder than 2 m/s²."""
        if v.lc_dur or v.cooldown > 0.0:
            return
        now = v.idm(v.v, v.leader)
        best, best_gain = None, 0.0
        for target in (v.lane + 1, v.lane - 1):
            if target < v.min_lane or target > v.max_lane:
                continue
            lst, ss = lanes[target], lane_s[target]
            i = bisect.bisect_right(ss, v.s)
            ahead = lst[i] if i < len(lst) else None
            behind = lst[i - 1] if i > 0 else None
            if ahead is not None and ahead.s - v.s - 0.5 * (ahead.length + v.length) < 4.0:
                continue
            if behind is not None and v.s - behind.s - 0.5 * (v.length + behind.length) < 4.0:
                continue
            new = v.idm(v.v, ahead)
            if new < -2.0:
                continue
            if behind is not None:
                follower_new = behind.idm(behind.v, v)
                if follower_new < -2.0:
                    continue
                cost = max(0.0, behind.acc - follower_new)
            else:
                cost = 0.0
            if target > v.lane:
                # overtake only when held back noticeably
                gain = new - now - 0.3 * cost - 0.3
                if v.v > v.v0 - 1.5:
                    continue
            else:
                # keep right unless it costs speed
                gain = new - now - 0.3 * cost + 0.25
                if ahead is not None and ahead.v < v.v0 - 2.0 and \
                        ahead.s - v.s < 60.0 + 3.0 * (v.v - ahead.v):
                    continue
            if gain > best_gain:
                best, best_gain = target, gain
        if best is None:
            return
        if v is self.ego:
            self.note_ego_change(best, lanes, lane_s)
        v.from_lane, v.lane = v.lane, best
        v.lc_time = 0.0
        v.lc_dur = self.rng_traffic.uniform(3.5, 5.5)
        v.cooldown = v.lc_dur + self.rng_traffic.uniform(6.0, 10.0)
        lst, ss = lanes[best], lane_s[best]
        i = bisect.bisect_right(ss, v.s)
        lst.insert(i, v)
        ss.insert(i, v.s)
        self.stats["lane_changes"] += 1

    def note_ego_change(self, target, lanes, lane_s):
        """Remembers the ego's neighbours as it starts to change lanes: nearest
        ahead and behind in its lane (front, rear) and in the target lane (lead,
        lag). A vehicle itself changing lanes between the two counts once."""
        ego = self.ego
        roles, taken = {}, {ego}
        for (ahead_role, behind_role), lane in ((("front", "rear"), ego.lane),
                                                (("lead", "lag"), target)):
            lst = lanes[lane]
            i = bisect.bisect_right(lane_s[lane], ego.s)
            ahead = [w for w in lst[i:] if w not in taken]
            behind = [w for w in lst[:i] if w not in taken]
            roles[ahead_role] = ahead[0] if ahead else None
            roles[behind_role] = behind[-1] if behind else None
            taken.update(w for w in roles.values() if w is not None)
        # the change shows from the next recorded step on
        self.ego_changes.append([self.k + 1, ego.lane, target, roles, {}])

    def advance(self, k):
        """One simulation step of DT seconds."""
        self.k = k
        everyone = self.vehicles + [self.ego]
        everyone.sort(key=lambda w: w.s)
        lanes = ([], [], [])
        for w in everyone:
            w.leader = None
            lanes[w.lane].append(w)
            if w.lc_dur and w.from_lane != w.lane:
                lanes[w.from_lane].append(w)
        for lst in lanes:
            for i in range(len(lst) - 1):
                w, ahead = lst[i], lst[i + 1]
                if w.leader is None or ahead.s < w.leader.s:
                    w.leader = ahead
                gap = ahead.s - w.s - 0.5 * (ahead.length + w.length)
                if gap < self.stats["min_gap"]:
                    self.stats["min_gap"] = gap
        for w in everyone:
            w.acc = w.idm(w.v, w.leader)
        lane_s = [[w.s for w in lst] for lst in lanes]
        for w in everyone:
            if (k + w.uid) % 5 == 0:
                self.decide_lane_change(w, lanes, lane_s)
        for w in everyone:
            w.v = max(0.0, w.v + w.acc * DT)
            w.s += w.v * DT
            if w.lc_dur:
                w.lc_time += DT
                if w.lc_time >= w.lc_dur:
                    w.lc_time = w.lc_dur = 0.0
                    w.from_lane = w.lane
            w.cooldown -= DT
        ego_s = self.ego.s
        kept = []
        for w in self.vehicles:
            rel = w.s - ego_s
            if SIM_BACK <= rel <= SIM_AHEAD:
                kept.append(w)
            elif w.track is not None:
                self.end_track(w)
        self.vehicles = kept
        if len(self.vehicles) < TRAFFIC_COUNT and self.rng_traffic.random() < 0.3:
            self.try_spawn(None)

    def populate(self):
        """Fills the simulated window with traffic before the warm-up."""
        tries = 0
        while len(self.vehicles) < TRAFFIC_COUNT and tries < 2000:
            tries += 1
            self.try_spawn(self.rng_traffic.uniform(SIM_BACK + 5.0, SIM_AHEAD - 5.0))

    # ---- recording -----------------------------------------------------------

    def ego_pose(self, k):
        """Heading and pose point of the ego vehicle, rounded as written, and
        its speed."""
        ego, road = self.ego, self.road
        t = k * DT
        d, dd = ego.lateral(t)
        x, y, hx, hy, speed = road.place(ego.s, ego.v, d, dd)
        heading = math.atan2(-hx, hy)
        ch, sh = math.cos(heading), math.sin(heading)
        px = x - (ch * EGO_CENTRE[0] - sh * EGO_CENTRE[1])
        py = y - (sh * EGO_CENTRE[0] + ch * EGO_CENTRE[1])
        return round(heading, 6), round(px, 3), round(py, 3), speed

    def record(self, k, with_traj):
        """Writes the ego pose of step k and, inside the recording, the samples
        of every vehicle the tracker reports at that step."""
        heading, px, py, speed = self.ego_pose(k)
        yaw_rate = 0.0 if self.last_heading is None else (heading - self.last_heading) / DT
        self.last_heading = heading
        time_ms = START_TIME_MS + k * FRAME_MS
        self.nav.add("%d\t%.3f\t%.3f\t%.6f\t%.3f\t%.3f\t%.5f\n"
                     % (time_ms, speed, self.ego.acc, heading, px, py, yaw_rate))
        self.pos.add("%d %d %.3f %.3f %.6f %.3f %.3f %.5f\n"
                     % (self.pose_count, time_ms, speed, self.ego.acc, heading, px, py, yaw_rate))
        self.pose_count += 1
        if k == 0:
            self.ego_start_lane = self.ego.lane
        if k in self.origin_steps:
            s = self.ego.s
            x, y = self.road.point(s)
            self.origins.append((len(self.origins) + 1, time_ms, s, 0.0, x, y,
                                 self.road.heading(s)))
        if not with_traj:
            return
        for change in self.ego_changes:
            if change[0] == k and change[3] is not None:
                for role, w in change[3].items():
                    if w is not None and w.track is not None:
                        change[4][role] = w.track.tid
                change[3] = None
        ch, sh = math.cos(heading), math.sin(heading)
        road, rn = self.road, self.rng_noise
        t = k * DT
        frame = START_FRAME + k
        ego_s = self.ego.s
        gauss = rn.gauss
        in_range = []
        for w in self.vehicles:
            rel = w.s - ego_s
            if VIEW_BACK - 15.0 < rel < VIEW_AHEAD + 15.0:
                d, dd = w.lateral(t)
                x, y, hx, hy, vel = road.place(w.s, w.v, d, dd)
                # the ego-frame forward distance decides whether the sensors reach it
                dx, dy = x - px, y - py
                ey = -sh * dx + ch * dy
                if VIEW_BACK <= ey <= VIEW_AHEAD:
                    in_range.append((w, x, y, hx, hy, vel, ch * dx + sh * dy, ey,
                                     ch * hx + sh * hy, -sh * hx + ch * hy))
                    continue
            if w.track is not None:
                self.end_track(w)
            w.blind = w.unseen = 0
            w.hidden = False
        update_occlusion(in_range)
        for w, x, y, hx, hy, vel, _, _, _, _ in in_range:
            if w.hidden:
                # the tracker coasts through a short occlusion and drops the
                # vehicle after a longer one; it comes back under a new id
                w.unseen += 1
                if w.track is not None and w.unseen > COAST_STEPS:
                    self.end_track(w)
                continue
            w.unseen = 0
            if w.blind > 0:
                w.blind -= 1
                continue
            if w.track is None:
                self.start_track(w, k)
            tr = w.track
            x = round(x + gauss(0.0, POS_SIGMA), 3)
            y = round(y + gauss(0.0, POS_SIGMA), 3)
            a = math.atan2(hy, hx) + gauss(0.0, HEAD_SIGMA)
            hx, hy = round(math.cos(a), 3), round(math.sin(a), 3)
            dx, dy = x - px, y - py
            tr.lines.append("%d,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\n" % (
                time_ms, frame, x, y,
                w.length + gauss(0.0, LENGTH_SIGMA), w.width + gauss(0.0, WIDTH_SIGMA),
                hx, hy, ch * dx + sh * dy, -sh * dx + ch * dy,
                ch * hx + sh * hy, -sh * hx + ch * hy,
                max(0.0, vel + gauss(0.0, SPEED_SIGMA))))
            tr.frames.append(frame)
            n = len(tr.lines)
            if tr.limit and n >= tr.limit:
                self.end_track(w)
                w.blind = self.rng_track.randint(3, 8)
            elif n in tr.gaps:
                w.blind = tr.gaps[n]

    def start_track(self, w, k):
        """A vehicle comes into view: open a trajectory and plan its tracker faults.

        Faults follow fixed cycles over the trajectories so every scene, however
        long, has some of each: fragments (a vehicle entering the view is first
        reported under a short-lived id, lost, then picked up under a new one),
        dropped samples (gaps below and above one second, and a sample isolated
        by gaps on both sides), and sample lines written out of frame order."""
        r = self.rng_track
        tr = Track(self.next_tid)
        self.next_tid += 1 if r.random() < 0.85 else 2
        serial = self.track_serial
        self.track_serial += 1
        entering = k > 0
        if entering:
            e = self.edge_serial
            self.edge_serial += 1
            if e % 6 == 2:
                tr.limit = (6, 13, 19, 11)[(e // 6) % 4]
                self.stats["fragments"] += 1
        if not tr.limit:
            if serial % 8 == 3:
                tr.gaps[r.randint(25, 60)] = (5, 12)[(serial // 8) % 2]
            elif serial % 13 == 9:
                at = r.randint(30, 60)
                tr.gaps[at] = 11
                tr.gaps[at + 1] = 11
            if serial % 17 == 5:
                tr.order = "descending"
            elif serial % 13 == 6:
                tr.order = "swapped"
        w.track = tr

    def end_track(self, w):
        """The tracker drops w: its trajectory goes to the TRAJ file."""
        tr = w.track
        w.track = None
        if not tr.lines:
            return
        lines = tr.lines
        if len(lines) >= 30 and tr.order == "descending":
            lines.reverse()
            self.stats["descending"] += 1
        elif len(lines) >= 30 and tr.order == "swapped":
            for _ in range(3):
                i = self.rng_track.randrange(1, len(lines) - 2)
                lines[i], lines[i + 1] = lines[i + 1], lines[i]
            self.stats["swapped"] += 1
        if len(tr.frames) != tr.frames[-1] - tr.frames[0] + 1:
            self.stats["dropouts"] += 1
        self.tracks[tr.tid] = (len(lines), tr.frames[0], tr.frames[-1])
        self.traj.add("tno=%d\n%s" % (tr.tid, "".join(lines)))

    def run(self):
        self.populate()
        first_pose = -POSE_MARGIN
        last_pose = self.frames + POSE_MARGIN - 1
        for k in range(-WARM_UP, last_pose + 1):
            if k >= first_pose:
                self.record(k, 0 <= k < self.frames)
            if k == self.frames - 1:
                # the recording ends: every open trajectory ends with it
                for w in self.vehicles:
                    if w.track is not None:
                        self.end_track(w)
            self.advance(k)
        for sink in (self.traj, self.nav, self.pos):
            sink.close()

    def roles(self):
        """Role ids from the ego's first lane change inside the scene that has
        all four neighbours in view long enough to be drawn; else the best one."""
        best, best_count = {}, -1
        for k, _, _, _, seen in self.ego_changes:
            if not 0 <= k < self.frames:
                continue
            ids = {role: tid for role, tid in seen.items()
                   if self.tracks.get(tid, (0,))[0] >= 20}
            if len(ids) > best_count:
                best, best_count = dict(ids, at=k), len(ids)
            if len(ids) == 4:
                break
        return best


# ---- the other files ---------------------------------------------------------

def write_text(path, text):
    with open(path, "w", newline="\n") as f:
        f.write(text)


def write_origin(out, points):
    lines = ["# no time_ms road_s offset x y heading\n"]
    lines += ["%d %d %.3f %.3f %.3f %.3f %.6f\n" % p for p in points]
    write_text(os.path.join(out, "scene_origin.txt"), "".join(lines))


def write_colours(out, roles):
    lines = ["; Role colours of the example scene, read by the viewer from the current\n",
             "; directory. front/rear: the vehicles ahead of and behind the ego vehicle\n",
             "; in its lane as it starts to change lanes; lead/lag: the vehicles ahead\n",
             "; of and behind the gap it moves into. Colours are red,green,blue.\n"]
    for role, colour in ROLE_COLOURS:
        lines.append("%sid=%d\n" % (role, roles.get(role, -1)))
        lines.append("%scol=%d,%d,%d\n" % ((role,) + colour))
    lines.append("egocol=%d,%d,%d\n" % EGO_COLOUR)
    lines.append("speedmin=%.1f\n" % SPEED_RANGE[0])
    lines.append("speedmax=%.1f\n" % SPEED_RANGE[1])
    lines.append("trajcolseton=1\n")
    write_text(os.path.join(out, "trajcolset.ini"), "".join(lines))


def write_labelling(out, scene):
    """Sample files for the labelling tool over the ego track, with and without the
    identifier column, and a generated lane change as its Traj Gen file."""
    t0, t1 = START_TIME_MS, START_TIME_MS + (scene.frames - 1) * FRAME_MS
    samples = []   # (start, end, label)
    if t1 - t0 >= 60000:
        samples += [(t0 + 5000, t0 + 15000, 0), (t0 + 30000, t0 + 42000, 1)]
    for k, frm, to, _, _ in scene.ego_changes:
        at = START_TIME_MS + k * FRAME_MS
        if t0 + 3000 <= at <= t1 - 4000:
            samples.append((at - 3000, min(at + 6000, t1), 2 if to > frm else 3))
    if t1 - t0 >= 100000:
        # A car-following stretch, and one overlapping it: the tool cuts the first
        # back to end 100 ms before the second starts.
        samples += [(t0 + 80000, t0 + 90000, 4), (t0 + 88000, t0 + 95000, 0)]
    samples.sort()
    lines = ["# sample_id start_ms end_ms label origin_x origin_y frame_heading "
             "heading_offset\n"]
    lines += ["%d\t%d\t%d\t%d\t0.000\t0.000\t0.000\t0.000\n" % (i + 1, a, b, lab)
              for i, (a, b, lab) in enumerate(samples)]
    write_text(os.path.join(out, "scene_samples.txt"), "".join(lines))
    # The same windows by hand: no identifier column, commas, newest first.
    lines = ["start_ms,end_ms,label\n"]
    lines += ["%d,%d,%d\n" % s for s in reversed(samples)]
    write_text(os.path.join(out, "scene_samples_noid.txt"), "".join(lines))
    # A lane change to the left over 6 s at 24.5 m/s, in a sample's frame (+x to
    # the right, +y ahead), times from the sample's start.
    lines = ["# time_ms x y\n"]
    for n in range(81):
        t = n * 100
        u = min(t / 6000.0, 1.0)
        lines.append("%d %.3f %.3f\n" % (t, -3.5 * u * u * (3 - 2 * u) + 0.0, 24.5 * t / 1000.0))
    write_text(os.path.join(out, "scene_trajgen.txt"), "".join(lines))
    return len(samples)


def clock(time_ms):
    sec, ms = divmod(time_ms, 1000)
    return "%02d:%02d:%02d.%03d" % ((sec // 3600) % 24, sec // 60 % 60, sec % 60, ms)


def write_readme(out, scene, roles, scale):
    tracks, st = scene.tracks, scene.stats
    t0, t1 = START_TIME_MS, START_TIME_MS + (scene.frames - 1) * FRAME_MS
    short = sorted(tid for tid, (n, _, _) in tracks.items() if n < 20)
    short_text = ", ".join(map(str, short[:8])) + (", ..." if len(short) > 8 else "")
    command = "python3 tools/gen_example.py" + ("" if scale == 1 else " --scale %g" % scale)
    role_text = ", ".join("%s %d" % (r, roles[r]) for r, _ in ROLE_COLOURS if r in roles)
    if "at" in roles:
        role_text += ", taken as the ego vehicle starts to change lanes at %s (frame %d)" % (
            clock(START_TIME_MS + roles["at"] * FRAME_MS), START_FRAME + roles["at"])
    bullets = [
        "Trajectories from %d to %d ms (%s to %s), frames %d to %d, one frame per "
        "100 ms. The ego track runs 2 s longer on both sides (%d to %d ms)."
        % (t0, t1, clock(t0), clock(t1), START_FRAME, START_FRAME + scene.frames - 1,
           t0 - POSE_MARGIN * FRAME_MS, t1 + POSE_MARGIN * FRAME_MS),
        "Trajectory ids start at 101 and have gaps; an id is never reused. Trajectories "
        "are listed in the order in which they end.",
        "Cars, vans and trucks (12 to 18.5 m long) change lanes and overtake. The sensors "
        "reach %d m behind and %d m ahead of the ego pose point and do not see through "
        "vehicles, so most trajectories start or end inside the scene."
        % (-VIEW_BACK, VIEW_AHEAD),
        "Positions carry about %d cm of noise, headings and box sizes a little too; the "
        "speed column is the true speed plus a little noise." % round(POS_SIGMA * 100),
        "Tracker faults: %d vehicles are first reported under a short-lived id and then "
        "under a new one; trajectories shorter than 20 samples: %s. %d trajectories miss "
        "samples (gaps below and above one second, some from occlusion, and a sample "
        "isolated by gaps on both sides); %d list their samples in descending frame order "
        "and %d have a few neighbouring sample lines swapped."
        % (st["fragments"], short_text or "none", st["dropouts"], st["descending"],
           st["swapped"]),
        "Roles in `trajcolset.ini`: %s." % (role_text or "none"),
    ]
    names = ("right", "middle", "left")
    changes = ["to the %s lane at %s" % (names[to], clock(START_TIME_MS + k * FRAME_MS))
               for k, _, to, _, _ in scene.ego_changes if 0 <= k < scene.frames]
    if changes:
        more = ", ..." if len(changes) > 6 else ""
        bullets.insert(2, "The ego vehicle starts in the %s lane and changes %s%s." % (
            names[scene.ego_start_lane], ", then ".join(changes[:6]), more))
    text = ["# Example scene", "",
            textwrap.fill("A generated recording of %.0f s on a gently curving three-lane road "
                          "(lanes 3.5 m wide, traffic keeping right) around an instrumented "
                          "ego vehicle, sampled at 10 Hz. Made by `%s`; the generator is "
                          "deterministic, so running it again gives the same bytes."
                          % (scene.frames * DT, command), 80), "",
            "| File | Content |", "|---|---|",
            "| `scene.nav` | ego pose track: time_ms, speed, accel, heading, x, y, yaw_rate "
            "(tab-separated) |",
            "| `scene.pos` | the same poses after a sequence number (space-separated) |",
            "| `scene_origin.txt` | %d origin points: number, time_ms, distance along the road, "
            "lateral offset, x, y, heading |" % len(scene.origins),
            "| `scene.traj` | %d trajectories of the surrounding vehicles, %d samples |"
            % (len(tracks), sum(n for n, _, _ in tracks.values())),
            "| `trajcolset.ini` | role ids and colours for the viewer, which reads it from "
            "its current directory |",
            "| `scene_samples.txt` | %d samples for the labelling tool: sample_id, start_ms, "
            "end_ms, label and the frame (0: taken from the track) |" % scene.sample_count,
            "| `scene_samples_noid.txt` | the same windows as a hand-made file: no identifier "
            "column, commas, newest first |",
            "| `scene_trajgen.txt` | a generated lane change to the left in a sample's frame "
            "(time_ms, x, y) |", "",
            textwrap.fill("Positions are in metres in a local world frame, headings in "
                          "radians: heading 0 faces world +y, and a vehicle's +x axis points "
                          "to its right. The ego pose point sits near the rear axle, %.3f m "
                          "left of and %.3f m behind the body centre, so a vehicle straight "
                          "ahead in the ego lane shows `ego_x` near %.1f. Lines starting "
                          "with # or ; are comments."
                          % (EGO_CENTRE[0], EGO_CENTRE[1], EGO_CENTRE[0]), 80), ""]
    text += [textwrap.fill(b, 80, initial_indent="- ", subsequent_indent="  ") for b in bullets]
    write_text(os.path.join(out, "README.md"), "\n".join(text) + "\n")


def generate(out, scale):
    frames = max(2, int(round(BASE_FRAMES * scale)))
    os.makedirs(out, exist_ok=True)
    scene = Scene(frames, out)
    scene.run()
    roles = scene.roles()
    write_origin(out, scene.origins)
    write_colours(out, roles)
    scene.sample_count = write_labelling(out, scene)
    write_readme(out, scene, roles, scale)
    return scene, roles


# ---- reading a scene back ----------------------------------------------------

SPLIT = re.compile(r"[ ,\t\n]+")


def data_rows(path):
    with open(path) as f:
        for line in f:
            if len(line) >= 3 and line[0].isdigit():
                yield [t for t in SPLIT.split(line) if t]


def check(out):
    """Reads a generated scene back the way the programs do and returns a list
    of problems (empty when the scene is consistent)."""
    problems = []

    def expect(ok, what):
        if not ok and len(problems) < 20:
            problems.append(what)

    nav = [(int(r[0]),) + tuple(map(float, r[1:7]))
           for r in data_rows(os.path.join(out, "scene.nav"))]
    pos = [(int(r[1]),) + tuple(map(float, r[2:8]))
           for r in data_rows(os.path.join(out, "scene.pos"))]
    expect(nav == pos, "scene.nav and scene.pos differ")
    poses = {p[0]: p for p in nav}
    for a, b in zip(nav, nav[1:]):
        expect(b[0] - a[0] == FRAME_MS, "ego track not at 10 Hz at %d" % a[0])
        # the pose's forward axis (-sin h, cos h) follows the motion
        dx, dy = b[4] - a[4], b[5] - a[5]
        expect(-math.sin(a[3]) * dx + math.cos(a[3]) * dy > 0.99 * math.hypot(dx, dy),
               "ego heading off its motion at %d" % a[0])

    for r in data_rows(os.path.join(out, "scene_origin.txt")):
        expect(int(r[1]) in poses, "origin point %s outside the ego track" % r[0])

    tracks, tid = {}, None
    with open(os.path.join(out, "scene.traj")) as f:
        for line in f:
            if line[:3].lower() == "tno":
                tid = int(re.split(r"[= ,\t\n]+", line)[1])
                expect(tid not in tracks, "id %d used twice" % tid)
                tracks[tid] = []
            elif line[:1].isdigit():
                r = SPLIT.split(line.strip())
                expect(len(r) == 13 and tid is not None, "bad sample line %r" % line)
                tracks[tid].append((int(r[0]), int(r[1])) + tuple(map(float, r[2:13])))
    for tid, samples in tracks.items():
        frames = [s[1] for s in samples]
        expect(len(set(frames)) == len(frames), "trajectory %d repeats a frame" % tid)
        for s in samples:
            t, fr, x, y, ln, wd, hx, hy, ex, ey, ehx, ehy, sp = s
            expect(t - START_TIME_MS == (fr - START_FRAME) * FRAME_MS,
                   "time %d vs frame %d" % (t, fr))
            expect(abs(math.hypot(hx, hy) - 1) < 2e-3 and abs(math.hypot(ehx, ehy) - 1) < 2e-3,
                   "heading not unit in %d at %d" % (tid, fr))
            p = poses.get(t)
            expect(p is not None, "no ego pose at %d" % t)
            if p is None:
                continue
            c, sn = math.cos(p[3]), math.sin(p[3])
            dx, dy = x - p[4], y - p[5]
            err = max(abs(c * dx + sn * dy - ex), abs(-sn * dx + c * dy - ey),
                      abs(c * hx + sn * hy - ehx), abs(-sn * hx + c * hy - ehy))
            expect(err < 1.2e-3, "ego columns of %d at frame %d off by %.4f" % (tid, fr, err))
            # the rotation a reader rebuilds from the two headings is the ego's
            rc = hx * ehx + hy * ehy
            rs = hy * ehx - hx * ehy
            expect(abs(rc - c) < 3e-3 and abs(rs - sn) < 3e-3,
                   "headings of %d at frame %d imply another ego heading" % (tid, fr))
        run = sorted(samples, key=lambda s: s[1])
        for a, b in zip(run, run[5:]):
            if b[0] - a[0] == 5 * FRAME_MS:
                dx, dy = b[2] - a[2], b[3] - a[3]
                dist = math.hypot(dx, dy)
                expect(abs(dist / 0.5 - a[12]) < 1.5, "speed of %d at %d off" % (tid, a[1]))
                expect(a[6] * dx + a[7] * dy > 0.98 * dist,
                       "heading of %d at %d off" % (tid, a[1]))

    ini = {}
    with open(os.path.join(out, "trajcolset.ini")) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            if value:
                ini[key] = value
    for role, _ in ROLE_COLOURS:
        rid = int(ini.get(role + "id", "-1"))
        expect(rid == -1 or len(tracks.get(rid, ())) >= 20,
               "%s id %d is no drawable trajectory" % (role, rid))
    for key in ("egocol", "speedmin", "speedmax", "trajcolseton"):
        expect(key in ini, "trajcolset.ini lacks " + key)
    return problems


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--scale", type=float, default=1.0,
                    help="multiply the duration (and the TRAJ size) by this factor")
    ap.add_argument("--out", default=os.path.join(os.path.dirname(here), "examples"),
                    help="output folder (default: the repository's examples/)")
    ap.add_argument("--check", metavar="DIR", help="check a generated scene instead")
    args = ap.parse_args(argv)
    if args.check:
        problems = check(args.check)
        for p in problems:
            print("problem:", p, file=sys.stderr)
        return 1 if problems else 0
    if args.scale <= 0:
        ap.error("--scale must be positive")
    scene, roles = generate(args.out, args.scale)
    print("%s: %d trajectories, frames %d..%d, roles %s" % (
        args.out, len(scene.tracks), START_FRAME, START_FRAME + scene.frames - 1,
        " ".join("%s=%s" % (k, v) for k, v in sorted(roles.items()))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
