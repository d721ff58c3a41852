#include "labelling/labelling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "labelling/samples.h"
#include "tests/labelling/labelling_fixture.h"

namespace {

using test_support::diagonal_pose;
using test_support::LabellingTest;
using test_support::TestPose;
using test_support::turning_pose;

// A vehicle along x from (100, 50), heading 0, 100 ms apart from 100 s on: it
// creeps up at 1 m/s, waits at x = 100 from pose 40 to 50, drives at 2 m/s to pose
// 120 (x = 114) and stands there.
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
        double heading, x, y;
        int32_t nearest;
    };
    const Case cases[] = {
        {900, 3.1, 0, 0, 0},  // before the track: the first pose
        {1000, 3.1, 0, 0, 0},
        {1049, 3.1 + across * 0.49, 4.9, 9.8, 0},
        {1050, 3.1 + across * 0.5, 5, 10, 1},  // a tie goes to the later pose
        {1150, -3.1, 15, 30, 2},               // a step of 1.1 is not interpolated
        {1275, -2.0 + 0.7 * 0.75, 27.5, 55, 3},
        {1325, -1.3, 32.5, 65, 3},  // nor one of 0.8
        {1400, -0.5, 40, 80, 4},
        {99999, -0.5, 40, 80, 4},  // after the track: the last pose
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(lookup_pose_at(c.t)) << c.t;
        EXPECT_NEAR(last_lookup().heading, c.heading, 1e-9) << c.t;
        EXPECT_NEAR(last_lookup().x, c.x, 1e-9) << c.t;
        EXPECT_NEAR(last_lookup().y, c.y, 1e-9) << c.t;
        EXPECT_EQ(last_lookup().nearest, c.nearest) << c.t;
    }

    // Equal times: the first of them, as a scan from the start finds it.
    const int32_t times[] = {1000, 1100, 1100, 1200};
    load_poses(4, [&](int i) { return TestPose{times[i], 0, double(i), 0}; });
    ASSERT_TRUE(lookup_pose_at(1100));
    EXPECT_EQ(last_lookup().nearest, 1);
    EXPECT_EQ(last_lookup().x, 1);
    ASSERT_TRUE(lookup_pose_at(1150));
    EXPECT_EQ(last_lookup().nearest, 3);
    EXPECT_EQ(last_lookup().x, 2.5);

    // Without a track the lookup fails and the last one stays.
    free_pose_track();
    EXPECT_FALSE(lookup_pose_at(1150));
    EXPECT_EQ(last_lookup().x, 2.5);
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
        label_state().pose_period_s = 0.25;
        load_poses(static_cast<int>(c.times.size()), [&](int i) {
            return TestPose{c.times[size_t(i)], 0, double(i), 0};
        });
        EXPECT_NEAR(label_state().pose_period_s, c.period, 1e-12) << c.times.size();
        EXPECT_EQ(label_state().margin_poses, c.margin) << c.times.size();
    }

    load_poses(100, diagonal_pose);
    const std::pair<double, int32_t> margins[] = {{2.5, 25}, {0.05, 0}, {5.0, 50}, {-1.0, -10}};
    for (const auto& [seconds, poses] : margins) {
        apply_sample_settings(-1, seconds);
        EXPECT_EQ(label_state().margin_s, seconds);
        EXPECT_EQ(label_state().margin_poses, poses) << seconds;
    }
}

