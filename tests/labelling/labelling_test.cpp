#include "labelling/labelling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/labelling/labelling_fixture.h"

namespace {

using test_support::LabellingTest;
using test_support::TestPose;

// Along x from (100, 50), 100 ms apart from 100 s on: creeps up at 1 m/s, waits at
// x = 100 from pose 40 to 50, drives at 2 m/s to pose 120 (x = 114), stands there.
TestPose wait_then_drive_pose(int i) {
    double x = 100;
    if (i < 40) x = 100 + 0.1 * (i - 40);
    if (i > 50) x = 100 + 0.2 * (std::min(i, 120) - 50);
    return {100000 + 100 * i, 0, x, 50};
}

TEST_F(LabellingTest, LookupInterpolatesBetweenPoses) {
    // Heading steps: across +-pi (0.083 after wrapping), 1.1, 0.7, 0.8.
    const TestPose poses[] = {{1000, 3.1, 0, 0},
                              {1100, -3.1, 10, 20},
                              {1200, -2.0, 20, 40},
                              {1300, -1.3, 30, 60},
                              {1400, -0.5, 40, 80}};
    load_poses(5, [&](int i) { return poses[i]; });
    const double across = 6.283185307 - 6.2;
    struct Case {
        int32_t t;
        double heading, x;
        int32_t nearest;
    };
    const Case cases[] = {
        {900, 3.1, 0, 0},  // before the track: the first pose
        {1049, 3.1 + across * 0.49, 4.9, 0},
        {1050, 3.1 + across * 0.5, 5, 1},  // a tie goes to the later pose
        {1150, -3.1, 15, 2},               // a step of 1.1 is not interpolated
        {1275, -2.0 + 0.7 * 0.75, 27.5, 3},
        {1325, -1.3, 32.5, 3},  // nor one of 0.8
        {1400, -0.5, 40, 4},
        {99999, -0.5, 40, 4},  // after the track: the last pose
    };
    for (const Case& c : cases) {
        const std::optional<PoseLookup> at = lookup_pose_at(session.pose, c.t);
        ASSERT_TRUE(at) << c.t;
        EXPECT_NEAR(at->heading, c.heading, 1e-9) << c.t;
        EXPECT_NEAR(at->x, c.x, 1e-9) << c.t;
        EXPECT_NEAR(at->y, 2 * c.x, 1e-9) << c.t;
        EXPECT_EQ(at->nearest, c.nearest) << c.t;
        // A search from any hint, before or after t or off the track, agrees.
        for (int32_t hint : {-1, 0, 1, 2, 3, 4, 5}) {
            const std::optional<PoseLookup> from = lookup_pose_from(session.pose, c.t, hint);
            ASSERT_TRUE(from);
            EXPECT_NEAR(from->x, c.x, 1e-9) << c.t << " from " << hint;
            EXPECT_EQ(from->nearest, c.nearest) << c.t << " from " << hint;
        }
    }
    // Equal times: the first of them, as a scan from the start finds it.
    const int32_t times[] = {1000, 1100, 1100, 1200};
    load_poses(4, [&](int i) { return TestPose{times[i], 0, double(i), 0}; });
    ASSERT_TRUE(lookup_pose_at(session.pose, 1100));
    EXPECT_EQ(lookup_pose_at(session.pose, 1100)->nearest, 1);
    free_pose_track(session.pose);
    EXPECT_FALSE(lookup_pose_at(session.pose, 1150));  // no pose, no answer
}

TEST_F(LabellingTest, PosePeriodAndMarginPoses) {
    auto every = [](int n, int step) {
        std::vector<int32_t> t;
        for (int i = 0; i < n; ++i) t.push_back(10000 + step * i);
        return t;
    };
    struct Case {
        std::vector<int32_t> times;
        double period;
        int32_t margin;
    };
    const Case cases[] = {
        {every(100, 100), 0.1, 50},
        {every(100, 40), 0.04, 125},
        {{0, 1000, 1100, 1200, 5000}, 0.1, 50},  // the first and last pose left out
        {{1000, 1200, 1400}, 0.2, 25},           // fewer than 4 poses: the whole track
        {{1000, 1100, 1100, 1400}, 0.4 / 3, 37},
        {{1000}, 0.25, 20},  // no interval: the period stays
        {{1000, 1000, 1000, 1000}, 0.25, 20},
    };
    for (const Case& c : cases) {
        state().pose_period_s = 0.25;
        load_poses(int(c.times.size()), [&](int i) {
            return TestPose{c.times[size_t(i)], 0, 1, 0};
        });
        EXPECT_NEAR(state().pose_period_s, c.period, 1e-12) << c.times.size();
        EXPECT_EQ(state().margin_poses, c.margin) << c.times.size();
    }
    load_poses(100);
    for (const auto& [seconds, poses] : {std::pair{2.5, 25}, {0.05, 0}, {-1.0, -10}}) {
        apply_sample_settings(session, -1, seconds);
        EXPECT_EQ(state().margin_poses, poses) << seconds;
    }
}

TEST_F(LabellingTest, SampleFramesAndTheirPoses) {
    load_poses(100);
    load_samples(
        "4 5000 10250 1\n"               // starts before the track
        "1 10540 12000 1\n"              // starts 40 ms after pose 5
        "2 13000 14000 2 50 60 1.0 0\n"  // has a frame of its own
        "3 15000 14900 0\n"              // ends before its first pose
        "5 30000 40000 0\n");            // starts after the track
    const double c = std::cos(0.5), s = std::sin(0.5);
    struct Case {
        int32_t first, last;
        double origin_x, origin_y, heading;
    };
    const Case cases[] = {{0, 2, 10, 20, 0.5},
                          {5, 20, 10 + 5.4 * c, 20 + 5.4 * s, 0.5},
                          {30, 40, 50, 60, 1.0},
                          {50, 50, 10 + 50 * c, 20 + 50 * s, 0.5},
                          {99, 99, 10 + 99 * c, 20 + 99 * s, 0.5}};
    for (int32_t k = 1; k <= 5; ++k) {
        const Case& e = cases[k - 1];
        EXPECT_EQ(sample(k).first_pose, e.first) << k;
        EXPECT_EQ(sample(k).last_pose, e.last) << k;
        EXPECT_EQ(sample(k).pose_count, e.last - e.first + 1) << k;
        EXPECT_NEAR(sample(k).origin_x, e.origin_x, 1e-9) << k;
        EXPECT_NEAR(sample(k).origin_y, e.origin_y, 1e-9) << k;
        EXPECT_NEAR(sample(k).frame_heading, e.heading, 1e-12) << k;
    }
    // In a frame along the track: the distance from the start, nothing across.
    EXPECT_NEAR(local(5).local_x, -0.4, 1e-9);
    EXPECT_NEAR(local(20).local_x, 14.6, 1e-9);
    EXPECT_NEAR(local(20).local_y, 0, 1e-9);
    // In a frame of its own, turned by 1 rad at (50, 60).
    const double dx = 10 + 35 * c - 50, dy = 20 + 35 * s - 60;
    EXPECT_NEAR(local(35).local_x, std::cos(1.0) * dx + std::sin(1.0) * dy, 1e-9);
    EXPECT_NEAR(local(35).local_y, -std::sin(1.0) * dx + std::cos(1.0) * dy, 1e-9);
    EXPECT_NEAR(local(35).rel_heading, -0.5, 1e-12);

    // Refreshing all maps each sample's own poses; one sample, its margin too (up
    // to before last_pose + margin), within the track.
    mark_local_poses();
    refresh_all_samples(session);
    for (int32_t j : {0, 2, 5, 20, 30, 40, 50, 99}) EXPECT_TRUE(mapped(j)) << j;
    for (int32_t j : {3, 4, 21, 29, 41, 51, 98}) EXPECT_FALSE(mapped(j)) << j;
    apply_sample_settings(session, -1, 0.5);
    for (int32_t k : {3, 5, 6, -1}) refresh_sample(session, k);
    for (int32_t j : {25, 44, 94}) EXPECT_TRUE(mapped(j)) << j;
    for (int32_t j : {24, 45, 93}) EXPECT_FALSE(mapped(j)) << j;
}

TEST_F(LabellingTest, ShiftAndTurnTheCurrentSample) {
    // Turning along x: pose i at x = 100 + i with heading 0.01 i. The sample starts
    // at pose 20 with a heading correction of 0.2 that a new start keeps.
    auto turning = [](int i) { return TestPose{10000 + 100 * i, 0.01 * i, 100.0 + i, 50}; };
    struct Case {
        int32_t mode, steps;  // mode 0: turn
        int32_t start, end, first, last;
        double origin_x, frame_heading, offset;
    };
    const Case cases[] = {
        {1, 1, 12100, 15000, 21, 50, 121, 0.21 + 0.2, 0.2},
        {1, -10, 11000, 15000, 10, 50, 110, 0.10 + 0.2, 0.2},
        {2, 1, 12000, 15100, 20, 51, 120, 0.2, 0.2},
        {2, -10, 12000, 14000, 20, 40, 120, 0.2, 0.2},
        {3, 1, 12000, 15000, 20, 50, 120, 0.2, 0.2},  // a refresh only
        {0, -2, 12000, 15000, 20, 50, 120, 0.198, 0.198},
    };
    for (const Case& c : cases) {
        fresh();
        load_poses(100, turning);
        load_samples("1 12000 15000 1 0 0 0 0.2\n2 17000 18000 2\n");
        c.mode ? shift_sample_time(session, c.steps) : turn_sample_frame(session, c.steps);
        EXPECT_EQ(sample(1).start_ms, 12000);  // labelling off: nothing
        ASSERT_TRUE(toggle_labelling(session));
        ASSERT_TRUE(set_edit_mode(session, std::max(c.mode, 1)));
        c.mode ? shift_sample_time(session, c.steps) : turn_sample_frame(session, c.steps);
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " steps " << c.steps);
        const TrackSample& s = sample(1);
        EXPECT_EQ(s.start_ms, c.start);
        EXPECT_EQ(s.end_ms, c.end);
        EXPECT_EQ(s.first_pose, c.first);
        EXPECT_EQ(s.last_pose, c.last);
        EXPECT_NEAR(s.origin_x, c.origin_x, 1e-9);
        EXPECT_NEAR(s.frame_heading, c.frame_heading, 1e-12);
        EXPECT_NEAR(s.heading_offset, c.offset, 1e-12);
        EXPECT_NEAR(local(30).local_y, -(130 - s.origin_x) * std::sin(s.frame_heading), 1e-9);
    }
    // Moved past the next sample, it is sorted in when labelling is switched off.
    shift_sample_time(session, 60);
    EXPECT_EQ(sample(1).sample_id, 1);
    ASSERT_TRUE(toggle_labelling(session));
    EXPECT_EQ(sample(1).sample_id, 2);
    EXPECT_EQ(sample(2).start_ms, 18000);
}

