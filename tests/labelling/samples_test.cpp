#include "labelling/samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "data/atomic_file.h"
#include "data/report.h"
#include "labelling/labelling.h"
#include "tests/labelling/labelling_fixture.h"

namespace {

namespace fs = std::filesystem;
using test_support::LabellingTest;
using test_support::TestPose;

// The poses of sample k as its export holds them, headings corrected.
std::string export_of(const LabelSession& session, int32_t k) {
    const TrackSample& s = session.samples.records[static_cast<size_t>(k)];
    std::string text;
    for (int32_t j = s.first_pose; j <= s.last_pose; ++j)
        text += pose_export_line(*pose_at(session.pose, j), s.heading_offset);
    return text;
}

TEST_F(LabellingTest, LoadFailuresAndTheWholeTrackRecord) {
    std::vector<std::string> reports;
    const ErrorSink report = [&reports](std::string_view t) { reports.emplace_back(t); };
    load_samples("1 11000 12000 1\n2 13000 14000 2\n");
    state().current_sample = 7;
    EXPECT_EQ(load_sample_file(session.samples, dir.file("missing.txt"), report), 0);
    EXPECT_EQ(session.samples.count, 3);
    EXPECT_EQ(
        load_sample_file(session.samples, dir.write("empty.txt", "# id start end\n\n"), report), 0);
    EXPECT_EQ(samples_loaded(session.samples), 0);
    EXPECT_EQ(reports, (std::vector<std::string>{
                           "Open TRAJ file failure.",
                           "Invalid TRAJ file.\n" + dir.file("empty.txt") + ": no sample line"}));

    load_samples("5 11000 12000 1\n");
    EXPECT_EQ(state().current_sample, 7);  // a load leaves the labelling state
    load_traj_gen_points("500 1 2\n700 3 4\n900 5 6\n");
    const TrackSample& whole = sample(0);
    EXPECT_EQ(std::vector<int>({whole.start_ms, whole.end_ms, whole.first_pose, whole.last_pose,
                                whole.pose_count, whole.label, whole.active}),
              std::vector<int>({500, 900, 0, 2, 3, 4, 0}));
    const std::string missing = dir.file("missing.txt");
    const std::string empty = dir.write("empty.txt", "# none\n1\n");
    for (const auto& [path, message, count] : {std::tuple{missing, "Open data failure : ", 3},
                                               std::tuple{empty, "Invalid data : ", 0}}) {
        std::string failure;
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_traj_gen(session.traj_gen, path, &failure), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message + path + "\n");
        EXPECT_EQ(failure, message + path);
        EXPECT_EQ(session.traj_gen.count, count);
    }
}

// A faulty sample or Traj Gen file is refused with the design's message and a second
// line naming the file, the line and the fault; a line longer than 64 MiB is such a
// fault, not an allocation failure.
TEST_F(LabellingTest, FaultyFilesNameTheFileLineAndField) {
    const std::string huge = "#" + std::string(size_t{65} << 20, ' ') + "\n";
    const std::string range = dir.write("range.txt", "1 11000 12000 1\n2 13000 99999999999 2\n");
    const std::string long_samples = dir.write("long.txt", "1 11000 12000 1\n" + huge);
    std::vector<std::string> reports;
    const ErrorSink report = [&reports](std::string_view t) { reports.emplace_back(t); };
    for (const std::string& path : {range, long_samples}) {
        load_samples("1 11000 12000 1\n");
        EXPECT_EQ(load_sample_file(session.samples, path, report), 0);
        EXPECT_EQ(samples_loaded(session.samples), 0);
    }
    EXPECT_EQ(reports,
              (std::vector<std::string>{
                  "Invalid TRAJ file.\n" + range + ": line 2: end time out of range",
                  "Invalid TRAJ file.\n" + long_samples + ": line 2: longer than 64 MiB"}));

    const std::string gen_range = dir.write("range_gen.txt", "500 1 2\n2147483648 3 4\n");
    const std::string long_gen = dir.write("long_gen.txt", huge + "500 1 2\n");
    for (const auto& [path, detail] : {std::pair{gen_range, ": line 2: time out of range"},
                                       std::pair{long_gen, ": line 1: longer than 64 MiB"}}) {
        load_traj_gen_points("500 1 2\n");
        std::string failure;
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_traj_gen(session.traj_gen, path, &failure), 0);
        const std::string message = "Invalid data : " + path + "\n" + path + detail;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message + "\n");
        EXPECT_EQ(failure, message);
        EXPECT_EQ(traj_gen_loaded(session.traj_gen), 0);
    }
}

TEST_F(LabellingTest, PoseLoadRefreshesTheSamplesAndAFailedOneKeepsTheTrack) {
    load_samples("1 10540 12000 1\n");
    load_poses(100, [](int i) { return TestPose{10000 + 40 * i, 0.5, 10.0 + i, 20}; });
    EXPECT_EQ(state().margin_poses, 125);
    EXPECT_EQ(sample(1).first_pose, 14);  // 10540 lies halfway between poses 13 and 14
    EXPECT_EQ(sample(1).last_pose, 50);
    EXPECT_NEAR(sample(1).origin_x, 23.5, 1e-9);
    const double local_x = local(50).local_x;
    EXPECT_NEAR(local_x, 36.5 * std::cos(0.5), 1e-9);

    std::string failure;
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_vantrel_pose_track(session, dir.file("missing.nav"), &failure), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Open data failure : " + dir.file("missing.nav") + "\n");
    EXPECT_EQ(failure, "Open data failure : " + dir.file("missing.nav"));
    EXPECT_EQ(session.pose.count, 100);
    // The kept track keeps the samples' view of it.
    EXPECT_EQ(local(50).local_x, local_x);
}

