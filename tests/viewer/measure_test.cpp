// The measurements in the viewer: the CSV of --metrics byte for byte, the script's
// dump and plot lines, the plots window's click that seeks, the lead mark and the
// Lane Half Width field.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "analysis/measure.h"
#include "analysis/plots.h"
#include "platform/draw_record.h"
#include "shell/display_menu.h"
#include "tests/shell/window/shell_fixture.h"
#include "tests/support/main_run.h"
#include "viewer/plots_window.h"
#include "viewer/plovane_cli.h"
#include "viewer/plovane_playback.h"
#include "viewer/selection.h"

namespace {

using namespace shell_test;

// Ego: 30 poses, 100 ms apart from 1000 ms, driving along y at 10 m/s. Vehicle 4
// drives beside it in the next lane the whole time; vehicle 7 runs 30 m ahead at the
// ego's speed from frame 11 on.
struct MeasuredScene {
    std::string ego, traj;
};

MeasuredScene write_scene(test_support::TempFolder& dir) {
    std::string pose;
    for (int i = 0; i < 30; ++i)
        pose += std::to_string(1000 + 100 * i) + " 0 0 0 0 " + std::to_string(i) + " 0\n";
    std::string traj;
    auto vehicle = [&traj](int id, int first, double ego_x, double ego_y) {
        traj += "tno=" + std::to_string(id) + "\n";
        for (int f = first; f <= 30; ++f) {
            const double y = (f - 1) + ego_y;
            std::ostringstream line;
            line << 1000 + 100 * (f - 1) << ',' << f << ',' << ego_x << ',' << y << ",4.6,1.8,0,1,"
                 << ego_x << ',' << ego_y << ",0,1,10\n";
            traj += line.str();
        }
    };
    vehicle(4, 1, 3.5, 5);
    vehicle(7, 11, 0, 30);
    return {dir.write("measured.nav", pose), dir.write("measured.traj", traj)};
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(MetricsCsv, OneRowPerClockStepByteForByte) {
    test_support::TempFolder dir;
    const MeasuredScene scene = write_scene(dir);
    const std::string out = dir.path() + "/metrics.csv";
    const test_support::MainRun r = test_support::run_main(
        plovane_cli_main, "plovane", {"--ego", scene.ego, "--traj", scene.traj, "--metrics", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::string expected = "frame,time_ms,ego_speed,lead_id,gap_m,thw_s,ttc_s\n";
    // The loads leave the clock one step after the first frame, as --trace-clock
    // shows; a trajectory is visible from one frame before its first sample.
    for (int f = 2; f <= 30; ++f) {
        expected += std::to_string(f) + "," + std::to_string(1000 + 100 * (f - 1)) + ",10.000000,";
        if (f >= 10)
            expected += "7,25.600000,2.560000,";  // same speed: no TTC
        else
            expected += ",,,";
        expected += "\n";
    }
    EXPECT_EQ(read_file(out), expected);

    // The steps are those of --trace-clock: one row per row of its trace.
    const test_support::MainRun trace = test_support::run_main(
        plovane_cli_main, "plovane", {"--ego", scene.ego, "--traj", scene.traj, "--trace-clock"});
    EXPECT_EQ(std::count(trace.out.begin(), trace.out.end(), '\n') - 2, 29);

    // A wider lane takes vehicle 4, nearer, as the lead from the start.
    test_support::run_main(
        plovane_cli_main, "plovane",
        {"--ego", scene.ego, "--traj", scene.traj, "--metrics", out, "--lane-half-width", "3.5"});
    const std::string wide = read_file(out);
    EXPECT_NE(wide.find("\n2,1100,10.000000,4,0.600000,0.060000,\n"), std::string::npos) << wide;
}

TEST(MetricsCsv, AFileThatCannotBeWrittenFailsAndLeavesNothing) {
    test_support::TempFolder dir;
    const MeasuredScene scene = write_scene(dir);
    const std::string out = dir.path() + "/missing/metrics.csv";
    const test_support::MainRun r = test_support::run_main(
        plovane_cli_main, "plovane", {"--ego", scene.ego, "--traj", scene.traj, "--metrics", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot write " + out), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(out).good());
}

TEST(MeasureScript, DumpShowsTheLeadAndPlotClicksSeek) {
    test_support::TempFolder dir;
    const MeasuredScene scene = write_scene(dir);
    // The plots window opens at 720 x 560 outer size; its panels span the width, so a
    // click in the middle of the first panel lands half-way through the scene.
    const std::string script =
        "dump\n"
        "command 76\n"
        "plot 380 40\n"
        "dump\n";
    const test_support::MainRun r = test_support::run_main(
        plovane_cli_main, "plovane",
        {"--ego", scene.ego, "--traj", scene.traj, "--script", dir.write("s.script", script)});
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t second = r.out.find('\n') + 1;
    const std::string first_dump = r.out.substr(0, second - 1);
    const std::string last_dump = r.out.substr(second);
    EXPECT_NE(first_dump.find("current_frame=2 "), std::string::npos) << first_dump;
    EXPECT_NE(first_dump.find(" lead=-1 gap= thw= ttc="), std::string::npos) << first_dump;
    EXPECT_EQ(last_dump.find("current_frame=2 "), std::string::npos) << last_dump;
    EXPECT_NE(last_dump.find(" lead=7 gap=25.600 thw=2.560 ttc=\n"), std::string::npos)
        << last_dump;
}

class PlotsWindow : public ShellSession {
  protected:
    void SetUp() override {
        ShellSession::SetUp();
        const MeasuredScene s = write_scene(dir);
        shell::LoadEgoCommand(*viewer, s.ego);
        shell::LoadMovCommand(*viewer, s.traj);
        run();
    }
};

TEST_F(PlotsWindow, AClickSeeksToTheFrameUnderItAsJumpDoes) {
    menu(ids::IDM_PLOTS);
    const plat::Hwnd plots = viewer->measuring.plots;
    ASSERT_TRUE(plat::is_window(plots));
    EXPECT_TRUE(hl::is_visible(plots));
    const analysis::PlotSet& set = viewer->measuring.series;
    ASSERT_EQ(set.frames.size(), 29u);
    const plat::Size client = plat::get_client_size(plots);
    const std::vector<plat::Rect> areas = analysis::plot_areas(client, 4);
    ASSERT_EQ(areas.size(), 4u);
    for (size_t row : {size_t{20}, size_t{5}, size_t{28}}) {
        const analysis::PlotScale s = analysis::panel_scale(set, 2, areas[2]);
        hl::mouse_down(plots, hl::Button::Left, analysis::x_of_time(s, set.times[row]),
                       areas[2].top + 3);
        run();
        EXPECT_EQ(scene().store.current_frame, set.frames[row]) << row;
        EXPECT_EQ(plat::get_dlg_item_text(app().frameControl, ids::IDC_FRAME_NO),
                  std::to_string(set.frames[row]));
    }
    // Outside the panels nothing moves.
    const int32_t frame = scene().store.current_frame;
    hl::mouse_down(plots, hl::Button::Left, 2, 2);
    run();
    EXPECT_EQ(scene().store.current_frame, frame);

    // The cursor follows a clock moved elsewhere; closing forgets the window.
    hl::clear_logs();
    shell::jump_to_frame(*viewer, 3);
    run();
    EXPECT_EQ(viewer->measuring.plotted_frame, 3);
    hl::click_close_box(plots);
    run();
    EXPECT_FALSE(viewer->measuring.plots);
    menu(ids::IDM_PLOTS);
    EXPECT_TRUE(plat::is_window(viewer->measuring.plots));
}

// A selected vehicle adds a fifth panel, its speed; another selection swaps it, the
// ego or none removes it, and the measured four are not computed again meanwhile.
TEST_F(PlotsWindow, TheSelectedVehiclesSpeedIsTheFifthPanel) {
    menu(ids::IDM_PLOTS);
    run();
    auto titles = [this] {
        std::vector<std::string> t;
        for (const analysis::PlotPanel& p : viewer->measuring.series.panels) t.push_back(p.title);
        return t;
    };
    ASSERT_EQ(titles().size(), 4u);
    const std::string gap_title = titles()[1];
    ASSERT_TRUE(shell::select_by_name(*viewer, "7"));
    run();
    ASSERT_EQ(titles().size(), 5u);
    EXPECT_EQ(titles()[4], "Vehicle 7 speed [m/s]");
    EXPECT_EQ(viewer->measuring.series.panels[4].values.size(), 29u);
    viewer->measuring.series.panels[1].title = "kept";  // recomputed it would come back
    ASSERT_TRUE(shell::select_by_name(*viewer, "4"));
    run();
    ASSERT_EQ(titles().size(), 5u);
    EXPECT_EQ(titles()[4], "Vehicle 4 speed [m/s]");
    EXPECT_EQ(titles()[1], "kept");
    ASSERT_TRUE(shell::select_by_name(*viewer, "ego"));
    run();
    EXPECT_EQ(titles().size(), 4u);
    // A new scene measures anew, with the selection's panel again.
    ASSERT_TRUE(shell::select_by_name(*viewer, "7"));
    shell::measurements_changed(*viewer);
    run();
    ASSERT_EQ(titles().size(), 5u);
    EXPECT_EQ(titles()[1], gap_title);
}

TEST_F(PlotsWindow, MarkLeadDrawsATriangleOverTheLeadOnly) {
    shell::jump_to_frame(*viewer, 14);
    run();
    auto triangles = [this] {
        int n = 0;
        for (const plat::DrawOp& op : hl::window_ops(main))
            n += op.op == plat::Op::Polygon && op.points.size() == 3;
        return n;
    };
    EXPECT_EQ(triangles(), 0);
    menu(ids::IDM_MARK_LEAD);
    EXPECT_TRUE(checked(ids::IDM_MARK_LEAD));
    EXPECT_EQ(triangles(), 1);
    menu(ids::IDM_MARK_LEAD);
    EXPECT_FALSE(checked(ids::IDM_MARK_LEAD));
    EXPECT_EQ(triangles(), 0);
}

TEST(LaneHalfWidthField, ReadAndRefusedLikeTheOtherFactors) {
    std::vector<std::string> texts =
        shell::format_display_fields(render::plovane_display_defaults(), ClockSettings{}, 8);
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[7], "1.75");
    for (const auto& [text, refused] : std::vector<std::pair<std::string, bool>>{
             {"2.5", false}, {"0", true}, {"-1", true}, {"x", true}}) {
        texts[7] = text;
        const shell::ParsedDisplayFields p =
            shell::parse_display_fields(texts, render::plovane_display_defaults(), ClockSettings{});
        EXPECT_EQ(p.refusedId, refused ? 2108 : 0) << text;
        if (!refused) {
            EXPECT_EQ(p.settings.laneHalfWidth, 2.5);
        }
    }
}

}  // namespace