TEST_F(LabellingTest, SampleFrameAndItsPoses) {
    load_poses(100, diagonal_pose);
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
    const Case cases[] = {
        {0, 0, 0, 0, 0},  // record 0 is not refreshed
        {0, 2, 10, 20, 0.5},
        {5, 20, 10 + 5.4 * c, 20 + 5.4 * s, 0.5},
        {30, 40, 50, 60, 1.0},
        {50, 50, 10 + 50 * c, 20 + 50 * s, 0.5},
        {99, 99, 10 + 99 * c, 20 + 99 * s, 0.5},
    };
    for (int32_t k = 0; k < 6; ++k) {
        const Case& e = cases[k];
        const TrackSample& r = sample(k);
        EXPECT_EQ(r.first_pose, e.first) << k;
        EXPECT_EQ(r.last_pose, e.last) << k;
        EXPECT_EQ(r.pose_count, k ? e.last - e.first + 1 : 0) << k;
        EXPECT_NEAR(r.origin_x, e.origin_x, 1e-9) << k;
        EXPECT_NEAR(r.origin_y, e.origin_y, 1e-9) << k;
        EXPECT_NEAR(r.frame_heading, e.heading, 1e-12) << k;
    }
    // In a frame along the track: the distance from the start along it, nothing across.
    EXPECT_NEAR(local_pose_at(5)->local_x, -0.4, 1e-9);
    EXPECT_NEAR(local_pose_at(20)->local_x, 14.6, 1e-9);
    EXPECT_NEAR(local_pose_at(20)->local_y, 0, 1e-9);
    EXPECT_NEAR(local_pose_at(20)->rel_heading, 0, 1e-12);
    // In a frame of its own, turned by 1 rad at (50, 60).
    const double dx = 10 + 35 * c - 50, dy = 20 + 35 * s - 60;
    EXPECT_NEAR(local_pose_at(35)->local_x, std::cos(1.0) * dx + std::sin(1.0) * dy, 1e-9);
    EXPECT_NEAR(local_pose_at(35)->local_y, -std::sin(1.0) * dx + std::cos(1.0) * dy, 1e-9);
    EXPECT_NEAR(local_pose_at(35)->rel_heading, -0.5, 1e-12);

    // Refreshing every sample maps each one's own poses and no margin.
    mark_local_poses();
    refresh_all_samples();
    for (int32_t j : {0, 2, 5, 20, 30, 40, 50, 99}) EXPECT_TRUE(mapped(j)) << j;
    for (int32_t j : {3, 4, 21, 29, 41, 49, 51, 98}) EXPECT_FALSE(mapped(j)) << j;
}

TEST_F(LabellingTest, RefreshSampleMapsTheMarginAroundTheSample) {
    load_poses(100, diagonal_pose);
    load_samples("1 10200 10400 1\n2 13000 14000 2\n3 19500 19900 3\n");
    struct Case {
        double margin_s;
        int32_t k;
        std::vector<int32_t> mapped, untouched;
    };
    // The range runs from first_pose - margin to before last_pose + margin.
    const Case cases[] = {
        {0.5, 2, {25, 30, 44}, {24, 45}},
        {0.05, 2, {30, 39}, {29, 40}},
        {0.5, 1, {0, 8}, {9}},      // cut at the start of the track
        {0.5, 3, {90, 99}, {89}},   // and at its end
        {0.5, 4, {}, {0, 50, 99}},  // no such sample
        {0.5, -1, {}, {0, 50, 99}},
    };
    for (const Case& c : cases) {
        apply_sample_settings(-1, c.margin_s);
        mark_local_poses();
        refresh_sample(c.k);
        for (int32_t j : c.mapped) EXPECT_TRUE(mapped(j)) << c.k << " " << j;
        for (int32_t j : c.untouched) EXPECT_FALSE(mapped(j)) << c.k << " " << j;
    }
}

TEST_F(LabellingTest, ShiftMovesStartOrEndByTheStep) {
    struct Case {
        int32_t mode, steps;
        int32_t start, end;
        double origin_x, frame_heading;
        int32_t first, last;
        bool unsaved;
    };
    // The sample starts at pose 20 (heading 0.2) with a heading correction of 0.2;
    // a new start re-anchors the frame at its pose and keeps the correction.
    const Case cases[] = {
        {1, 1, 12100, 15000, 121, 0.21 + 0.2, 21, 50, true},
        {1, -1, 11900, 15000, 119, 0.19 + 0.2, 19, 50, true},
        {1, 10, 13000, 15000, 130, 0.30 + 0.2, 30, 50, true},
        {1, -10, 11000, 15000, 110, 0.10 + 0.2, 10, 50, true},
        {2, 1, 12000, 15100, 120, 0.2, 20, 51, true},
        {2, -10, 12000, 14000, 120, 0.2, 20, 40, true},
        {3, 1, 12000, 15000, 120, 0.2, 20, 50, false},
    };
    for (const Case& c : cases) {
        reset();
        load_poses(100, turning_pose);
        load_samples("1 12000 15000 1 0 0 0 0.2\n2 17000 18000 2\n");
        start_labelling(1);
        ASSERT_TRUE(set_edit_mode(c.mode));
        shift_sample_time(c.steps);
        const TrackSample& s = sample(1);
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " steps " << c.steps);
        EXPECT_EQ(s.start_ms, c.start);
        EXPECT_EQ(s.end_ms, c.end);
        EXPECT_NEAR(s.origin_x, c.origin_x, 1e-9);
        EXPECT_EQ(s.origin_y, 50);
        EXPECT_NEAR(s.frame_heading, c.frame_heading, 1e-12);
        EXPECT_EQ(s.heading_offset, 0.2);
        EXPECT_EQ(s.first_pose, c.first);
        EXPECT_EQ(s.last_pose, c.last);
        EXPECT_EQ(label_state().unsaved, c.unsaved);
        EXPECT_EQ(sample(2).start_ms, 17000);
    }
}

