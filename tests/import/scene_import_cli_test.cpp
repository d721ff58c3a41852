// The command line of scene-import: what it writes, what it refuses, and that a
// failure leaves no file behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/scene_import_cli.h"
#include "tests/support/main_run.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::file_names;
using test_support::TempFolder;

int run_cli(int argc, char** argv) {
    return scene_import_main(argc, argv);
}

class SceneImportCli : public ::testing::Test {
  protected:
    SceneImportCli() {
        dir.write("03_recordingMeta.csv", "id,frameRate,startTime\n3,25,10:00\n");
        dir.write("03_tracksMeta.csv", "id,class,drivingDirection\n1,Car,2\n2,Truck,2\n");
        tracks = dir.write("03_tracks.csv",
                           "frame,id,x,y,width,height,xVelocity,yVelocity,precedingId,"
                           "followingId,laneId\n"
                           "1,1,0,10,4,2,20,0,2,0,2\n2,1,0.8,10,4,2,20,0,2,0,2\n"
                           "3,1,1.6,10,4,2,20,0,2,0,2\n"
                           "1,2,30,10,12,2.5,18,0,0,1,2\n2,2,30.7,10,12,2.5,18,0,0,1,2\n");
    }
    test_support::MainRun run(std::vector<std::string> args) {
        return test_support::run_main(run_cli, "scene-import", std::move(args));
    }
    TempFolder dir;
    std::string tracks;
};

TEST_F(SceneImportCli, ListShowsEveryVehicleAndTheLongestLived) {
    const auto r = run({tracks, "--list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 Car 1 3 10:00:00.040 10:00:00.120 3 4.00x2.00\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("2 Truck 1 2 "), std::string::npos);
    EXPECT_NE(r.out.find("# longest-lived: 1, 0.080 s, 3 samples"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(SceneImportCli, ImportWritesTheSceneAndRefusesToOverwriteRoles) {
    const std::string base = dir.file("scene");
    auto r = run({tracks, "--ego", "1", "-o", base, "--roles", "--time-offset", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("ego 1 (Car): 1 vehicles, 2 samples, 10:00:00.045 to 10:00:00.125"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(
        file_names(dir.path()),
        (std::vector<std::string>{"03_recordingMeta.csv", "03_tracks.csv", "03_tracksMeta.csv",
                                  "scene.nav", "scene.traj", "trajcolset.ini"}));
    EXPECT_EQ(dir.read("scene.nav").substr(0, 52),
              "36000045 20.000 0.000 -1.570796 2.000 -11.000 0.000\n");
    EXPECT_NE(dir.read("trajcolset.ini").find("frontid=2\n"), std::string::npos);

    // A second run leaves everything as it was unless --force is given.
    dir.write("trajcolset.ini", "frontid=99\n");
    dir.write("scene.traj", "old\n");
    r = run({tracks, "--ego", "2", "-o", base, "--roles"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("trajcolset.ini exists; --force overwrites it"), std::string::npos);
    EXPECT_EQ(dir.read("scene.traj"), "old\n");
    r = run({tracks, "--ego", "2", "-o", base, "--roles", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(dir.read("trajcolset.ini").find("rearid=1\n"), std::string::npos);
}

TEST_F(SceneImportCli, FailuresAreOneLineAndLeaveNoFile) {
    const std::string base = dir.file("scene");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{tracks}, "give either --list or --ego ID"},
        {{tracks, "--ego", "1"}, "--ego needs -o BASE"},
        {{tracks, "--list", "--format", "csv"}, "unknown format \"csv\""},
        {{tracks, "--list", "--radius", "x"}, "--radius: \"x\" is not a number"},
        {{tracks, "--ego", "9", "-o", base}, "03_tracks.csv: no vehicle 9"},
        {{tracks, "--ego", "1", "-o", base, "--time-offset", "-100000000"}, "--time-offset"},
        {{tracks, "--ego", "1", "-o", dir.file("missing/scene")}, "missing"},
        {{tracks, dir.file("other_tracks.csv"), "--list"}, "one recording at a time"},
        {{dir.file("none.csv"), "--list"}, "none.csv: cannot open the file"},
        {{tracks, "--ego", "1", "-o", base, "--from", "36000100", "--to", "36000000"},
         "--from lies after --to"},
    };
    for (const auto& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.rfind("scene-import: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(
        file_names(dir.path()),
        (std::vector<std::string>{"03_recordingMeta.csv", "03_tracks.csv", "03_tracksMeta.csv"}));
}

TEST_F(SceneImportCli, HelpAndVersion) {
    auto r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--format", "--list", "--ego", "-o BASE", "--radius", "--from",
                               "--to", "--time-offset", "--vtypes", "--roles", "--force"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("scene-import ", 0), 0u);
}

}  // namespace
