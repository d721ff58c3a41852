#include "analysis/measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

namespace {

using analysis::Measure;

constexpr int kFrames = 80;      // frames 1 .. 80, 100 ms apart
constexpr int32_t kT0 = 1000;    // ms of frame 1
constexpr double kDt = 0.1;      // s between frames
constexpr double kLength = 4.6;  // every vehicle's length, metres

// A vehicle in the ego's frame (x across, y ahead) at time t seconds from frame 1.
struct Vehicle {
    int id;
    std::function<double(double t)> ego_x;
    std::function<double(double t)> ego_y;
};

// A scene where the ego drives straight along world +y at ego_speed (0: it stands)
// and the vehicles move as given in its frame; every vehicle has a sample at every
// frame.
void make_scene(Scene& scene, double ego_speed, const std::vector<Vehicle>& vehicles) {
    std::string pose;
    for (int f = 1; f <= kFrames; ++f)
        pose += std::to_string(kT0 + 100 * (f - 1)) + " 0 0 0 0 " +
                std::to_string(ego_speed * kDt * (f - 1)) + " 0\n";
    std::string traj;
    for (const Vehicle& v : vehicles) {
        traj += "tno=" + std::to_string(v.id) + "\n";
        for (int f = 1; f <= kFrames; ++f) {
            const double t = kDt * (f - 1);
            const double ex = v.ego_x(t), ey = v.ego_y(t);
            const double speed =
                std::hypot(v.ego_x(t + kDt) - ex, ego_speed * kDt + v.ego_y(t + kDt) - ey) / kDt;
            char line[256];
            std::snprintf(line, sizeof line, "%d,%d,%.9f,%.9f,%.1f,1.8,0,1,%.9f,%.9f,0,1,%.9f\n",
                          kT0 + 100 * (f - 1), f, ex, ego_speed * t + ey, kLength, ex, ey, speed);
            traj += line;
        }
    }
    uint64_t lines = 0;
    ASSERT_EQ(read_pose_text(pose, true, scene.pose.poses, scene.pose.count, lines),
              PoseReadStatus::Ok);
    ASSERT_EQ(read_traj_text(traj, scene.store), TrajReadStatus::Ok);
    rewind_scene(scene);
    seek_scene(scene, scene.store.min_time);
}

std::function<double(double)> constant(double v) {
    return [v](double) { return v; };
}
std::function<double(double)> linear(double at0, double per_s) {
    return [at0, per_s](double t) { return at0 + per_s * t; };
}

// The gap a vehicle at ego_y leaves: ego_y - 4.6/2 - 4.2/2.
double gap_at(double ego_y) {
    return ego_y - kLength / 2 - 2.1;
}

TEST(MeasureScene, VehicleAheadAtTheEgosSpeedKeepsGapAndHeadwayWithoutCollision) {
    Scene scene;
    make_scene(scene, 20, {{5, constant(0), constant(30)}});
    const std::vector<Measure> rows = analysis::measure_scene(scene, 1.75);
    ASSERT_GE(rows.size(), 70u);
    for (const Measure& m : rows) {
        EXPECT_EQ(m.lead_id, 5) << m.frame;
        ASSERT_TRUE(m.ego_speed && m.gap && m.thw) << m.frame;
        EXPECT_NEAR(*m.ego_speed, 20, 1e-6);
        EXPECT_NEAR(*m.gap, gap_at(30), 1e-6);
        EXPECT_NEAR(*m.thw, gap_at(30) / 20, 1e-6);
        EXPECT_FALSE(m.ttc) << m.frame;
    }
}

TEST(MeasureScene, ClosingVehicleTimeToCollisionFallsLinearlyToZero) {
    Scene scene;
    // 16 m/s against the ego's 20: the gap closes at 4 m/s and is gone after 7.65 s.
    make_scene(scene, 20, {{8, constant(0.3), linear(35, -4)}});
    const std::vector<Measure> rows = analysis::measure_scene(scene, 1.75);
    ASSERT_GE(rows.size(), 70u);
    int contacts = 0;
    for (const Measure& m : rows) {
        const double t = (m.time_ms - kT0) / 1000.0;
        const double gap = gap_at(35 - 4 * t);
        ASSERT_TRUE(m.gap && m.ttc && m.thw) << m.frame;
        EXPECT_NEAR(*m.gap, gap, 1e-6) << m.frame;
        if (gap > 0) {
            EXPECT_NEAR(*m.ttc, gap / 4, 1e-6) << m.frame;
            EXPECT_NEAR(*m.thw, gap / 20, 1e-6) << m.frame;
        } else {
            ++contacts;
            EXPECT_EQ(*m.ttc, 0) << m.frame;
            EXPECT_EQ(*m.thw, 0) << m.frame;
        }
    }
    EXPECT_GT(contacts, 0);
}

TEST(MeasureScene, VehicleInTheNextLaneIsNoLead) {
    Scene scene;
    make_scene(scene, 20, {{3, constant(3.5), constant(12)}, {4, constant(-1.8), constant(8)}});
    for (const Measure& m : analysis::measure_scene(scene, 1.75)) {
        EXPECT_EQ(m.lead_id, -1) << m.frame;
        EXPECT_FALSE(m.gap || m.thw || m.ttc) << m.frame;
    }
    // A wider lane takes the nearer one in.
    const std::vector<Measure> wide = analysis::measure_scene(scene, 2.0);
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.front().lead_id, 4);
}

