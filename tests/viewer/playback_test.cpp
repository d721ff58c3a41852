// Playback as a user works it, written as scripts of the viewer's --script mode
// over the bundled example scene (frames 5000 .. 6199, 10 per second; after the
// loads the clock stands at frame 5001, whose boxes are drawn and which Frame #
// shows: the number a researcher notes is the frame to look up in the data).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/main_run.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_cli.h"
#include "viewer/plovane_playback.h"

namespace {

using Dump = std::map<std::string, std::string>;

// The fields of a dump line: `# playing=1 ... frame_no="5000" ...`.
Dump parse_dump(const std::string& line) {
    Dump d;
    std::size_t i = line.find(' ');
    while (i != std::string::npos && i < line.size()) {
        const std::size_t eq = line.find('=', i);
        if (eq == std::string::npos) break;
        const std::string key = line.substr(i + 1, eq - i - 1);
        std::size_t end;
        if (line[eq + 1] == '"') {
            end = line.find('"', eq + 2);
            d[key] = line.substr(eq + 2, end - eq - 2);
            ++end;
        } else {
            end = line.find(' ', eq);
            d[key] = line.substr(eq + 1, end == std::string::npos ? end : end - eq - 1);
        }
        i = end;
    }
    return d;
}

struct ScriptRun {
    int status = -1;
    std::vector<Dump> dumps;
    std::string err;
};

class PlaybackScript : public testing::Test {
  protected:
    // Runs the script over the example scene; options go before --script.
    ScriptRun run(const std::string& script, std::vector<std::string> options = {}) {
        const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples/";
        std::vector<std::string> args = {"--ego", examples + "scene.nav", "--traj",
                                         examples + "scene.traj"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("--script");
        args.push_back(dir.write("session.script", script));
        const test_support::MainRun run =
            test_support::run_main(plovane_cli_main, "plovane", std::move(args));
        ScriptRun r;
        r.status = run.status;
        r.err = run.err;
        const std::string& out = run.out;
        std::size_t start = 0;
        for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
            r.dumps.push_back(parse_dump(out.substr(start, nl - start)));
        return r;
    }
    static int frame(const Dump& d) { return std::stoi(d.at("current_frame")); }
    static std::string images(const Dump& d) { return d.at("images"); }

    test_support::TempFolder dir;
    test_support::CurrentFolder here{dir.path()};
};

const std::string kStopped = "ONESTEP_BTN,START_BTN,STOP_BTN,JUMP_BTN";
const std::string kRunning = "ONESTEP_BTN,PAUSE_BTN,STOP_BTN,_JUMP_BTN";

}  // namespace

TEST(FrameTimeText, HoursWrapAtADayAndEachPartIsSixteenBits) {
    EXPECT_EQ(shell::frame_time_text(90000000), "01:00:00:000 ");  // 25 hours
    EXPECT_EQ(shell::frame_time_text(37800100), "10:30:00:100 ");
    EXPECT_EQ(shell::frame_time_text(-1), "00:00:00:65535 ");  // -1 % 1000 as unsigned 16 bits
}

// Every row of the state table, in one session. Inside playback a click arrives at
// the loop's next pass: a dump in the same sleep shows the state before it.
TEST_F(PlaybackScript, StatesAndTheirButtonImages) {
    const ScriptRun r = run(R"(
dump
button Stop
button Step
dump
button Start
dump
button Start
dump
wait 1
dump
wait 3
dump
button Step
wait 2
dump
button Start
wait 3
dump
key Escape
wait 2
dump
button Start
wait 2
dump
button Stop
wait 1
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 11u);
    const auto& d = r.dumps;
    // Idle: Stop and Step change nothing.
    EXPECT_EQ(images(d[0]), kStopped);
    EXPECT_EQ(d[1], d[0]);
    // Idle -> Running: the script goes on inside the first sleep, after the first tick.
    EXPECT_EQ(d[2].at("playing") + d[2].at("paused"), "10");
    EXPECT_EQ(images(d[2]), kRunning);
    EXPECT_EQ(frame(d[2]), frame(d[0]) + 1);
    // Running -> Held: not yet in the same sleep; at the next pass the play
    // triangle and a clock that stands.
    EXPECT_EQ(d[3], d[2]);
    EXPECT_EQ(d[4].at("paused"), "1");
    EXPECT_EQ(images(d[4]), kStopped);
    EXPECT_EQ(frame(d[5]), frame(d[4]));
    // Held: Step ticks exactly once.
    EXPECT_EQ(frame(d[6]), frame(d[5]) + 1);
    EXPECT_EQ(d[6].at("paused"), "1");
    // Held -> Running.
    EXPECT_EQ(d[7].at("paused"), "0");
    EXPECT_EQ(images(d[7]), kRunning);
    EXPECT_GT(frame(d[7]), frame(d[6]));
    // Escape holds with the look of the held state, as Start does; Start resumes.
    EXPECT_EQ(d[8].at("paused"), "1");
    EXPECT_EQ(images(d[8]), kStopped);
    EXPECT_EQ(d[9].at("paused"), "0");
    // Stop: the stopped images, and the loop takes the stop in the same pass; the
    // script resumes in the sleep that ends playback.
    EXPECT_EQ(images(d[10]), kStopped);
    EXPECT_EQ(d[10].at("playing") + d[10].at("paused"), "00");
}

TEST_F(PlaybackScript, StepWhileRunningIsDroppedAndStopWhileHeldEnds) {
    const ScriptRun r = run(R"(
button Start
wait 2
dump
button Step
wait 1
dump
button Start
wait 1
button Stop
wait 1
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 3u);
    EXPECT_EQ(frame(r.dumps[1]), frame(r.dumps[0]) + 1);  // the tick of the pass alone
    EXPECT_EQ(r.dumps[2].at("playing") + r.dumps[2].at("paused"), "00");
    EXPECT_EQ(images(r.dumps[2]), kStopped);
}

// Only WM_COMMAND 230..233 to the main window are the loop's codes: a command
// whose id merely ends in the byte 231 does not hold playback.
TEST_F(PlaybackScript, OnlyTheLoopsOwnCodesControlIt) {
    const ScriptRun r = run(R"(
button Start
wait 1
command 487
wait 2
dump
command 231
wait 2
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 2u);
    EXPECT_EQ(r.dumps[0].at("paused"), "0");
    EXPECT_EQ(r.dumps[1].at("paused"), "1");
}

// With 100 frames a step the loads leave the clock at 5100, and the data ends at
// the 12th tick: back to the start, with the history emptied, and playback goes on.
TEST_F(PlaybackScript, WrapsAroundAtTheEndWithTheHistoryEmptied) {
    const ScriptRun r = run(R"(
button Start
wait 10
dump
wait 1
dump
wait 2
dump
)",
                            {"--frame-step", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 3u);
    EXPECT_EQ(frame(r.dumps[0]), 6199);  // the last frame, reached by a short step
    EXPECT_GT(std::stoi(r.dumps[0].at("history")), 100);
    EXPECT_EQ(frame(r.dumps[1]), 5100);  // sought to the start, one step of 100 on
    EXPECT_EQ(r.dumps[1].at("history"), "0");
    EXPECT_EQ(r.dumps[2].at("playing"), "1");
    EXPECT_EQ(frame(r.dumps[2]), 5300);
}

TEST_F(PlaybackScript, JumpIdleHeldAndRunning) {
    const ScriptRun r = run(R"(
key Right
key Right
frame 5100
button Jump
dump
frame 5050
button Jump
dump
frame 99999
button Jump
dump
frame  -3x
button Jump
dump
button Start
wait 1
frame 5010
button Jump
wait 1
dump
button Start
wait 1
frame 5300
button Jump
wait 1
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 6u);
    const auto& d = r.dumps;
    EXPECT_EQ(d[0].at("frame_no"), "5100");  // forward, to the frame typed
    EXPECT_EQ(frame(d[0]), 5100);
    EXPECT_LT(std::stoi(d[0].at("history")), 15);  // emptied, then one paint
    EXPECT_EQ(d[1].at("frame_no"), "5050");        // back: from the start again
    EXPECT_EQ(frame(d[2]), 6199);                  // past the end: the last frame
    EXPECT_EQ(frame(d[3]), 5001);                  // "-3x" reads -3: the start, no step
    // Running: the typed number outlives the refreshes of the ticks; the jump at the
    // next pass, then that pass's tick.
    EXPECT_EQ(frame(d[4]), 5011);
    EXPECT_EQ(d[4].at("playing"), "1");
    // Held: no tick after it.
    EXPECT_EQ(d[5].at("paused"), "1");
    EXPECT_EQ(frame(d[5]), 5300);
}

TEST_F(PlaybackScript, KeysOfTheMainWindow) {
    const ScriptRun r = run(R"(
key Right
dump
key Left
dump
key Right
key Right
key Home
dump
key Space
dump
key Right
wait 1
dump
key Escape
wait 1
key Right
wait 2
dump
key Left
wait 1
dump
key Home
wait 1
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 8u);
    const auto& d = r.dumps;
    EXPECT_EQ(frame(d[0]), 5002);  // idle: one tick at once
    EXPECT_EQ(d[0].at("frame_no"), "5002");
    EXPECT_EQ(frame(d[1]), 5001);             // and one back
    EXPECT_EQ(frame(d[2]), 5001);             // Home: the start as a load leaves it
    EXPECT_EQ(d[3].at("playing"), "1");       // Space: the Start button
    EXPECT_EQ(frame(d[4]), frame(d[3]) + 1);  // running: Right does nothing
    EXPECT_EQ(d[5].at("paused"), "1");
    EXPECT_EQ(frame(d[5]), frame(d[4]) + 1);  // held: Right is the Step button
    EXPECT_EQ(frame(d[6]), frame(d[5]) - 1);  // held: Left goes back at once
    EXPECT_EQ(frame(d[7]), 5001);             // Home in every state
    EXPECT_EQ(d[7].at("paused"), "1");
}

TEST_F(PlaybackScript, ALoadDuringPlaybackReplacesTheDialogAndPlaybackGoesOn) {
    const std::string traj = std::string(SCENE_SOURCE_DIR) + "/examples/scene.traj";
    const ScriptRun r = run("button Start\nwait 5\ncommand 21 " + traj +
                            "\nwait 3\ndump\nbutton Stop\nwait 1\ndump\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 2u);
    // Reloaded: the clock restarted; the new dialog shows the stopped look and
    // gets the texts of the ticks since.
    EXPECT_EQ(r.dumps[0].at("playing"), "1");
    EXPECT_EQ(images(r.dumps[0]), kStopped);
    EXPECT_LT(frame(r.dumps[0]), 5006);
    EXPECT_EQ(std::stoi(r.dumps[0].at("frame_no")), frame(r.dumps[0]) - 1);
    EXPECT_EQ(r.dumps[1].at("playing"), "0");  // its Stop ends playback
}

// Each `command` line's path answers that command's own file dialog, and a command
// without one has its dialog cancelled, even when the loop takes both commands at
// its next pass: Load Mov cancelled keeps the scene, Load Vehile Pose loads the pose.
TEST_F(PlaybackScript, EachCommandLineAnswersOnlyItsOwnFileDialog) {
    const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples/";
    const struct {
        const char* state;
        std::string before;
    } states[] = {
        {"idle", ""},
        {"playing", "button Start\nwait 2\n"},
        {"held", "button Start\nwait 2\nbutton Start\nwait 2\n"},
    };
    const struct {
        const char* what;
        std::string lines;
    } orders[] = {
        {"mov cancelled, then pose", "command 21\ncommand 20 " + examples + "scene.nav\n"},
        {"pose cancelled, then mov", "command 20\ncommand 21 " + examples + "scene.traj\n"},
    };
    for (const auto& s : states) {
        for (const auto& o : orders) {
            const ScriptRun r = run(s.before + o.lines + "wait 2\ndump\n");
            ASSERT_EQ(r.status, 0) << s.state << ", " << o.what << ": " << r.err;
            EXPECT_EQ(r.err, "") << s.state << ", " << o.what;  // no load failed
            ASSERT_EQ(r.dumps.size(), 1u) << s.state << ", " << o.what;
            EXPECT_GE(frame(r.dumps[0]), 5001) << s.state << ", " << o.what;  // scene kept
        }
    }
}

// The close box while playing closes in one action; lines after the close never run.
TEST_F(PlaybackScript, ClosingWhilePlayingEndsTheProgram) {
    const ScriptRun closed = run("button Start\nwait 3\ncommand 24\nwait 5\ndump\n");
    EXPECT_EQ(closed.status, 0) << closed.err;
    EXPECT_TRUE(closed.dumps.empty());
    // The end of a script closes the window as the close box would, also mid-play.
    const ScriptRun ended = run("button Start\nwait 2\n");
    EXPECT_EQ(ended.status, 0) << ended.err;
}

TEST_F(PlaybackScript, BadScriptsAndFailedLoads) {
    const ScriptRun unknown = run("dump\nbutton Pause\n");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.dumps.empty());  // nothing runs
    EXPECT_NE(unknown.err.find("line 2: button needs Start, Stop, Step or Jump"), std::string::npos)
        << unknown.err;
    const ScriptRun failed = run("dump\n", {"--org", dir.file("missing.txt")});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.dumps.empty());
    EXPECT_NE(failed.err.find("Open data failure : " + dir.file("missing.txt")), std::string::npos);
}

// Return in the Frame # box jumps as the Jump button does; a number typed and not
// taken stands only until the clock is moved by hand.
TEST_F(PlaybackScript, ReturnInFrameBoxJumps) {
    const ScriptRun r = run(R"(
frame 5100
key Return
dump
frame 5200
key Right
dump
frame 5300
key Home
dump
)");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.dumps.size(), 3u);
    EXPECT_EQ(frame(r.dumps[0]), 5100);
    EXPECT_EQ(r.dumps[0].at("frame_no"), "5100");
    EXPECT_EQ(frame(r.dumps[1]), 5101);
    EXPECT_EQ(r.dumps[1].at("frame_no"), "5200");  // Right keeps what was typed
    EXPECT_EQ(r.dumps[2].at("frame_no"), "5001");  // Home: the clock's frame again
}
