// The viewer's command-line options, parsed and refused, without pictures: these
// run in both builds (snapshot_test.cpp checks the Qt canvas and is the Linux
// build's alone).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/plovane_cli.h"
#include "shell/snapshot.h"
#include "tests/support/temp_folder.h"

namespace {

// The viewer's command line, argv[0] included.
struct Args {
    std::vector<std::string> text;
    std::vector<char*> argv;
    Args(std::vector<std::string> t) : text(std::move(t)) {
        for (std::string& a : text) argv.push_back(a.data());
    }
    int argc() const { return static_cast<int>(argv.size()); }
};

}  // namespace

TEST(SnapshotOptions, Refusals) {
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--snapshot", "a", "--snapshot", "b"}, "--snapshot given twice"},
        {{"--snapshot", "a", "--size", "0x10"}, "--size needs WxH, each 1 to 8192, not '0x10'"},
        {{"--steps", "4"}, "picture options need --snapshot or --export-frames"},
        {{"--export-frames", "out"}, "--export-frames needs --steps of at least 1"},
        {{"--snapshot", "a", "--summary"},
         "--snapshot and --export-frames go without --summary, --dump-store, --trace-clock, "
         "--script"},
    };
    for (const auto& [args, message] : refused) {
        std::vector<std::string> text{"plovane"};
        text.insert(text.end(), args.begin(), args.end());
        Args a(text);
        PlovaneOptions o;
        std::string error;
        EXPECT_FALSE(parse_plovane_options(a.argc(), a.argv.data(), o, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(PlovaneOptions, FilesWithoutOptionsGoByTheirNames) {
    Args a({"plovane", "drive.TRAJ2", "track.nav", "origin.txt", "--frame-step", "2"});
    PlovaneOptions o;
    std::string error;
    ASSERT_TRUE(parse_plovane_options(a.argc(), a.argv.data(), o, error)) << error;
    EXPECT_EQ(o.traj_path.value_or(""), "drive.TRAJ2");
    EXPECT_EQ(o.ego_path.value_or(""), "track.nav");
    EXPECT_EQ(o.org_path.value_or(""), "origin.txt");
    EXPECT_EQ(o.frame_step, 2);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--traj", "a.traj", "b.traj"},
         "'b.traj' would be a second TRAJ file (--traj) after 'a.traj'"},
        {{"a.pos", "b.nav"}, "'b.nav' would be a second ego pose track (--ego) after 'a.pos'"},
        {{"scene.csv"},
         "cannot tell from its name what 'scene.csv' is: TRAJ files end in .traj, ego pose "
         "tracks in .nav or .pos, origin points in .txt; name it with --traj, --ego or --org"},
    };
    for (const auto& [args, message] : refused) {
        std::vector<std::string> text{"plovane"};
        text.insert(text.end(), args.begin(), args.end());
        Args r(text);
        EXPECT_FALSE(parse_plovane_options(r.argc(), r.argv.data(), o, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(PlovaneOptions, AFileGivenByNameBringsTheOtherHalfOfItsScene) {
    test_support::TempFolder dir;
    const std::string traj = dir.write("drive.traj", ""), nav = dir.write("drive.nav", "");
    PlovaneOptions o;
    std::string error;
    Args by_name({"plovane", traj});
    ASSERT_TRUE(parse_plovane_options(by_name.argc(), by_name.argv.data(), o, error)) << error;
    EXPECT_EQ(o.ego_path.value_or(""), nav);
    EXPECT_EQ(o.traj_path.value_or(""), traj);
    Args pose({"plovane", nav});
    ASSERT_TRUE(parse_plovane_options(pose.argc(), pose.argv.data(), o, error)) << error;
    EXPECT_EQ(o.traj_path.value_or(""), traj);
    // Files named with their options load as given, and nothing else.
    Args option({"plovane", "--traj", traj});
    ASSERT_TRUE(parse_plovane_options(option.argc(), option.argv.data(), o, error)) << error;
    EXPECT_FALSE(o.ego_path);
}

TEST(PlovaneOptions, VersionAndHelpPrintAndSucceed) {
    for (const char* flag : {"--version", "--help"}) {
        Args a({"plovane", flag});
        testing::internal::CaptureStdout();
        EXPECT_EQ(plovane_cli_main(a.argc(), a.argv.data()), 0);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(std::string(flag) == "--help" ? "usage: plovane" : "plovane 0."),
                  std::string::npos)
            << out;
    }
}