// A pose file without a pose empties the track while labelling stays on: a start
// moved then has no pose to anchor on, and the frame stays where it was (not at
// the pose some earlier lookup found).
TEST_F(LabellingTest, AStartMovedWithoutPosesKeepsItsFrame) {
    load_poses(100);
    load_samples("1 12000 15000 1 50 60 1.0 0\n");
    ASSERT_TRUE(toggle_labelling(session));
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_vantrel_pose_track(session, dir.write("blank.nav", "no poses\n")), 0);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(session.pose.count, 0);
    shift_sample_time(session, 3);
    EXPECT_EQ(sample(1).start_ms, 12300);
    EXPECT_EQ(sample(1).origin_x, 50);
    EXPECT_EQ(sample(1).origin_y, 60);
    EXPECT_EQ(sample(1).frame_heading, 1.0);
    EXPECT_TRUE(state().unsaved);
}

TEST_F(LabellingTest, AutoAdjustSnapsToTheMotionAndRevertsOnce) {
    load_poses(200, wait_then_drive_pose);
    load_samples("1 104500 116000 1\n2 118000 119000 2\n");
    ASSERT_TRUE(toggle_labelling(session));
    auto_adjust_sample(session);
    // The start goes back over the wait to where the vehicle came to rest; the end
    // back over the stand-still, then forward while the vehicle still moved.
    EXPECT_EQ(sample(1).start_ms, 104000);
    EXPECT_EQ(sample(1).end_ms, 112000);
    EXPECT_EQ(sample(1).first_pose, 40);
    EXPECT_EQ(sample(1).last_pose, 120);
    EXPECT_EQ(sample(1).origin_x, 100);
    // Not revertible from another sample, but after coming back; once.
    next_sample(session);
    revert_sample(session);
    EXPECT_EQ(sample(2).start_ms, 118000);
    previous_sample(session);
    revert_sample(session);
    EXPECT_EQ(sample(1).start_ms, 104500);
    EXPECT_EQ(sample(1).end_ms, 116000);
    EXPECT_EQ(sample(1).last_pose, 160);
    ASSERT_TRUE(set_edit_mode(session, 2));
    shift_sample_time(session, 1);
    revert_sample(session);
    EXPECT_EQ(sample(1).end_ms, 116100);

    // An origin 10 m behind and no margin: the start's walks take no pose.
    fresh();
    load_poses(200, wait_then_drive_pose);
    load_samples("1 104500 116000 1 90 50 0 0\n");
    apply_sample_settings(session, 1, 0.0);
    ASSERT_TRUE(toggle_labelling(session));
    auto_adjust_sample(session);
    EXPECT_EQ(sample(1).start_ms, 104500);
    EXPECT_EQ(sample(1).end_ms, 112000);
}

