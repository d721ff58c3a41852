#include "analysis/plots.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/traj_store.h"
#include "platform/draw_record.h"
#include "platform/headless.h"

namespace {

using analysis::Measure;
using analysis::PlotScale;

TEST(PlotScales, TimesAndValuesMapOntoTheAreaAndBack) {
    PlotScale s;
    s.area = plat::Rect{50, 10, 151, 61};  // 101 x 51 pixels
    s.t0 = 0, s.t1 = 10, s.v0 = 0, s.v1 = 5;
    const struct {
        double t;
        int x;
    } times[] = {{0, 50}, {5, 100}, {10, 150}, {2.5, 75}};
    for (const auto& c : times) {
        EXPECT_EQ(analysis::x_of_time(s, c.t), c.x) << c.t;
        EXPECT_DOUBLE_EQ(analysis::time_of_x(s, c.x), c.t) << c.x;
    }
    // Clicks beside the area clamp to its ends.
    EXPECT_EQ(analysis::time_of_x(s, 0), 0);
    EXPECT_EQ(analysis::time_of_x(s, 999), 10);
    const struct {
        double v;
        int y;
    } values[] = {{0, 60}, {5, 10}, {2.5, 35}, {-3, 60}, {99, 10}};
    for (const auto& c : values) EXPECT_EQ(analysis::y_of_value(s, c.v), c.y) << c.v;
}

TEST(PlotScales, NiceCeilingsAndPanelsThatFit) {
    const struct {
        double v, top;
    } cases[] = {{0, 1}, {-4, 1},   {0.7, 1}, {1, 1},  {1.2, 2},
                 {3, 5}, {7.5, 10}, {26, 50}, {10, 10}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(analysis::nice_ceiling(c.v), c.top) << c.v;

    const std::vector<plat::Rect> areas = analysis::plot_areas(plat::Size{600, 400}, 4);
    ASSERT_EQ(areas.size(), 4u);
    for (size_t i = 0; i < areas.size(); ++i) {
        EXPECT_GT(areas[i].height(), 0);
        EXPECT_LE(areas[i].right, 600);
        if (i > 0) {
            EXPECT_GT(areas[i].top, areas[i - 1].bottom);  // stacked, apart
        }
    }
    EXPECT_LE(areas.back().bottom, 400 - 14);  // room for the time labels
    EXPECT_TRUE(analysis::plot_areas(plat::Size{600, 60}, 4).empty());
}

// Rows every 100 ms from frame 1; lead 3 for the first half, then 4.
std::vector<Measure> rows(int n) {
    std::vector<Measure> out;
    for (int i = 0; i < n; ++i) {
        Measure m;
        m.frame = i + 1;
        m.time_ms = 5000 + 100 * i;
        m.ego_speed = 10.0;
        m.lead_index = i < n / 2 ? 0 : 1;
        m.lead_id = i < n / 2 ? 3 : 4;
        m.gap = 30.0 - 0.2 * i;
        m.thw = *m.gap / 10;
        if (i % 2) m.ttc = 40.0;  // beyond the clip
        out.push_back(m);
    }
    return out;
}

TEST(PlotSet, PanelsThresholdsClipAndLeadChanges) {
    const analysis::PlotSet set = analysis::make_plot_set(rows(100));
    ASSERT_EQ(set.panels.size(), 4u);
    EXPECT_EQ(set.times.front(), 0);
    EXPECT_DOUBLE_EQ(set.times.back(), 9.9);
    EXPECT_EQ(set.lead_changes, std::vector<size_t>{50});
    EXPECT_EQ(set.panels[2].thresholds, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(set.panels[3].thresholds, (std::vector<double>{1.5, 3.0}));
    // The TTC panel tops out at the clip, not at the 40 s values.
    const PlotScale ttc = analysis::panel_scale(set, 3, plat::Rect{0, 0, 100, 50});
    EXPECT_EQ(ttc.v1, 10);
    EXPECT_FALSE(set.panels[3].values[0]);
}

TEST(PlotSet, AClickFindsTheRowNearestInTimeAndTheCursorRowFollowsTheFrame) {
    const analysis::PlotSet set = analysis::make_plot_set(rows(100));
    const plat::Size client{600, 400};
    const std::vector<plat::Rect> areas = analysis::plot_areas(client, 4);
    for (size_t panel = 0; panel < 4; ++panel) {
        const PlotScale s = analysis::panel_scale(set, panel, areas[panel]);
        for (size_t row : {size_t{0}, size_t{37}, size_t{99}}) {
            const int x = analysis::x_of_time(s, set.times[row]);
            const auto hit = analysis::row_at_point(set, client, x, areas[panel].top + 5);
            ASSERT_TRUE(hit);
            // A pixel holds about a fifth of a row's time step at this width.
            EXPECT_EQ(*hit, row) << panel;
        }
    }
    EXPECT_FALSE(analysis::row_at_point(set, client, 2, areas[0].top + 5));  // the labels
    EXPECT_FALSE(analysis::row_at_point(analysis::PlotSet{}, client, 100, 100));
    EXPECT_EQ(analysis::row_of_frame(set, 1), 0u);
    EXPECT_EQ(analysis::row_of_frame(set, 50), 49u);
    EXPECT_EQ(analysis::row_of_frame(set, 5000), 99u);
    EXPECT_FALSE(analysis::row_of_frame(set, 0));
}

TEST(PlotDrawing, DrawsDashedThresholdsAndACursorThroughThePlatform) {
    ASSERT_TRUE(plat::start_platform({"headless"}));
    const plat::Dc canvas = plat::create_canvas(600, 400);
    const analysis::PlotSet set = analysis::make_plot_set(rows(100));
    analysis::draw_plots(canvas, plat::Size{600, 400}, set, 30);
    int dashed = 0, lines = 0;
    for (const auto& op : plat::headless::canvas_ops(canvas)) {
        if (op.op == plat::Op::LineTo) {
            ++lines;
            if (op.pen_info.style == plat::PenStyle::Dash) ++dashed;
        }
    }
    EXPECT_EQ(dashed, 4);  // two thresholds on each of the THW and TTC panels
    EXPECT_GT(lines, 100);
    plat::delete_dc(canvas);
    plat::stop_platform();
}

}  // namespace

namespace {

TEST(PlotSet, VehicleSpeedPanelFollowsTheTrajectoryWithinAFrame) {
    // Trajectory 9: frames 10 .. 29 at 1 + frame/10 m/s (speeds as given; the
    // cleaning recomputes them from the positions, so the positions match).
    std::string traj = "tno=9\n";
    double y = 0;
    for (int f = 10; f < 30; ++f) {
        const double v = 1 + f / 10.0;
        traj += std::to_string(1000 + 100 * f) + "," + std::to_string(f) + ",0," +
                std::to_string(y) + ",4,2,0,1,0,0,0,1," + std::to_string(v) + "\n";
        y += v * 0.1;
    }
    TrajStore store;
    ASSERT_EQ(read_traj_text(traj, store), TrajReadStatus::Ok);
    analysis::PlotSet set;
    set.frames = {5, 9, 10, 20, 29, 30, 31};
    const analysis::PlotPanel p = analysis::vehicle_speed_panel(store, 0, set);
    EXPECT_EQ(p.title, "Vehicle 9 speed [m/s]");
    ASSERT_EQ(p.values.size(), 7u);
    const bool present[] = {false, true, true, true, true, true, false};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(p.values[i].has_value(), present[i]) << set.frames[i];
    EXPECT_EQ(p.values[1], p.values[2]);  // frame 9 shows frame 10's sample
    EXPECT_EQ(p.values[4], p.values[5]);  // frame 30 shows frame 29's
    EXPECT_TRUE(analysis::vehicle_speed_panel(store, 1, set).values.empty());
}

}  // namespace
