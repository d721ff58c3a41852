// Small made-up pose tracks and sample sets loaded into the labelling tool's
// stores, the way its File menu leaves them, with the labelling state reset
// before and after every test.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "data/pose_track.h"
#include "labelling/labelling.h"
#include "labelling/samples.h"
#include "tests/support/temp_folder.h"

namespace test_support {

struct TestPose {
    int32_t t;
    double heading, x, y;
};

// A track of n poses: pose i from make(i). The .nav layout, with the carried
// columns 1.25, 2.5 and -3.75 so that a column out of place shows in an export.
inline std::string nav_text(int n, const std::function<TestPose(int)>& make) {
    std::string text;
    char buf[200];
    for (int i = 0; i < n; ++i) {
        const TestPose p = make(i);
        std::snprintf(buf, sizeof buf, "%d 1.25 2.5 %.17g %.17g %.17g -3.75\n", p.t, p.heading, p.x,
                      p.y);
        text += buf;
    }
    return text;
}

class LabellingTest : public testing::Test {
  protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        free_labelling_stores();
        reset_pose_state();
        reset_label_state();
    }

    // Through the tool's pose load (which recomputes the margin and refreshes
    // every sample).
    void load_poses(int n, const std::function<TestPose(int)>& make) {
        ASSERT_EQ(load_vantrel_pose_track(dir.write("ego.nav", nav_text(n, make))), 1);
    }
    // Through the sample load and the refresh that follows it in the File menu.
    void load_samples(const std::string& text) {
        ASSERT_EQ(load_sample_file(dir.write("samples.txt", text)), 1);
        refresh_all_samples();
    }
    // Labelling on, working on sample k.
    void start_labelling(int32_t k) {
        ASSERT_TRUE(toggle_labelling());
        label_state().current_sample = k;
    }
    static TrackSample& sample(int32_t k) { return sample_set().records[static_cast<size_t>(k)]; }
    // Marks every pose's local view with a value no refresh gives, so that a test
    // sees which poses a refresh mapped.
    static void mark_local_poses() {
        for (int32_t j = 0; j < pose_track().count; ++j) local_pose_at(j)->local_x = -999;
    }
    static bool mapped(int32_t j) { return local_pose_at(j)->local_x != -999; }

    TempFolder dir;
};

// 100 ms apart from 10 s on, 1 m a pose along heading 0.5 from (10, 20).
inline TestPose diagonal_pose(int i) {
    return {10000 + 100 * i, 0.5, 10 + i * std::cos(0.5), 20 + i * std::sin(0.5)};
}

// 100 ms apart from 10 s on, along x from (100, 50), turning 0.01 rad a pose.
inline TestPose turning_pose(int i) {
    return {10000 + 100 * i, 0.01 * i, 100.0 + i, 50};
}

}  // namespace test_support