TEST(MeasureScene, CutInChangesTheLeadOnceWhenTheVehicleEntersTheLane) {
    Scene scene;
    // 11 runs ahead in the lane; 12, nearer, comes across from 3.5 m at 0.5 m/s and
    // is inside 1.75 m from 3.5 s on.
    make_scene(scene, 20, {{11, constant(0), constant(40)}, {12, linear(3.5, -0.5), constant(20)}});
    const std::vector<Measure> rows = analysis::measure_scene(scene, 1.75);
    ASSERT_GE(rows.size(), 70u);
    int changes = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const double t = (rows[i].time_ms - kT0) / 1000.0;
        EXPECT_EQ(rows[i].lead_id, t >= 3.5 - 1e-9 ? 12 : 11) << rows[i].frame;
        if (i > 0 && rows[i].lead_id != rows[i - 1].lead_id) ++changes;
    }
    EXPECT_EQ(changes, 1);
}

TEST(MeasureScene, StoppedEgoHasNoHeadwayAndNoCollision) {
    Scene scene;
    make_scene(scene, 0, {{2, constant(0), linear(10, 1)}});
    const std::vector<Measure> rows = analysis::measure_scene(scene, 1.75);
    ASSERT_FALSE(rows.empty());
    for (const Measure& m : rows) {
        ASSERT_TRUE(m.ego_speed && m.gap);
        EXPECT_EQ(*m.ego_speed, 0);
        EXPECT_EQ(m.lead_id, 2);
        EXPECT_FALSE(m.thw) << m.frame;
        EXPECT_FALSE(m.ttc) << m.frame;
    }
}

TEST(MeasureScene, SeriesLeavesTheClockWhereItStood) {
    Scene scene;
    make_scene(scene, 20, {{5, constant(0), constant(30)}});
    for (int i = 0; i < 10; ++i) step_scene(scene);
    const int32_t frame = scene.store.current_frame, time = scene.store.current_time;
    const int32_t pose = scene.pose.pose_cursor;
    const uint64_t serial = scene.frame_serial;
    const std::vector<Measure> all = analysis::measure_scene(scene, 1.75);
    const std::vector<Measure> rest = analysis::measure_series(scene, 1.75);
    EXPECT_EQ(scene.store.current_frame, frame);
    EXPECT_EQ(scene.store.current_time, time);
    EXPECT_EQ(scene.pose.pose_cursor, pose);
    EXPECT_EQ(scene.frame_serial, serial);
    ASSERT_FALSE(rest.empty());
    EXPECT_EQ(rest.front().frame, frame);
    EXPECT_EQ(all.size() - rest.size(), 10u);
    // And it still plays on from there.
    ASSERT_EQ(step_scene(scene), 1);
    EXPECT_EQ(scene.store.current_frame, frame + 1);
}