TEST_F(LabellingTest, TurnTurnsTheFrameAndTheHeadingCorrection) {
    load_poses(100, turning_pose);
    load_samples("1 12000 15000 1 0 0 0 0.2\n");
    start_labelling(1);
    turn_sample_frame(1);
    EXPECT_NEAR(sample(1).heading_offset, 0.201, 1e-12);
    EXPECT_NEAR(sample(1).frame_heading, 0.201, 1e-12);
    turn_sample_frame(-1);
    turn_sample_frame(-1);
    EXPECT_NEAR(sample(1).heading_offset, 0.199, 1e-12);
    EXPECT_NEAR(sample(1).frame_heading, 0.199, 1e-12);
    EXPECT_EQ(sample(1).start_ms, 12000);
    // The poses are seen from the turned frame.
    EXPECT_NEAR(local_pose_at(20)->rel_heading, 0.001, 1e-12);
    EXPECT_NEAR(local_pose_at(30)->local_x, 10 * std::cos(0.199), 1e-9);
    EXPECT_NEAR(local_pose_at(30)->local_y, -10 * std::sin(0.199), 1e-9);
}

TEST_F(LabellingTest, EditsNeedLabellingAndAnActiveCurrentSample) {
    load_poses(100, turning_pose);
    load_samples("1 12000 15000 1 0 0 0 0.2\n2 17000 18000 2\n");
    const std::function<void()> edits[] = {[] { shift_sample_time(1); },
                                           [] { turn_sample_frame(1); },
                                           [] { auto_adjust_sample(); }, [] { revert_sample(); }};
    auto check_untouched = [&](const char* when) {
        for (const auto& edit : edits) edit();
        for (int32_t k : {1, 2}) {
            EXPECT_EQ(sample(k).start_ms, k == 1 ? 12000 : 17000) << when;
            EXPECT_EQ(sample(k).heading_offset, k == 1 ? 0.2 : 0) << when;
        }
        EXPECT_EQ(label_state().undo_sample, -1) << when;
        EXPECT_FALSE(label_state().unsaved) << when;
    };
    check_untouched("labelling off");
    start_labelling(2);
    for (int32_t k : {-1, 0, 3, 99}) {
        label_state().current_sample = k;
        check_untouched("no sample there");
    }
    label_state().current_sample = 2;
    delete_sample();
    label_state().unsaved = false;
    check_untouched("deleted");
}

TEST_F(LabellingTest, AutoAdjustSnapsToTheMotionAndRevertsOnce) {
    load_poses(200, wait_then_drive_pose);
    load_samples("1 104500 116000 1\n2 118000 119000 2\n");
    start_labelling(1);
    auto_adjust_sample();
    // The start goes back over the wait to where the vehicle came to rest; the end
    // back over the stand-still, then forward while the vehicle still moved.
    EXPECT_EQ(sample(1).start_ms, 104000);
    EXPECT_EQ(sample(1).end_ms, 112000);
    EXPECT_EQ(sample(1).first_pose, 40);
    EXPECT_EQ(sample(1).last_pose, 120);
    EXPECT_EQ(sample(1).origin_x, 100);  // the frame stays
    EXPECT_EQ(label_state().undo_sample, 1);

    // The saved times belong to sample 1: not revertible from sample 2, but after
    // coming back.
    next_sample();
    revert_sample();
    EXPECT_EQ(sample(2).start_ms, 118000);
    EXPECT_EQ(sample(2).end_ms, 119000);
    previous_sample();
    revert_sample();
    EXPECT_EQ(sample(1).start_ms, 104500);
    EXPECT_EQ(sample(1).end_ms, 116000);
    EXPECT_EQ(sample(1).first_pose, 45);
    EXPECT_EQ(sample(1).last_pose, 160);
    EXPECT_EQ(label_state().undo_sample, -1);

    // One level only.
    ASSERT_TRUE(set_edit_mode(2));
    shift_sample_time(1);
    revert_sample();
    EXPECT_EQ(sample(1).start_ms, 104500);
    EXPECT_EQ(sample(1).end_ms, 116100);
}