TEST_F(LabellingTest, StepsThroughActiveSamplesWrappingOnce) {
    load_poses(100);
    load_samples("7 11000 11500 1\n8 12000 12500 2\n8 13000 13500 3\n9 14000 14500 4\n");
    state().current_sample = 2;
    previous_sample(session);  // needs labelling
    next_sample(session);      // does not
    EXPECT_EQ(state().current_sample, 3);
    ASSERT_TRUE(toggle_labelling(session));
    enum Op { Next, Previous, Delete, Beyond };  // Beyond: an index past the end
    const std::pair<Op, int32_t> steps[] = {{Next, 4}, {Next, 1},   {Previous, 4}, {Beyond, 9},
                                            {Next, 1}, {Beyond, 9}, {Previous, 4}, {Delete, 4},
                                            {Next, 1}, {Delete, 1}, {Previous, 3}, {Delete, 3},
                                            {Next, 2}, {Delete, 2}, {Next, -1},    {Previous, -1}};
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& [op, current] = steps[i];
        if (op == Next) next_sample(session);
        if (op == Previous) previous_sample(session);
        if (op == Delete) delete_sample(session);
        if (op == Beyond) state().current_sample = 9;
        EXPECT_EQ(state().current_sample, current) << "step " << i;
    }
    state().current_sample = 3;
    previous_sample(session);
    EXPECT_EQ(state().current_sample, -1);
    free_samples(session.samples);  // none loaded
    for (auto step : {previous_sample, next_sample}) {
        state().current_sample = 1;
        step(session);
        EXPECT_EQ(state().current_sample, -1);
    }
}