TEST(EgoSpeed, CentralDifferenceInsideOneSidedAtTheEnds) {
    PoseTrack track;
    // x: 0, 1, 3, 6 at 0, 1, 2, 3 s; the last two share nothing odd.
    for (auto [t, x] : {std::pair{0, 0.0}, {1000, 1.0}, {2000, 3.0}, {3000, 6.0}}) {
        PoseRecord p;
        p.time_ms = t;
        p.x = x;
        track.poses.push_back(p);
    }
    track.count = 4;
    const struct {
        int32_t index;
        std::optional<double> speed;
    } cases[] = {{0, 1.0}, {1, 1.5}, {2, 2.5}, {3, 3.0}, {-1, std::nullopt}, {4, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(analysis::ego_speed_at(track, c.index), c.speed) << c.index;
    track.poses[3].time_ms = 2000;  // time does not advance: no speed
    EXPECT_FALSE(analysis::ego_speed_at(track, 3));
    track.count = 1;
    EXPECT_FALSE(analysis::ego_speed_at(track, 0));
}

TEST(RelateToLead, HeadwayAndCollisionFollowTheSpeeds) {
    const struct {
        std::optional<double> ego, lead;
        double ego_y;
        std::optional<double> gap, thw, ttc;
    } cases[] = {
        {20.0, 10.0, 24.2, 20.0, 1.0, 2.0},                           // closing
        {20.0, 25.0, 24.2, 20.0, 1.0, std::nullopt},                  // pulling away
        {20.0, 20.0, 24.2, 20.0, 1.0, std::nullopt},                  // equal speeds
        {0.1, 0.0, 24.2, 20.0, std::nullopt, 200.0},                  // at the headway limit
        {std::nullopt, 1.0, 24.2, 20.0, std::nullopt, std::nullopt},  // no ego speed
        {0.0, 5.0, 4.2, 0.0, 0.0, 0.0},                               // touching: contact
        {30.0, 10.0, 1.0, -3.2, 0.0, 0.0},                            // overlapping: contact
    };
    for (const auto& c : cases) {
        Measure m;
        m.ego_speed = c.ego;
        m.lead_speed = c.lead;
        analysis::relate_to_lead(m, c.ego_y, 4.2);  // the gap is ego_y - 4.2
        ASSERT_TRUE(m.gap);
        EXPECT_NEAR(*m.gap, *c.gap, 1e-9);
        EXPECT_EQ(m.thw.has_value(), c.thw.has_value()) << c.ego_y;
        if (m.thw && c.thw) {
            EXPECT_NEAR(*m.thw, *c.thw, 1e-9);
        }
        EXPECT_EQ(m.ttc.has_value(), c.ttc.has_value()) << c.ego_y;
        if (m.ttc && c.ttc) {
            EXPECT_NEAR(*m.ttc, *c.ttc, 1e-9);
        }
    }
}

TEST(MeasureText, RowsLinesAndDumpWriteNoneAsTheyShould) {
    Measure m;
    m.frame = 12;
    m.time_ms = 34500;
    m.ego_speed = 20;
    EXPECT_EQ(analysis::metrics_row(m), "12,34500,20.000000,,,,\n");
    EXPECT_EQ(analysis::live_text(m), "Lead \u2014  Gap \u2014  THW \u2014  TTC \u2014");
    EXPECT_EQ(analysis::dump_text(m), " lead=-1 gap= thw= ttc=");
    m.lead_id = 7;
    m.lead_index = 0;
    m.gap = 25.6;
    m.thw = 1.28;
    m.ttc = std::nullopt;
    EXPECT_EQ(analysis::metrics_row(m), "12,34500,20.000000,7,25.600000,1.280000,\n");
    EXPECT_EQ(analysis::live_text(m), "Lead 7  Gap 25.6 m  THW 1.28 s  TTC \u2014");
    EXPECT_EQ(analysis::dump_text(m), " lead=7 gap=25.600 thw=1.280 ttc=");
}

}  // namespace
