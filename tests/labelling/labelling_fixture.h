// Made-up pose tracks and sample sets loaded through the labelling tool's own
// loads into a session of the test's own, fresh for each test.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "data/pose_track.h"
#include "labelling/label_session.h"
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
    // A new session, as the program starts with.
    void fresh() {
        // A named blank moved in (assigning a temporary draws a false
        // maybe-uninitialized warning from MinGW's GCC at -O3).
        LabelSession blank;
        session = std::move(blank);
    }
    // n poses from make(i), .nav layout with the carried columns 1.25, 2.5, -3.75;
    // loaded and followed by what "Load Ego" follows it with (the pose period and
    // the margin, every sample refreshed).
    void load_poses(int n, const std::function<TestPose(int)>& make = diagonal_pose) {
        std::string text;
        char buf[200];
        for (int i = 0; i < n; ++i) {
            const TestPose p = make(i);
            std::snprintf(buf, sizeof buf, "%d 1.25 2.5 %.17g %.17g %.17g -3.75\n", p.t, p.heading,
                          p.x, p.y);
            text += buf;
        }
        ASSERT_EQ(load_vantrel_pose_track(session, dir.write("ego.nav", text)), 1);
        update_pose_period(session);
        refresh_all_samples(session);
    }
    // The sample load and the refresh the File menu follows it with.
    void load_samples(const std::string& text) {
        ASSERT_EQ(load_sample_file(session.samples, dir.write("samples.txt", text)), 1);
        refresh_all_samples(session);
    }
    // The Traj Gen load and the record 0 the File menu fills from it.
    void load_traj_gen_points(const std::string& text) {
        ASSERT_EQ(load_traj_gen(session.traj_gen, dir.write("gen.txt", text)), 1);
        whole_track_record_from_traj_gen(session);
    }
    TrackSample& sample(int32_t k) { return session.samples.records[static_cast<size_t>(k)]; }
    LabelState& state() { return session.state; }
    const LocalPose& local(int32_t j) { return *local_pose_at(session, j); }
    // Marks every pose's local view so that a test sees which poses a refresh mapped.
    void mark_local_poses() {
        for (int32_t j = 0; j < session.pose.count; ++j) local_pose_at(session, j)->local_x = -999;
    }
    bool mapped(int32_t j) { return local(j).local_x != -999; }

    LabelSession session;
    TempFolder dir;
};

}  // namespace test_support
