#include "data/scene_clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene.h"

namespace {

struct Traj {
    int id;
    std::vector<int> frames;  // time_ms = 1000 + 100 * frame unless times given
    std::vector<int> times = {};
};

std::string traj_text(const std::vector<Traj>& trajs) {
    std::string text;
    for (const Traj& t : trajs) {
        text += "tno=" + std::to_string(t.id) + "\n";
        for (size_t i = 0; i < t.frames.size(); ++i) {
            int time = t.times.empty() ? 1000 + 100 * t.frames[i] : t.times[i];
            char buf[128];
            std::snprintf(buf, sizeof buf, "%d,%d,%zu,0,4,2,0,1,0,0,0,1,5\n", time, t.frames[i], i);
            text += buf;
        }
    }
    return text;
}

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int f = from; f <= to; ++f) v.push_back(f);
    return v;
}

std::vector<int32_t> visible_ids(const Scene& scene) {
    std::vector<int32_t> ids;
    std::vector<const TrajPoint*> samples;
    int32_t index = -1;
    for (const TrajPoint* s = next_visible_sample(scene, true, index); s;
         s = next_visible_sample(scene, false, index)) {
        ids.push_back(traj_id_at(scene.store, index));
        samples.push_back(s);
    }
    // The walk the painter takes visits the same samples in the same order.
    std::vector<const TrajPoint*> walked;
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) {
        walked.push_back(s);
        if (walked.size() <= samples.size()) {
            EXPECT_EQ(traj_id_at(scene.store, walk.index), ids[walked.size() - 1]);
        }
    }
    EXPECT_EQ(walked, samples);
    return ids;
}

class SceneClockTest : public testing::Test {
  protected:
    void load(const std::vector<Traj>& trajs) {
        ASSERT_EQ(read_traj_text(traj_text(trajs), scene.store), TrajReadStatus::Ok);
        rewind_scene(scene);
    }
    std::vector<int32_t> visible_ids() { return ::visible_ids(scene); }
    Scene scene;  // fresh for each test
};

// The clock as its definition reads, walking every trajectory from first_active
// on; the program's clock must behave exactly the same.
struct PlainClock {
    std::vector<TrajEntry> entries;
    std::vector<TrajPoint> samples;
    int32_t max_frame = 0, first_active = 0, start_time = 0, current_time = 0, current_frame = 0;
    int frame_step = 1, too_short = 20;

    explicit PlainClock(const TrajStore& st)
        : entries(st.entries),
          samples(st.samples.begin(), st.samples.end()),
          max_frame(st.max_frame) {}

    const TrajPoint& at(int32_t i) { return samples[entries[i].first + entries[i].cursor]; }

    void rewind() {
        first_active = 0;
        bool found = false;
        for (TrajEntry& e : entries) {
            if (e.count == 0) continue;
            const TrajPoint& s = samples[e.first];
            if (!found || s.frame < current_frame) {
                start_time = current_time = s.time_ms;
                current_frame = s.frame;
                found = true;
            }
        }
        for (TrajEntry& e : entries) e.cursor = e.count ? 0 : -1;
    }

    int step() {
        if (current_frame == max_frame) {
            first_active = -1;
            return 0;
        }
        current_frame = std::min(current_frame + frame_step, max_frame);
        while (first_active < static_cast<int32_t>(entries.size()) &&
               entries[first_active].max_frame < current_frame)
            ++first_active;
        if (first_active == static_cast<int32_t>(entries.size())) {
            first_active = -1;
            return 0;
        }
        int best = 10000;
        for (size_t i = first_active; i < entries.size(); ++i) {
            TrajEntry& e = entries[i];
            if (e.cursor == -1) continue;
            for (;;) {
                const TrajPoint& s = at(static_cast<int32_t>(i));
                int d = std::abs(s.frame - current_frame);
                if (best != 0 && d < best) {
                    best = d;
                    current_time = s.time_ms;
                }
                if (s.frame >= current_frame) break;
                if (++e.cursor == e.count) {
                    e.cursor = -1;
                    break;
                }
            }
        }
        return 1;
    }

    std::vector<int32_t> visible() {
        std::vector<int32_t> ids;
        if (first_active == -1) return ids;
        for (size_t i = first_active; i < entries.size(); ++i) {
            const TrajEntry& e = entries[i];
            if (e.cursor != -1 && e.count >= too_short &&
                std::abs(at(static_cast<int32_t>(i)).frame - current_frame) <= 1) {
                ids.push_back(e.id);
            }
        }
        return ids;
    }
};

}  // namespace

TEST_F(SceneClockTest, EmptyStoreEndsAtOnce) {
    rewind_scene(scene);
    EXPECT_EQ(step_scene(scene), 0);
    EXPECT_EQ(scene.store.first_active, -1);
    int32_t index = 0;
    EXPECT_EQ(next_visible_sample(scene, true, index), nullptr);
}

