// The labelling tool's script mode, as the command line runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/version.h"
#include "labelling/vantrel_app.h"
#include "tests/support/main_run.h"
#include "tests/support/picture_backend.h"
#include "tests/support/temp_folder.h"
#include "vantrel_fixture.h"

namespace {

using ScriptRun = test_support::MainRun;

class VantrelScript : public testing::Test {
  protected:
    ScriptRun run(const std::string& script, std::vector<std::string> args) {
        args.push_back("--script");
        args.push_back(dir.write("session.script", script));
        return test_support::run_main(labelling::vantrel_main, "vantrel", std::move(args));
    }
    std::vector<std::string> files() {
        return {"--ego",     dir.write("ego.nav", vantrel_test::track_text(200, 3000)),
                "--samples", dir.write("samples.txt", "7 2000 4500 2\n8 9000 12000 9\n"),
                "--trajgen", dir.write("gen.txt", "0 0 0\n100 0.5 2\n200 1.0 4\n")};
    }
    test_support::TempFolder dir;
};

}  // namespace

TEST_F(VantrelScript, DumpShowsTheStateAndEveryRecord) {
    const ScriptRun r = run("dump\n", files());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "# count=3 current_sample=1 labelling=0 edit_mode=1 margin_s=5.000000 "
              "margin_poses=50 pose_period_s=0.100000 play_step=0 play_elapsed_ms=1000 "
              "undo_sample=-1 label=2 undo=0 redo=0 journal=0\n"
              "index,sample_id,start_ms,end_ms,first_pose,last_pose,pose_count,label,origin_x,"
              "origin_y,frame_heading,heading_offset,active\n"
              "0,0,0,200,0,2,3,4,0.000000,0.000000,0.000000,0.000000,0\n"
              "1,7,2000,4500,10,35,26,2,0.000000,0.000000,0.000000,0.000000,1\n"
              "2,8,9000,12000,80,110,31,9,0.000000,50.000000,0.000000,0.000000,1\n");
}

// A session of keys, the Settings dialog, playback and a save, as a user works.
TEST_F(VantrelScript, KeysSettingsPlaybackAndSave) {
    test_support::register_picture_backend();  // the snapshot rasterises the window's picture
    const ScriptRun r = run(R"(
key Right
key Ctrl+D
key Shift+Right
key A
key Ctrl+Y
key Right
key PageDown
key Delete
settings 7 2.5
play 3
dump
command 23 )" + dir.file("out") +
                                R"(
snapshot )" + dir.file("picture.png") +
                                "\n",
                            files());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("current_sample=1 labelling=1 edit_mode=3 margin_s=2.500000 "
                         "margin_poses=25 pose_period_s=0.100000 play_step=6"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("undo_sample=1 label=2 undo=4 redo=0 journal=1\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(",0.001000,1\n"), std::string::npos);  // the turn
    EXPECT_NE(r.out.find("\n2,8,9000,12000,80,110,31,9,"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "0\n");  // sample 8 deleted
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out0.nav")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out1.nav")));
    EXPECT_GT(std::filesystem::file_size(dir.file("picture.png")), 500u);
}