TEST_F(LabellingTest, AutoAdjustKeepsAStartItsWalksDoNotReach) {
    load_poses(200, wait_then_drive_pose);
    // The frame's origin 10 m behind: every pose is far from it, and without a
    // margin the walk back takes no pose.
    load_samples("1 104500 116000 1 90 50 0 0\n");
    apply_sample_settings(1, 0.0);
    start_labelling(1);
    auto_adjust_sample();
    EXPECT_EQ(sample(1).start_ms, 104500);
    EXPECT_EQ(sample(1).end_ms, 112000);
    revert_sample();
    EXPECT_EQ(sample(1).end_ms, 116000);
}

TEST_F(LabellingTest, StepsThroughActiveSamplesWrappingOnce) {
    load_poses(100, diagonal_pose);
    load_samples("1 11000 11500 1\n2 12000 12500 2\n3 13000 13500 3\n4 14000 14500 4\n");
    start_labelling(1);
    enum Op { Next, Previous, Delete };
    struct Step {
        Op op;
        int32_t current;
    };
    const Step steps[] = {
        {Next, 2},     {Next, 3},     {Next, 4},      {Next, 1},  // record 0 is skipped
        {Previous, 4}, {Previous, 3}, {Delete, 3},    {Next, 4},     {Delete, 4},
        {Next, 1},     {Delete, 1},   {Next, 2},      {Previous, 2}, {Delete, 2},
        {Next, -1},    {Next, -1},    {Previous, -1},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        switch (steps[i].op) {
            case Next:
                next_sample();
                break;
            case Previous:
                previous_sample();
                break;
            case Delete:
                delete_sample();
                break;
        }
        EXPECT_EQ(label_state().current_sample, steps[i].current) << "step " << i;
    }
    // Every sample deleted: Page Up from a sample finds none either.
    label_state().current_sample = 3;
    previous_sample();
    EXPECT_EQ(label_state().current_sample, -1);
}

TEST_F(LabellingTest, SteppingEdgeCases) {
    load_poses(100, diagonal_pose);
    load_samples("1 11000 11500 1\n2 12000 12500 2\n3 13000 13500 3\n4 14000 14500 4\n");
    label_state().current_sample = 2;
    previous_sample();  // needs labelling
    EXPECT_EQ(label_state().current_sample, 2);
    next_sample();  // does not
    EXPECT_EQ(label_state().current_sample, 3);

    // An index left beyond the end by a smaller sample file.
    start_labelling(9);
    next_sample();
    EXPECT_EQ(label_state().current_sample, 1);
    label_state().current_sample = 9;
    previous_sample();
    EXPECT_EQ(label_state().current_sample, 4);

    // No samples at all.
    free_samples();
    for (auto step : {previous_sample, next_sample}) {
        label_state().current_sample = 1;
        step();
        EXPECT_EQ(label_state().current_sample, -1);
    }
    label_state().current_sample = 1;
    delete_sample();
    EXPECT_EQ(label_state().current_sample, 1);
}

TEST_F(LabellingTest, SettingsChooseTheSampleAndTheMargin) {
    load_poses(100, diagonal_pose);
    load_samples("7 11000 11500 1\n8 12000 12500 2\n8 13000 13500 3\n9 14000 14500 4\n");
    start_labelling(4);
    delete_sample();
    label_state().current_sample = 1;
    struct Case {
        int32_t id;
        double margin_s;
        int32_t current, margin_poses;
    };
    const Case cases[] = {
        {8, 5.0, 2, 50},    // two samples of one identifier: the lower index
        {9, 5.0, 2, 50},    // a deleted sample is not chosen
        {123, 2.5, 2, 25},  // no such sample: the current one stays, the margin applies
        {8, 5.0, 2, 50},    // Ok without changes
        {7, 0.05, 1, 0},
    };
    for (const Case& c : cases) {
        apply_sample_settings(c.id, c.margin_s);
        EXPECT_EQ(label_state().current_sample, c.current) << c.id;
        EXPECT_EQ(label_state().margin_poses, c.margin_poses) << c.id;
    }
    // The current sample is refreshed with the new margin.
    apply_sample_settings(8, 1.0);
    mark_local_poses();
    apply_sample_settings(123, 2.5);
    EXPECT_TRUE(mapped(0));
    EXPECT_TRUE(mapped(49));
    EXPECT_FALSE(mapped(50));

    label_state().current_sample = -1;
    apply_sample_settings(123, 1.0);
    EXPECT_EQ(label_state().current_sample, -1);
    EXPECT_EQ(label_state().margin_poses, 10);
}

