// The viewer's command-line options, parsed and refused, without pictures: these
// run in both builds (snapshot_test.cpp checks the Qt canvas and is the Linux
// build's alone).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/version.h"
#include "tests/support/main_run.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_cli.h"
#include "viewer/snapshot.h"

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
        {{"--steps", "4"}, "picture options need --snapshot, --export-frames or --export-video"},
        {{"--export-frames", "out"}, "--export-frames needs --steps of at least 1"},
        {{"--snapshot", "a", "--fps", "10"}, "--fps, --from and --to need --export-video"},
        {{"--export-video", "v.mp4", "--steps", "3"},
         "--export-video goes without --snapshot, --export-frames and --steps"},
        {{"--export-video", "v.mp4", "--fps", "0"},
         "--fps needs a number from 0.001 to 1000, not '0'"},
        {{"--export-video", "v.mp4", "--from", "abc"}, "--from needs a frame number, not 'abc'"},
        {{"--export-video", "v.mp4", "--from", "20", "--to", "10"},
         "--to names a frame before --from"},
        {{"--snapshot", "a", "--summary"},
         "--snapshot, --export-frames and --export-video go without --summary, --dump-store, "
         "--trace-clock, --metrics, --script"},
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
        {{"scene.dat"},
         "cannot tell from its name what 'scene.dat' is: TRAJ files end in .traj, ego pose "
         "tracks in .nav or .pos, origin points in .txt, recordings in .csv or .xml; name it "
         "with --traj, --ego or --org"},
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

// Every refusal of the command line, word for word: the reason on standard error
// after the program's name, the usage text after it, status 2, nothing on standard
// output.
TEST(PlovaneOptions, RefusalsWordForWord) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{}, "give one of --summary, --dump-store, --trace-clock, --metrics"},
        {{"--traj", "x.traj"}, "give one of --summary, --dump-store, --trace-clock, --metrics"},
        // A value is the next argument, whatever it looks like.
        {{"--ego", "--summary"}, "give one of --summary, --dump-store, --trace-clock, --metrics"},
        {{"--traj"}, "--traj needs a value"},
        {{"--summary", "--org"}, "--org needs a value"},
        {{"--ego", "a", "--ego"}, "--ego given twice"},
        {{"--bogus"}, "unknown argument '--bogus'"},
        {{"-"}, "unknown argument '-'"},
        {{""}, "unknown argument ''"},
        {{"-H"}, "unknown argument '-H'"},
        {{"--help", "--bogus"}, "unknown argument '--bogus'"},
        {{"--summary", "--dump-store"},
         "only one of --summary, --dump-store, --trace-clock, --metrics, --script may be given"},
        {{"--summary", "--summary"},
         "only one of --summary, --dump-store, --trace-clock, --metrics, --script may be given"},
        // The second mode is refused before its missing value.
        {{"--trace-clock", "--script"},
         "only one of --summary, --dump-store, --trace-clock, --metrics, --script may be given"},
        {{"--script", "a", "--script", "b"},
         "only one of --summary, --dump-store, --trace-clock, --metrics, --script may be given"},
        {{"--script"}, "--script needs a value"},
        {{"--frame-step", "0"}, "--frame-step needs an integer of at least 1, not '0'"},
        {{"--frame-step", "2x"}, "--frame-step needs an integer of at least 1, not '2x'"},
        {{"--frame-step", "1", "--frame-step"}, "--frame-step given twice"},
        {{"--too-short", "-1"}, "--too-short needs an integer of at least 0, not '-1'"},
        {{"--too-short"}, "--too-short needs a value"},
        {{"--summary", "extra"},
         "cannot tell from its name what 'extra' is: TRAJ files end in .traj, ego pose "
         "tracks in .nav or .pos, origin points in .txt, recordings in .csv or .xml; name it "
         "with --traj, --ego or --org"},
        {{"a.txt", "--org", "b.txt"}, "--org given twice"},
        {{"--org", "b.txt", "a.txt"},
         "'a.txt' would be a second origin point file (--org) after 'b.txt'"},
        {{"--snapshot", ""}, "--snapshot needs a file name, not ''"},
        {{"--export-frames", ""}, "--export-frames needs a folder, not ''"},
        {{"--snapshot"}, "--snapshot needs a value"},
        {{"--steps", "-1"}, "--steps needs an integer of at least 0, not '-1'"},
        {{"--size", "10"}, "--size needs WxH, each 1 to 8192, not '10'"},
        {{"--size", "8193x10"}, "--size needs WxH, each 1 to 8192, not '8193x10'"},
        {{"--elevation", "91"}, "--elevation needs whole degrees 0 to 90, not '91'"},
        {{"--azimuth", "1.5"}, "--azimuth needs whole degrees, not '1.5'"},
        {{"--scale", "0"}, "--scale needs a number above 0, not '0'"},
        {{"--metrics"}, "--metrics needs a value"},
        {{"--metrics", "a.csv", "--lane-half-width", "0"},
         "--lane-half-width needs a number of metres above 0, not '0'"},
        {{"--metrics", "a.csv", "--lane-half-width", "nan"},
         "--lane-half-width needs a number of metres above 0, not 'nan'"},
        {{"--ego-centered", "--ego-centered"}, "--ego-centered given twice"},
        {{"--traj-id"}, "picture options need --snapshot, --export-frames or --export-video"},
        {{"--export-frames", "d", "--steps", "0"}, "--export-frames needs --steps of at least 1"},
        {{"--dump-store", "--export-frames", "d", "--steps", "1"},
         "--snapshot, --export-frames and --export-video go without --summary, --dump-store, "
         "--trace-clock, --metrics, --script"},
    };
    for (const auto& [args, reason] : refused) {
        std::string shown;
        for (const std::string& a : args) shown += "'" + a + "' ";
        const test_support::MainRun r = test_support::run_main(plovane_cli_main, "plovane", args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_EQ(r.err, "plovane: " + reason + "\n" + kPlovaneUsage) << shown;
    }
}