TEST_F(SceneClockTest, RewindStartsAtSmallestFirstFrame) {
    load({{1, range(20, 30)}, {2, range(10, 12)}, {3, range(10, 40)}});
    EXPECT_EQ(scene.store.current_frame, 10);
    EXPECT_EQ(scene.store.current_time, 2000);
    EXPECT_EQ(scene.store.start_time, 2000);
    EXPECT_EQ(elapsed_ms(scene.store), 0);
    EXPECT_EQ(step_scene(scene), 1);
    EXPECT_EQ(scene.store.current_frame, 11);
    EXPECT_EQ(scene.store.current_time, 2100);
    EXPECT_EQ(elapsed_ms(scene.store), 100);
}

TEST_F(SceneClockTest, OvershootingStepLandsOnMaxFrame) {
    load({{1, range(0, 10)}});
    scene.clock.frameStep = 4;
    EXPECT_EQ(step_scene(scene), 1);
    EXPECT_EQ(step_scene(scene), 1);
    EXPECT_EQ(scene.store.current_frame, 8);
    EXPECT_EQ(step_scene(scene), 1);
    EXPECT_EQ(scene.store.current_frame, 10);
    EXPECT_EQ(step_scene(scene), 0);
    EXPECT_EQ(scene.store.first_active, -1);
}

TEST_F(SceneClockTest, StepBelowOneFrameStillAdvances) {
    // A Frame Step of 0 or less would leave the clock standing and a seek would
    // never end.
    load({{1, range(0, 5)}});
    for (int step : {0, -3}) {
        scene.clock.frameStep = step;
        rewind_scene(scene);
        EXPECT_EQ(step_scene(scene), 1);
        EXPECT_EQ(scene.store.current_frame, 1);
        EXPECT_EQ(seek_scene(scene, 99999), 0);
        EXPECT_EQ(scene.store.current_frame, 5);
    }
}

TEST_F(SceneClockTest, TooShortTrajectoriesAreNeverVisible) {
    load({{19, range(0, 18)}, {20, range(0, 19)}});
    std::vector<int32_t> want = {20};
    EXPECT_EQ(visible_ids(), want);
    while (step_scene(scene)) {
        std::vector<int32_t> ids = visible_ids();
        EXPECT_TRUE(ids.empty() || ids == want) << scene.store.current_frame;
    }
    scene.clock.tooShortTraj = 19;
    rewind_scene(scene);
    EXPECT_EQ(visible_ids(), (std::vector<int32_t>{19, 20}));
}

TEST_F(SceneClockTest, TrajectoryWithFrameGapsBlinksOut) {
    scene.clock.tooShortTraj = 1;
    load({{7, {10, 11, 14, 15}}, {8, range(10, 16)}});
    std::vector<std::vector<int32_t>> seen;
    do {
        seen.push_back(visible_ids());
    } while (step_scene(scene));
    // Frames 10..16: visible at F when it has a sample at F or F+1.
    std::vector<std::vector<int32_t>> want = {{7, 8}, {7, 8}, {8}, {7, 8}, {7, 8}, {7, 8}, {8}};
    EXPECT_EQ(seen, want);
}

TEST_F(SceneClockTest, CurrentTimeFromNearestSampleFirstMetWins) {
    // At frame 12 trajectory 1 has no sample (11 and 13 are as near); trajectory
    // 2 has 13 too; the first met is trajectory 1's frame 11.
    load({{1, {10, 11, 13}, {1000, 1100, 1300}}, {2, {10, 13}, {5000, 5300}}});
    scene.clock.frameStep = 2;
    ASSERT_EQ(step_scene(scene), 1);
    EXPECT_EQ(scene.store.current_frame, 12);
    EXPECT_EQ(scene.store.current_time, 1100);
}

TEST_F(SceneClockTest, EmptyTrajectoryIsNeverLookedAt) {
    // The last "tno" line has no samples; its cursor must not reach into the
    // spare slot after the stored samples or another trajectory's samples.
    scene.clock.tooShortTraj = 0;
    load({{1, range(0, 3)}, {2, {}}, {3, range(2, 4)}, {4, {}}});
    EXPECT_EQ(scene.store.entries[1].cursor, -1);
    EXPECT_EQ(scene.store.entries[3].cursor, -1);
    do {
        for (int32_t id : visible_ids()) EXPECT_TRUE(id == 1 || id == 3) << id;
    } while (step_scene(scene));
}

TEST_F(SceneClockTest, SeekRewindsForEarlierTimes) {
    load({{1, range(0, 50)}});
    EXPECT_EQ(seek_scene(scene, 3000), 1);
    EXPECT_EQ(scene.store.current_time, 3000);
    EXPECT_EQ(seek_scene(scene, 1500), 1);
    EXPECT_EQ(scene.store.current_time, 1500);
    // At the start time itself a seek still moves one step on, here 100 ms away.
    rewind_scene(scene);
    EXPECT_EQ(seek_scene(scene, 1000), 0);
    EXPECT_EQ(scene.store.current_frame, 1);
}