TEST_F(LabellingTest, PlayStepWalksEveryRecordIncludingTheWholeTrack) {
    load_poses(100, diagonal_pose);
    // Sample 1: poses 11 and 12 (its start 50 ms before pose 11); sample 2: 30 to 35.
    load_samples("1 11050 11250 1\n2 13000 13500 2\n");
    struct Step {
        bool more;
        int32_t elapsed;
    };
    auto walk = [](const std::vector<Step>& steps) {
        reset_play_step();
        for (size_t i = 0; i < steps.size(); ++i) {
            if (i > 0) {
                EXPECT_EQ(advance_play_step(), steps[i].more) << i;
            }
            EXPECT_EQ(label_state().play_step, 2 * int32_t(i));
            EXPECT_EQ(play_elapsed_ms(), steps[i].elapsed) << i;
        }
    };
    walk({{true, 50}, {true, 200}, {true, 400}, {false, 0}});

    // Record 0, from a Traj Gen track of 10 points, pairs a pose index with the
    // Traj Gen start time.
    std::string points;
    for (int i = 0; i < 10; ++i) points += std::to_string(500 + 100 * i) + " 0 0\n";
    ASSERT_EQ(load_traj_gen(dir.write("gen.txt", points)), 1);
    walk({{true, 10000 - 500},
          {true, 10200 - 500},
          {true, 10400 - 500},
          {true, 10600 - 500},
          {true, 10800 - 500},
          {false, 0}});

    free_pose_track();
    reset_play_step();
    EXPECT_EQ(play_elapsed_ms(), 0);
}

TEST_F(LabellingTest, ToggleAndEditModeNeedTheirData) {
    EXPECT_FALSE(toggle_labelling());
    EXPECT_FALSE(label_state().labelling);
    load_poses(100, diagonal_pose);
    EXPECT_FALSE(toggle_labelling());  // no samples yet
    load_samples("1 11000 11400 1\n2 11500 13000 2\n");
    EXPECT_FALSE(set_edit_mode(2));  // labelling off
    mark_local_poses();
    ASSERT_TRUE(toggle_labelling());
    EXPECT_TRUE(mapped(0));  // sample 1 and its margin
    EXPECT_TRUE(mapped(63));
    EXPECT_FALSE(mapped(64));
    EXPECT_FALSE(set_edit_mode(0));
    EXPECT_FALSE(set_edit_mode(4));
    EXPECT_EQ(label_state().edit_mode, 1);

    // Moving a start past the next sample's reorders the samples only when
    // labelling is switched off.
    shift_sample_time(10);
    EXPECT_EQ(sample(1).sample_id, 1);
    ASSERT_TRUE(toggle_labelling());
    EXPECT_FALSE(label_state().labelling);
    EXPECT_EQ(sample(1).sample_id, 2);
    EXPECT_EQ(sample(2).sample_id, 1);
    EXPECT_EQ(sample(2).start_ms, 12000);
}

TEST_F(LabellingTest, UnsavedIsSetByEditsOnly) {
    load_poses(200, wait_then_drive_pose);
    load_samples("1 104500 116000 1\n2 118000 119000 2\n");
    ASSERT_TRUE(load_traj_gen(dir.write("gen.txt", "500 0 0\n600 0 0\n")));
    toggle_labelling();
    next_sample();
    previous_sample();
    apply_sample_settings(1, 5.0);
    set_edit_mode(3);
    shift_sample_time(1);  // mode 3: a refresh only
    refresh_all_samples();
    advance_play_step();
    load_poses(200, wait_then_drive_pose);
    EXPECT_FALSE(label_state().unsaved);

    struct Edit {
        const char* name;
        std::function<void()> run;
    };
    const Edit edits[] = {
        {"start",
         [] {
             set_edit_mode(1);
             shift_sample_time(1);
         }},
        {"end",
         [] {
             set_edit_mode(2);
             shift_sample_time(-1);
         }},
        {"turn", [] { turn_sample_frame(1); }},
        {"auto adjust", [] { auto_adjust_sample(); }},
        {"revert", [] { revert_sample(); }},
        {"delete", [] { delete_sample(); }},
    };
    for (const Edit& e : edits) {
        label_state().unsaved = false;
        e.run();
        EXPECT_TRUE(label_state().unsaved) << e.name;
    }
    label_state().unsaved = false;
    delete_sample();  // already deleted
    EXPECT_FALSE(label_state().unsaved);
}

}  // namespace
