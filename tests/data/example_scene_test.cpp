// Whole-file checks on the bundled example scene (examples/), whose generator
// documents what the files hold: 30 trajectories, 9892 samples, frames 5000 to
// 6199, positions with about 7 cm of noise, file speeds the true speed plus a
// little noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_format.h"
#include "data/traj_store.h"
#include "tests/support/scene_files.h"

namespace {

const std::string kExamples = std::string(SCENE_SOURCE_DIR) + "/examples/";

struct RawSample {
    double x, y, speed;
};

// The file's samples as written, by trajectory id and frame.
std::map<int32_t, std::map<int32_t, RawSample>> read_raw(const std::string& path) {
    std::ifstream in(path);
    std::map<int32_t, std::map<int32_t, RawSample>> raw;
    std::string line;
    int32_t id = 0;
    while (std::getline(in, line)) {
        switch (classify_traj_line(line)) {
            case TrajLineKind::Header:
                id = traj_header_id(line);
                break;
            case TrajLineKind::Data: {
                TrajSample s;
                if (parse_traj_sample(line, s) == kTrajFieldCount)
                    raw[id][s.frame] = {s.reals[0], s.reals[1], s.reals[10]};
                break;
            }
            case TrajLineKind::Other:
                break;
        }
    }
    return raw;
}

// Root mean square of the second difference of positions over runs of
// consecutive frames: noise shows up here, a smooth track hardly does.
double roughness(const std::vector<std::pair<int32_t, Vec2>>& track, double& sum, int& n) {
    for (size_t i = 1; i + 1 < track.size(); ++i) {
        if (track[i + 1].first - track[i - 1].first != 2) continue;
        double dx = track[i + 1].second.x - 2 * track[i].second.x + track[i - 1].second.x;
        double dy = track[i + 1].second.y - 2 * track[i].second.y + track[i - 1].second.y;
        sum += dx * dx + dy * dy;
        ++n;
    }
    return n ? std::sqrt(sum / n) : 0;
}

class ExampleScene : public testing::Test {
  protected:
    void SetUp() override {
        test_support::load_scene_files(scene, kExamples + "scene.nav", kExamples + "scene.traj");
    }
    Scene scene;
};

}  // namespace

TEST_F(ExampleScene, LoadsEveryTrajectorySorted) {
    const TrajStore& st = scene.store;
    EXPECT_EQ(st.entry_count, 30);
    int64_t samples = 0;
    for (const TrajEntry& e : st.entries) {
        samples += e.count;
        for (int32_t j = 1; j < e.count; ++j)
            EXPECT_LT(st.samples[e.first + j - 1].frame, st.samples[e.first + j].frame) << e.id;
    }
    EXPECT_EQ(samples, 9892);
    EXPECT_EQ(st.min_frame, 5000);
    EXPECT_EQ(st.max_frame, 6199);
    EXPECT_EQ(st.min_time, 37800000);
    EXPECT_EQ(st.max_time, 37919900);
}

TEST_F(ExampleScene, CleanedSpeedsCloseToTrueSpeeds) {
    auto raw = read_raw(kExamples + "scene.traj");
    const TrajStore& st = scene.store;
    std::vector<double> errors;
    for (const TrajEntry& e : st.entries) {
        for (int32_t j = 0; j < e.count; ++j) {
            const TrajPoint& p = st.samples[e.first + j];
            errors.push_back(std::abs(p.speed - raw.at(e.id).at(p.frame).speed));
        }
    }
    std::sort(errors.begin(), errors.end());
    double mean = 0;
    for (double d : errors) mean += d / errors.size();
    EXPECT_LT(mean, 0.2);                              // m/s
    EXPECT_LT(errors[errors.size() * 95 / 100], 0.5);  // m/s
    EXPECT_LT(errors.back(), 3.0);                     // m/s
}

TEST_F(ExampleScene, SmoothingReducesPositionNoise) {
    auto raw = read_raw(kExamples + "scene.traj");
    const TrajStore& st = scene.store;
    double raw_sum = 0, clean_sum = 0;
    int raw_n = 0, clean_n = 0;
    for (const TrajEntry& e : st.entries) {
        std::vector<std::pair<int32_t, Vec2>> before, after;
        for (const auto& [frame, s] : raw.at(e.id)) before.push_back({frame, Vec2{s.x, s.y}});
        for (int32_t j = 0; j < e.count; ++j) {
            const TrajPoint& p = st.samples[e.first + j];
            after.push_back({p.frame, Vec2{p.x, p.y}});
        }
        roughness(before, raw_sum, raw_n);
        roughness(after, clean_sum, clean_n);
    }
    ASSERT_GT(raw_n, 1000);
    double raw_rms = std::sqrt(raw_sum / raw_n), clean_rms = std::sqrt(clean_sum / clean_n);
    EXPECT_LT(clean_rms, raw_rms / 3) << raw_rms << " " << clean_rms;
}

TEST_F(ExampleScene, ReplayShowsOnlyLongTrajectoriesAndFollowsEgo) {
    // Trajectories 113, 120, 126 and 135 have fewer than 20 samples.
    EXPECT_EQ(scene.pose.scene_start_index, 20);  // the ego track starts 2 s earlier
    int steps = 0;
    do {
        int32_t index = -1;
        for (const TrajPoint* s = next_visible_sample(scene, true, index); s;
             s = next_visible_sample(scene, false, index)) {
            int32_t id = traj_id_at(scene.store, index);
            EXPECT_TRUE(id != 113 && id != 120 && id != 126 && id != 135) << id;
            EXPECT_LE(std::abs(s->frame - scene.store.current_frame), 1);
        }
        EXPECT_EQ(pose_time(scene.pose, scene.pose.pose_cursor), scene.store.current_time);
        ++steps;
    } while (step_scene(scene));
    EXPECT_EQ(steps, 1199);
}
