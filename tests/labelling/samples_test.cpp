#include "labelling/samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "data/report.h"
#include "tests/labelling/labelling_fixture.h"

namespace {

namespace fs = std::filesystem;
using test_support::LabellingTest;
using test_support::TestPose;

std::vector<std::string> g_reports;

// The poses of sample k as its export holds them, headings corrected.
std::string export_of(int32_t k) {
    const TrackSample& s = sample_set().records[static_cast<size_t>(k)];
    std::string text;
    for (int32_t j = s.first_pose; j <= s.last_pose; ++j)
        text += pose_export_line(*pose_at(j), s.heading_offset);
    return text;
}

TEST_F(LabellingTest, LoadFailuresAndTheWholeTrackRecord) {
    const ErrorSink previous =
        set_error_sink([](std::string_view t) { g_reports.emplace_back(t); });
    load_samples("1 11000 12000 1\n2 13000 14000 2\n");
    label_state().current_sample = 7;
    EXPECT_EQ(load_sample_file(dir.file("missing.txt")), 0);
    EXPECT_EQ(sample_set().count, 3);
    EXPECT_EQ(load_sample_file(dir.write("empty.txt", "# id start end\n\n")), 0);
    EXPECT_EQ(samples_loaded(), 0);
    set_error_sink(previous);
    EXPECT_EQ(g_reports,
              (std::vector<std::string>{"Open TRAJ file failure.", "Invalid TRAJ file."}));

    load_samples("5 11000 12000 1\n");
    EXPECT_EQ(label_state().current_sample, 7);  // a load leaves the labelling state
    ASSERT_EQ(load_traj_gen(dir.write("gen.txt", "500 1 2\n700 3 4\n900 5 6\n")), 1);
    const TrackSample& whole = sample(0);
    EXPECT_EQ(std::vector<int>({whole.start_ms, whole.end_ms, whole.first_pose, whole.last_pose,
                                whole.pose_count, whole.label, whole.active}),
              std::vector<int>({500, 900, 0, 2, 3, 4, 0}));
    const std::string missing = dir.file("missing.txt");
    const std::string empty = dir.write("empty.txt", "# none\n1\n");
    for (const auto& [path, message, count] : {std::tuple{missing, "Open data failure : ", 3},
                                               std::tuple{empty, "Invalid data : ", 0}}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_traj_gen(path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message + path + "\n");
        EXPECT_EQ(traj_gen_track().count, count);
    }
}

TEST_F(LabellingTest, PoseLoadRefreshesTheSamplesAndAFailedOneKeepsTheTrack) {
    load_samples("1 10540 12000 1\n");
    load_poses(100, [](int i) { return TestPose{10000 + 40 * i, 0.5, 10.0 + i, 20}; });
    EXPECT_EQ(label_state().margin_poses, 125);
    EXPECT_EQ(sample(1).first_pose, 14);  // 10540 lies halfway between poses 13 and 14
    EXPECT_EQ(sample(1).last_pose, 50);
    EXPECT_NEAR(sample(1).origin_x, 23.5, 1e-9);
    const double local_x = local_pose_at(50)->local_x;
    EXPECT_NEAR(local_x, 36.5 * std::cos(0.5), 1e-9);

    testing::internal::CaptureStderr();
    EXPECT_EQ(load_vantrel_pose_track(dir.file("missing.nav")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Open data failure : " + dir.file("missing.nav") + "\n");
    EXPECT_EQ(pose_track().count, 100);
    // The kept track keeps the samples' view of it.
    EXPECT_EQ(local_pose_at(50)->local_x, local_x);
}

TEST_F(LabellingTest, SaveWritesLiveSamplesAndNumbersTheirExports) {
    const std::string out = dir.file("out"), base = out + "/run";
    fs::create_directory(out);
    load_poses(100);
    // Out of order in the file; 1 is poses 10 to 13, 2 is 20 to 22, 3 is 30 and 31.
    load_samples("3 13000 13100 3 0 0 0 -0.25\n1 11000 11300 1 0 0 0 0.5\n2 12000 12200 2\n");
    label_state().current_sample = 2;
    delete_sample();
    const SaveOutcome saved = save_samples(base);
    EXPECT_TRUE(saved.saved);
    EXPECT_EQ(saved.exports, 2);
    EXPECT_EQ(dir.read(base + ".txt"), sample_file_line(sample(1)) + sample_file_line(sample(3)));
    EXPECT_EQ(sample(3).sample_id, 3);
    EXPECT_EQ(dir.read(base + "0.nav"), export_of(1));
    EXPECT_EQ(dir.read(base + "1.nav"), export_of(3));
    EXPECT_EQ(export_of(1).substr(0, 45), "11000\t1.250\t2.500\t1.000\t18.776\t24.794\t-3.750\n");
    EXPECT_EQ(test_support::file_names(out),
              (std::vector<std::string>{"run.txt", "run0.nav", "run1.nav"}));

    // No pose track: the sample file only. Nothing live: an empty one.
    fs::remove_all(out);
    fs::create_directory(out);
    free_pose_track();
    EXPECT_TRUE(save_samples(base).saved);
    EXPECT_EQ(test_support::file_names(out), std::vector<std::string>{"run.txt"});
    load_poses(100);
    for (int32_t k : {1, 3}) {
        label_state().current_sample = k;
        delete_sample();
    }
    EXPECT_EQ(save_samples(base).exports, 0);
    EXPECT_EQ(dir.read(base + ".txt"), "");
    EXPECT_EQ(test_support::file_names(out), std::vector<std::string>{"run.txt"});
}

TEST_F(LabellingTest, AFailedSaveKeepsWhatWasWrittenAndNoTemporaryFile) {
    const std::string out = dir.file("out"), base = out + "/run";
    fs::create_directories(base + "1.nav");  // a directory in the way of the second export
    load_poses(100);
    load_samples("1 11000 11300 1\n2 12000 12200 2\n3 13000 13100 3\n");
    const SaveOutcome outcome = save_samples(base);
    EXPECT_FALSE(outcome.saved);
    EXPECT_EQ(outcome.failure_caption, base + "1.nav");
    EXPECT_EQ(outcome.exports, 1);
    EXPECT_EQ(dir.read(base + "0.nav"), export_of(1));
    EXPECT_EQ(test_support::file_names(out),
              (std::vector<std::string>{"run.txt", "run0.nav", "run1.nav"}));

    // A folder nobody can write to, root included.
    const SaveOutcome refused = save_samples("/proc/vantrel_run");
    EXPECT_FALSE(refused.saved);
    EXPECT_EQ(refused.failure_caption, "/proc/vantrel_run");
    EXPECT_FALSE(fs::exists("/proc/vantrel_run.txt") || fs::exists("/proc/vantrel_run0.nav"));
}

}  // namespace