TEST_F(VantrelScript, BadScriptsFailedLoadsAndUsage) {
    const ScriptRun unknown = run("dump\nkey Ctrl+Q\n", files());
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("session.script line 2: key needs"), std::string::npos);
    const ScriptRun missing = run("dump\n", {"--ego", dir.file("missing.nav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("Open data failure : " + dir.file("missing.nav")),
              std::string::npos);
    const ScriptRun usage = run("dump\n", {"--ego"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: vantrel"), std::string::npos);
    // A save that fails is a failed run.
    const ScriptRun save = run("command 23 " + dir.file("missing/run") + "\n", files());
    EXPECT_EQ(save.status, 1);
    EXPECT_NE(save.err.find(dir.file("missing/run.txt")), std::string::npos) << save.err;
    const ScriptRun saved = run("command 23 " + dir.file("run") + "\n", files());
    EXPECT_EQ(saved.status, 0) << saved.err;
}

TEST(VantrelOptions, OnlyPoseTracksAreTakenByTheirNames) {
    auto parse = [](std::vector<std::string> args, labelling::VantrelOptions& o,
                    std::string& error) {
        args.insert(args.begin(), "vantrel");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        return labelling::parse_vantrel_options(static_cast<int>(argv.size()), argv.data(), o,
                                                error);
    };
    labelling::VantrelOptions o;
    std::string error;
    ASSERT_TRUE(parse({"run.pos", "--samples", "s.txt"}, o, error)) << error;
    EXPECT_EQ(o.ego_path.value_or(""), "run.pos");
    EXPECT_EQ(o.samples_path.value_or(""), "s.txt");
    EXPECT_FALSE(parse({"s.txt"}, o, error));
    EXPECT_EQ(error,
              "'s.txt' may be a sample file or a Traj Gen file; name it with --samples or "
              "--trajgen");
    EXPECT_FALSE(parse({"--ego", "a.nav", "b.nav"}, o, error));
    EXPECT_EQ(error, "'b.nav' would be a second ego pose track (--ego) after 'a.nav'");
    EXPECT_FALSE(parse({"drive.traj"}, o, error));
    EXPECT_NE(error.find("cannot tell from its name what 'drive.traj' is"), std::string::npos);
    ASSERT_TRUE(parse({"--version"}, o, error));
    EXPECT_TRUE(o.version);
}

// The refusals, help and version of the command line, word for word.
TEST(VantrelOptions, AnswersWordForWord) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--ego"}, "--ego needs a value"},
        {{"--trajgen", "g.txt", "--samples"}, "--samples needs a value"},
        {{"--samples", "a", "--samples", "b"}, "--samples given twice"},
        {{"--script", "a", "--script"}, "--script given twice"},
        {{"--trajgen", "a", "--trajgen", "b"}, "--trajgen given twice"},
        {{"--bogus"}, "unknown argument '--bogus'"},
        {{"-"}, "unknown argument '-'"},
        {{""}, "unknown argument ''"},
        {{"--help", "-x"}, "unknown argument '-x'"},
        {{"a.nav", "--ego", "b.nav"}, "--ego given twice"},
        {{"a.nav", "b.pos"}, "'b.pos' would be a second ego pose track (--ego) after 'a.nav'"},
        {{"gen.txt"},
         "'gen.txt' may be a sample file or a Traj Gen file; name it with --samples or "
         "--trajgen"},
        {{"drive.traj"},
         "cannot tell from its name what 'drive.traj' is: ego pose tracks end in .nav or .pos; "
         "name other files with --ego, --samples or --trajgen"},
    };
    for (const auto& [args, reason] : refused) {
        const ScriptRun r = test_support::run_main(labelling::vantrel_main, "vantrel", args);
        EXPECT_EQ(r.status, 2) << reason;
        EXPECT_EQ(r.out, "") << reason;
        EXPECT_EQ(r.err, "vantrel: " + reason + "\n" + labelling::kVantrelUsage);
    }
    const std::string version = std::string("vantrel ") + tools_version() + "\n";
    const std::pair<std::vector<std::string>, std::string> answered[] = {
        {{"--help"}, labelling::kVantrelUsage},
        {{"-h", "--ego", "missing.nav"}, labelling::kVantrelUsage},
        {{"--version", "-h"}, labelling::kVantrelUsage},
        {{"--version"}, version},
        {{"--version", "--version", "--script", "missing.script"}, version},
    };
    for (const auto& [args, out] : answered) {
        const ScriptRun r = test_support::run_main(labelling::vantrel_main, "vantrel", args);
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.err, "") << args[0];
        EXPECT_EQ(r.out, out) << args[0];
    }
}

TEST(VantrelOptions, EveryOptionReachesItsField) {
    std::vector<std::string> text = {"vantrel",   "--trajgen", "g.txt", "--script", "s.script",
                                     "--samples", "s.txt",     "--ego", "e.nav"};
    std::vector<char*> argv;
    for (std::string& a : text) argv.push_back(a.data());
    labelling::VantrelOptions o;
    std::string error;
    ASSERT_TRUE(
        labelling::parse_vantrel_options(static_cast<int>(argv.size()), argv.data(), o, error))
        << error;
    EXPECT_EQ(o.ego_path.value_or(""), "e.nav");
    EXPECT_EQ(o.samples_path.value_or(""), "s.txt");
    EXPECT_EQ(o.trajgen_path.value_or(""), "g.txt");
    EXPECT_EQ(o.script_path.value_or(""), "s.script");
    EXPECT_FALSE(o.help || o.version);
}

// Every option the usage text shows is one the parser knows.
TEST(VantrelOptions, TheUsageShowsOnlyKnownOptions) {
    const std::string usage = labelling::kVantrelUsage;
    int shown = 0;
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at)) {
        const std::size_t end = usage.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
        std::string program = "vantrel", option = usage.substr(at, end - at);
        char* argv[] = {program.data(), option.data(), nullptr};
        labelling::VantrelOptions o;
        std::string error;
        labelling::parse_vantrel_options(2, argv, o, error);
        EXPECT_EQ(error.find("unknown argument"), std::string::npos) << error;
        at = end;
        ++shown;
    }
    EXPECT_GT(shown, 8);
}
