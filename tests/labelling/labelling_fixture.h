// Made-up pose tracks and sample sets loaded through the labelling tool's own
// loads, with every store and the labelling state reset around each test.
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

// 100 ms apart from 10 s on, 1 m a pose along heading 0.5 from (10, 20).
inline TestPose diagonal_pose(int i) {
    return {10000 + 100 * i, 0.5, 10 + i * std::cos(0.5), 20 + i * std::sin(0.5)};
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
    // n poses from make(i), .nav layout with the carried columns 1.25, 2.5, -3.75.
    void load_poses(int n, const std::function<TestPose(int)>& make = diagonal_pose) {
        std::string text;
        char buf[200];
        for (int i = 0; i < n; ++i) {
            const TestPose p = make(i);
            std::snprintf(buf, sizeof buf, "%d 1.25 2.5 %.17g %.17g %.17g -3.75\n", p.t, p.heading,
                          p.x, p.y);
            text += buf;
        }
        ASSERT_EQ(load_vantrel_pose_track(dir.write("ego.nav", text)), 1);
    }
    // The sample load and the refresh the File menu follows it with.
    void load_samples(const std::string& text) {
        ASSERT_EQ(load_sample_file(dir.write("samples.txt", text)), 1);
        refresh_all_samples();
    }
    static TrackSample& sample(int32_t k) { return sample_set().records[static_cast<size_t>(k)]; }
    // Marks every pose's local view so that a test sees which poses a refresh mapped.
    static void mark_local_poses() {
        for (int32_t j = 0; j < pose_track().count; ++j) local_pose_at(j)->local_x = -999;
    }
    static bool mapped(int32_t j) { return local_pose_at(j)->local_x != -999; }

    TempFolder dir;
};

}  // namespace test_support
