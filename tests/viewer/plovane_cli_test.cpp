#include "viewer/plovane_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/main_run.h"
#include "tests/support/temp_folder.h"

namespace {

using CliRun = test_support::MainRun;

CliRun run(std::vector<std::string> args) {
    return test_support::run_main(plovane_cli_main, "plovane", std::move(args));
}

// Trajectory 5: three samples 1 m apart every 100 ms, heading +y; trajectory
// 6: a single sample one frame later.
const char* kTraj =
    "tno=5\n"
    "1000,10,0,0,4,2,0,1,0,5,0,1,7\n"
    "1100,11,0,1,4,2,0,1,0,6,0,1,7\n"
    "1200,12,0,2,4,2,0,1,0,7,0,1,7\n"
    "tno=6\n"
    "1100,11,3,3,5,2,1,0,3,8,1,0,2.5\n";

const char* kEgo =
    "1000 0 0 0.10 0 -5 0\n"
    "1100 0 0 0.20 0 -4 0\n"
    "1200 0 0 0.30 0 -3 0\n";

}  // namespace

TEST(PlovaneCli, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--traj", "x.traj"},
        {"--summary", "--dump-store"},
        {"--summary", "--bogus"},
        {"--summary", "--traj"},
        {"--summary", "--frame-step", "0"},
        {"--summary", "--frame-step", "2x"},
        {"--summary", "--too-short", "-1"},
        {"--summary", "--ego", "a", "--ego", "b"},
        {"--summary", "extra"},
    };
    for (const auto& args : cases) {
        CliRun r = run(args);
        std::string shown;
        for (const std::string& a : args) shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err.find("usage: plovane"), std::string::npos) << shown;
    }
}

TEST(PlovaneCli, HelpPrintsUsage) {
    CliRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kPlovaneUsage);
}

TEST(PlovaneCli, LoadFailuresExitOne) {
    test_support::TempFolder dir;
    std::string missing = dir.file("no_such_file");
    CliRun traj = run({"--summary", "--traj", missing});
    EXPECT_EQ(traj.status, 1);
    EXPECT_EQ(traj.out, "");
    EXPECT_EQ(traj.err, "Error: Open TRAJ file failure.\n");

    CliRun invalid = run({"--summary", "--traj", dir.write("invalid.traj", "tno=1\n")});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_EQ(invalid.err,
              "Error: Invalid TRAJ file.\n" + dir.file("invalid.traj") + ": no data line\n");

    CliRun ego = run({"--trace-clock", "--ego", missing, "--traj", dir.write("ok.traj", kTraj)});
    EXPECT_EQ(ego.status, 1);
    EXPECT_EQ(ego.out, "");
    EXPECT_EQ(ego.err, "Open data failure : " + missing + "\n");

    CliRun org = run({"--summary", "--org", dir.write("empty.txt", "\n")});
    EXPECT_EQ(org.status, 1);
    EXPECT_EQ(org.err, "Invalid data : " + dir.file("empty.txt") + "\n");
}

TEST(PlovaneCli, DumpStore) {
    test_support::TempFolder dir;
    CliRun r = run({"--dump-store", "--traj", dir.write("dump.traj", kTraj)});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "# entries=2 samples=4 min_frame=10 max_frame=12 min_time=1000 max_time=1200\n"
              "traj,id,time_ms,frame,x,y,head_x,head_y,ego_x,ego_y,ego_head_x,ego_head_y,length,"
              "width,speed\n"
              "0,5,1000,10,0.000000,0.000000,0.000000,1.000000,0.000000,5.000000,0.000000,"
              "1.000000,4.000000,2.000000,10.000000\n"
              "0,5,1100,11,0.000000,1.000000,0.000000,1.000000,0.000000,6.000000,0.000000,"
              "1.000000,4.000000,2.000000,9.000000\n"
              "0,5,1200,12,0.000000,2.000000,0.000000,1.000000,0.000000,7.000000,0.000000,"
              "1.000000,4.000000,2.000000,7.000000\n"
              "1,6,1100,11,3.000000,3.000000,1.000000,0.000000,3.000000,8.000000,1.000000,"
              "0.000000,5.000000,2.000000,2.500000\n");

    CliRun summary = run({"--summary", "--traj", dir.file("dump.traj")});
    EXPECT_EQ(summary.status, 0);
    EXPECT_EQ(summary.out, r.out.substr(0, r.out.find('\n') + 1));
}

TEST(PlovaneCli, EmptyStoreSummary) {
    CliRun r = run({"--summary"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "# entries=0 samples=0 min_frame=0 max_frame=0 min_time=0 max_time=0\n");
}

TEST(PlovaneCli, TraceClock) {
    test_support::TempFolder dir;
    std::string ego = dir.write("trace.nav", kEgo);
    std::string traj = dir.write("trace.traj", kTraj);
    CliRun r = run({"--trace-clock", "--ego", ego, "--traj", traj, "--too-short", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // The load seeks one step past the first frame; pose 0 is the scene start.
    EXPECT_EQ(r.out,
              "# origin_x=0.000000 origin_y=-5.000000 origin_heading=0.100000 "
              "scene_start_index=0\n"
              "step,current_frame,current_time,elapsed_ms,pose_cursor,visible\n"
              "0,11,1100,100,1,5 6\n"
              "1,12,1200,200,2,5\n");

    CliRun shorter = run({"--trace-clock", "--traj", traj, "--frame-step", "5"});
    EXPECT_EQ(shorter.status, 0);
    EXPECT_EQ(shorter.out,
              "# origin_x=0.000000 origin_y=0.000000 origin_heading=0.000000 "
              "scene_start_index=0\n"
              "step,current_frame,current_time,elapsed_ms,pose_cursor,visible\n"
              "0,12,1200,200,0,\n");
}

TEST(PlovaneCli, ExampleScene) {
    const std::string dir = std::string(SCENE_SOURCE_DIR) + "/examples/";
    CliRun summary = run({"--summary", "--traj", dir + "scene.traj"});
    EXPECT_EQ(summary.status, 0);
    EXPECT_EQ(summary.out,
              "# entries=30 samples=9892 min_frame=5000 max_frame=6199 min_time=37800000 "
              "max_time=37919900\n");

    CliRun trace = run({"--trace-clock", "--ego", dir + "scene.pos", "--org",
                        dir + "scene_origin.txt", "--traj", dir + "scene.traj"});
    EXPECT_EQ(trace.status, 0);
    EXPECT_EQ(trace.err, "");
    // The first origin point; the start pose stays the track's first (a .pos file).
    EXPECT_EQ(trace.out.substr(0, trace.out.find('\n')),
              "# origin_x=3680.960000 origin_y=1925.549000 origin_heading=-0.691864 "
              "scene_start_index=0");
    EXPECT_EQ(std::count(trace.out.begin(), trace.out.end(), '\n'), 2 + 1199);
    EXPECT_NE(trace.out.find("\n0,5001,37800100,100,21,"), std::string::npos);
}