TEST_F(LabellingTest, SaveWritesLiveSamplesAndNumbersTheirExports) {
    const std::string out = dir.file("out"), base = out + "/run";
    fs::create_directory(out);
    load_poses(100);
    // Out of order in the file; 1 is poses 10 to 13, 2 is 20 to 22, 3 is 30 and 31.
    load_samples("3 13000 13100 3 0 0 0 -0.25\n1 11000 11300 1 0 0 0 0.5\n2 12000 12200 2\n");
    state().current_sample = 2;
    delete_sample(session);
    const SaveOutcome saved = save_samples(session, base);
    EXPECT_TRUE(saved.saved);
    EXPECT_EQ(saved.exports, 2);
    EXPECT_EQ(dir.read(base + ".txt"), sample_file_line(sample(1)) + sample_file_line(sample(3)));
    EXPECT_EQ(sample(3).sample_id, 3);
    EXPECT_EQ(dir.read(base + "0.nav"), export_of(session, 1));
    EXPECT_EQ(dir.read(base + "1.nav"), export_of(session, 3));
    EXPECT_EQ(export_of(session, 1).substr(0, 45),
              "11000\t1.250\t2.500\t1.000\t18.776\t24.794\t-3.750\n");
    EXPECT_EQ(test_support::file_names(out),
              (std::vector<std::string>{"run.txt", "run0.nav", "run1.nav"}));

    // No pose track: the sample file only. Nothing live: an empty one.
    fs::remove_all(out);
    fs::create_directory(out);
    free_pose_track(session.pose);
    EXPECT_TRUE(save_samples(session, base).saved);
    EXPECT_EQ(test_support::file_names(out), std::vector<std::string>{"run.txt"});
    load_poses(100);
    for (int32_t k : {1, 3}) {
        state().current_sample = k;
        delete_sample(session);
    }
    EXPECT_EQ(save_samples(session, base).exports, 0);
    EXPECT_EQ(dir.read(base + ".txt"), "");
    EXPECT_EQ(test_support::file_names(out), std::vector<std::string>{"run.txt"});
}

TEST_F(LabellingTest, AFailedSaveChangesNoFileAndLeavesNoTemporaryFile) {
    const std::string out = dir.file("out"), base = out + "/run";
    fs::create_directory(out);
    load_poses(100);
    load_samples("1 11000 11300 1\n2 12000 12200 2\n3 13000 13100 3\n");
    const std::vector<std::string> names = {"run.txt", "run0.nav", "run1.nav", "run2.nav"};
    for (const std::string& name : names) dir.write("out/" + name, "old " + name);
    struct Case {
        WriteFaults faults;
        std::string failed;  // the caption
    };
    // A disk failing at the third file of the save; one full from the start.
    for (const Case& c : {Case{{-1, 3}, base + "1.nav"}, Case{{0, 0}, base}}) {
        set_write_faults(c.faults);
        const SaveOutcome outcome = save_samples(session, base);
        set_write_faults({});
        EXPECT_FALSE(outcome.saved);
        EXPECT_EQ(outcome.failure_caption, c.failed);
        EXPECT_NE(outcome.failure.find("No space left on device"), std::string::npos)
            << outcome.failure;
        for (const std::string& name : names) EXPECT_EQ(dir.read("out/" + name), "old " + name);
        EXPECT_EQ(test_support::file_names(out), names);
    }

    // A folder nobody can write to, root included.
    const SaveOutcome refused = save_samples(session, "/proc/vantrel_run");
    EXPECT_FALSE(refused.saved);
    EXPECT_EQ(refused.failure_caption, "/proc/vantrel_run");
    EXPECT_FALSE(fs::exists("/proc/vantrel_run.txt") || fs::exists("/proc/vantrel_run0.nav"));
}

TEST_F(LabellingTest, ASaveOfFewerSamplesRemovesTheEarlierSavesLaterExports) {
    const std::string out = dir.file("out"), base = out + "/run";
    fs::create_directory(out);
    load_poses(100);
    load_samples("1 11000 11300 1\n2 12000 12200 2\n3 13000 13100 3\n4 14000 14100 4\n");
    ASSERT_TRUE(save_samples(session, base).saved);
    // A file of the same name that the earlier save did not write stays: here the
    // whole track, saved beside the samples under a name in their pattern.
    dir.write("out/run3.nav", dir.read("ego.nav"));
    for (const int32_t k : {4, 2}) {
        session.state.current_sample = k;
        delete_sample(session);
    }
    const SaveOutcome saved = save_samples(session, base);
    EXPECT_TRUE(saved.saved);
    EXPECT_EQ(saved.exports, 2);
    EXPECT_EQ(test_support::file_names(out),
              (std::vector<std::string>{"run.txt", "run0.nav", "run1.nav", "run3.nav"}));
    EXPECT_EQ(dir.read(base + "1.nav"), export_of(session, 3));
    EXPECT_EQ(dir.read(base + "3.nav"), dir.read("ego.nav"));
}

}  // namespace