TEST_F(LabellingTest, SettingsChooseTheSampleAndTheMargin) {
    load_poses(100);
    load_samples("7 11000 11500 1\n8 12000 12500 2\n8 13000 13500 3\n9 14000 14500 4\n");
    state().current_sample = 4;
    delete_sample(session);
    const std::pair<int32_t, int32_t> cases[] = {
        {8, 2},  // two samples of one identifier: the lower index
        {9, 2},  // a deleted sample is not chosen
        {8, 2},  // Ok without changes
        {7, 1},
    };
    for (const auto& [id, current] : cases) {
        apply_sample_settings(session, id, 5.0);
        EXPECT_EQ(state().current_sample, current) << id;
    }
    // No such identifier: the current sample stays, refreshed with the new margin.
    mark_local_poses();
    apply_sample_settings(session, 123, 2.5);
    EXPECT_EQ(state().current_sample, 1);
    EXPECT_EQ(state().margin_poses, 25);
    EXPECT_TRUE(mapped(0) && mapped(39));
    EXPECT_FALSE(mapped(40));
}

TEST_F(LabellingTest, PlayStepWalksEveryRecordIncludingTheWholeTrack) {
    load_poses(100);
    // Sample 1: poses 11 and 12 (its start 50 ms before pose 11); sample 2: 30 to 35.
    load_samples("1 11050 11250 1\n2 13000 13500 2\n");
    auto walk = [this](const std::vector<std::pair<bool, int32_t>>& steps) {
        reset_play_step(session);
        for (size_t i = 0; i < steps.size(); ++i) {
            if (i > 0) {
                EXPECT_EQ(advance_play_step(session), steps[i].first) << i;
            }
            EXPECT_EQ(play_elapsed_ms(session), steps[i].second) << i;
        }
    };
    walk({{true, 50}, {true, 200}, {true, 400}, {false, 0}});
    // Record 0 from 10 Traj Gen points pairs a pose index with the Traj Gen start.
    std::string points;
    for (int i = 0; i < 10; ++i) points += std::to_string(500 + 100 * i) + " 0 0\n";
    load_traj_gen_points(points);
    walk({{true, 9500}, {true, 9700}, {true, 9900}, {true, 10100}, {true, 10300}, {false, 0}});
}

TEST_F(LabellingTest, UnsavedIsSetByEditsOnly) {
    load_poses(200, wait_then_drive_pose);
    load_samples("1 104500 116000 1\n2 118000 119000 2\n");
    toggle_labelling(session);
    next_sample(session);
    previous_sample(session);
    apply_sample_settings(session, 1, 5.0);
    set_edit_mode(session, 3);
    shift_sample_time(session, 1);
    load_poses(200, wait_then_drive_pose);
    EXPECT_FALSE(state().unsaved);
    const std::function<void(LabelSession&)> edits[] = {
        [](LabelSession& s) {
            set_edit_mode(s, 1);
            shift_sample_time(s, 1);
        },
        [](LabelSession& s) {
            set_edit_mode(s, 2);
            shift_sample_time(s, -1);
        },
        [](LabelSession& s) { turn_sample_frame(s, 1); },
        auto_adjust_sample,
        revert_sample,
        delete_sample};
    for (size_t i = 0; i < std::size(edits); ++i) {
        state().unsaved = false;
        edits[i](session);
        EXPECT_TRUE(state().unsaved) << i;
    }
    state().unsaved = false;
    delete_sample(session);  // already deleted
    EXPECT_FALSE(state().unsaved);
}

}  // namespace