TEST(PlovaneOptions, HelpAndVersionWordForWord) {
    const std::string version = std::string("plovane ") + tools_version() + "\n";
    const std::pair<std::vector<std::string>, std::string> answered[] = {
        {{"--help"}, kPlovaneUsage},
        {{"-h"}, kPlovaneUsage},
        {{"--help", "--help"}, kPlovaneUsage},
        {{"--version", "--help"}, kPlovaneUsage},
        {{"--summary", "-h", "--traj", "missing.traj"}, kPlovaneUsage},
        {{"--version"}, version},
        {{"--version", "--version", "--trace-clock"}, version},
    };
    for (const auto& [args, out] : answered) {
        const test_support::MainRun r = test_support::run_main(plovane_cli_main, "plovane", args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.err, "") << args[0];
        EXPECT_EQ(r.out, out) << args[0];
    }
}

// Every option of a full command line lands in its field, in any order.
TEST(PlovaneOptions, EveryOptionReachesItsField) {
    Args a({"plovane",
            "--too-short",
            "3",
            "--snapshot",
            "pic.png",
            "--steps",
            "4",
            "--size",
            "320x200",
            "--elevation",
            "30",
            "--azimuth",
            "-45",
            "--scale",
            "0.5",
            "--ego-centered",
            "--no-time-series",
            "--traj-id",
            "--frame-step",
            "7",
            "--ego",
            "e.pos",
            "--org",
            "o.txt",
            "--traj",
            "t.traj"});
    PlovaneOptions o;
    std::string error;
    ASSERT_TRUE(parse_plovane_options(a.argc(), a.argv.data(), o, error)) << error;
    EXPECT_EQ(o.mode, PlovaneMode::Pictures);
    EXPECT_EQ(o.ego_path.value_or(""), "e.pos");
    EXPECT_EQ(o.org_path.value_or(""), "o.txt");
    EXPECT_EQ(o.traj_path.value_or(""), "t.traj");
    EXPECT_EQ(o.frame_step, 7);
    EXPECT_EQ(o.too_short, 3);
    EXPECT_FALSE(o.help || o.version);
    const shell::SnapshotOptions& p = o.pictures;
    EXPECT_EQ(p.png_path, "pic.png");
    EXPECT_EQ(p.frames_dir, "");
    EXPECT_EQ(p.steps, 4);
    EXPECT_EQ(p.size, (plat::Size{320, 200}));
    EXPECT_EQ(p.elevation, 30);
    EXPECT_EQ(p.azimuth, -45);
    EXPECT_EQ(p.scale, 0.5);
    EXPECT_TRUE(p.ego_centered);
    EXPECT_FALSE(p.time_series);
    EXPECT_TRUE(p.traj_id);

    Args script({"plovane", "--script", "s.txt", "--frame-step", "2"});
    ASSERT_TRUE(parse_plovane_options(script.argc(), script.argv.data(), o, error)) << error;
    EXPECT_EQ(o.mode, PlovaneMode::Script);
    EXPECT_EQ(o.script_path.value_or(""), "s.txt");
    EXPECT_EQ(o.frame_step, 2);
    EXPECT_EQ(o.too_short, 20);
    EXPECT_TRUE(o.pictures.time_series);

    const std::pair<const char*, PlovaneMode> modes[] = {
        {"--summary", PlovaneMode::Summary},
        {"--dump-store", PlovaneMode::DumpStore},
        {"--trace-clock", PlovaneMode::TraceClock}};
    for (const auto& [flag, mode] : modes) {
        Args m({"plovane", flag});
        ASSERT_TRUE(parse_plovane_options(m.argc(), m.argv.data(), o, error)) << error;
        EXPECT_EQ(o.mode, mode) << flag;
        EXPECT_FALSE(o.script_path);
    }
}

// Every option the usage text shows is one the parser knows.
TEST(PlovaneOptions, TheUsageShowsOnlyKnownOptions) {
    const std::string usage = kPlovaneUsage;
    int shown = 0;
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at)) {
        const std::size_t end = usage.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
        Args a({"plovane", usage.substr(at, end - at)});
        PlovaneOptions o;
        std::string error;
        parse_plovane_options(a.argc(), a.argv.data(), o, error);
        EXPECT_EQ(error.find("unknown argument"), std::string::npos) << error;
        at = end;
        ++shown;
    }
    EXPECT_GT(shown, 20);
}