TEST_F(SceneClockTest, SeekPastTheEnd) {
    load({{1, range(0, 10)}});
    EXPECT_EQ(seek_scene(scene, 2050), 1);  // last sample at 2000, within 100 ms
    EXPECT_EQ(scene.store.current_frame, 10);
    EXPECT_EQ(seek_scene(scene, 5000), 0);
    EXPECT_EQ(scene.store.current_frame, 10);
    EXPECT_EQ(scene.store.first_active, -1);
}

TEST_F(SceneClockTest, TrajIdAt) {
    load({{41, range(0, 2)}, {42, range(0, 2)}});
    EXPECT_EQ(traj_id_at(scene.store, 0), 41);
    EXPECT_EQ(traj_id_at(scene.store, 1), 42);
    EXPECT_EQ(traj_id_at(scene.store, -1), -1);
    EXPECT_EQ(traj_id_at(scene.store, 2), -1);
}

TEST_F(SceneClockTest, StepMovesPoseCursor) {
    uint64_t lines = 0;
    std::string nav = "1000 0 0 0 0 0 0\n1200 0 0 0 1 0 0\n1400 0 0 0 2 0 0\n";
    ASSERT_EQ(read_pose_text(nav, true, scene.pose.poses, scene.pose.count, lines),
              PoseReadStatus::Ok);
    load({{1, range(0, 5)}});
    EXPECT_EQ(scene.pose.pose_cursor, 0);
    step_scene(scene);
    step_scene(scene);
    step_scene(scene);  // 1300 ms: equally near 1200 and 1400 keeps 1200
    EXPECT_EQ(scene.pose.pose_cursor, 1);
    step_scene(scene);
    EXPECT_EQ(scene.pose.pose_cursor, 2);
    rewind_scene(scene);
    EXPECT_EQ(scene.pose.pose_cursor, 0);
}

TEST_F(SceneClockTest, MatchesPlainWalkOnRandomScenes) {
    std::mt19937 rng(12345);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 300; ++round) {
        std::vector<Traj> trajs;
        int n = uniform(1, 25);
        for (int t = 0; t < n; ++t) {
            Traj traj{t + 100, {}, {}};
            int count = (t > 0 && uniform(0, 8) == 0) ? 0 : uniform(1, 30);
            int frame = uniform(-5, 80);
            for (int i = 0; i < count; ++i) {
                traj.frames.push_back(frame);
                traj.times.push_back(uniform(0, 3) == 0 ? uniform(0, 20000) : 1000 + 100 * frame);
                frame += uniform(0, 4);  // repeats and gaps
            }
            if (uniform(0, 4) == 0) std::shuffle(traj.frames.begin(), traj.frames.end(), rng);
            trajs.push_back(traj);
        }
        ASSERT_EQ(read_traj_text(traj_text(trajs), scene.store), TrajReadStatus::Ok);
        scene.clock.tooShortTraj = uniform(0, 6);
        PlainClock plain(scene.store);
        plain.too_short = scene.clock.tooShortTraj;
        rewind_scene(scene);
        plain.rewind();
        for (int steps = 0;; ++steps) {
            SCOPED_TRACE("scene " + std::to_string(round) + " step " + std::to_string(steps));
            const TrajStore& st = scene.store;
            ASSERT_EQ(st.current_frame, plain.current_frame);
            ASSERT_EQ(st.current_time, plain.current_time);
            ASSERT_EQ(st.first_active, plain.first_active);
            for (size_t i = 0; i < plain.entries.size(); ++i)
                ASSERT_EQ(st.entries[i].cursor, plain.entries[i].cursor) << i;
            ASSERT_EQ(visible_ids(), plain.visible());
            if (steps == 40) {  // once per scene, back to the start as a replay wrap does
                rewind_scene(scene);
                plain.rewind();
                continue;
            }
            int step = uniform(1, 4);
            scene.clock.frameStep = step;
            plain.frame_step = step;
            int a = step_scene(scene);
            int b = plain.step();
            ASSERT_EQ(a, b);
            if (!a) break;
        }
    }
}

// A rewind that leaves the clock after the target takes no step, yet the pose
// cursor follows the clock, as a step would move it.
TEST_F(SceneClockTest, SeekWithoutAStepStillMovesThePoseCursor) {
    load({{1, range(10, 30)}});  // times 2000 .. 4000
    uint64_t lines = 0;
    std::string poses;
    for (int t = 1000; t <= 4000; t += 100) poses += std::to_string(t) + " 0 0 0 0 0 0\n";
    ASSERT_EQ(read_pose_text(poses, true, scene.pose.poses, scene.pose.count, lines),
              PoseReadStatus::Ok);
    step_scene(scene);
    step_scene(scene);
    EXPECT_EQ(seek_scene(scene, 1500), 0);  // rewound to 2000, after the target
    EXPECT_EQ(scene.store.current_time, 2000);
    EXPECT_EQ(pose_time(scene.pose, scene.pose.pose_cursor), 2000);
}
