// The labelling tool's picture, as the recording device context sees it.
#include "labelling/sample_painter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "labelling/labelling.h"
#include "labelling/samples.h"
#include "platform/headless.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/view.h"
#include "resources/resources.h"
#include "tests/support/temp_folder.h"

namespace {

using plat::DrawOp;
using plat::Op;

class SamplePainter : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(plat::start_platform({"headless"}));
        plat::use_resources(&resources::vantrel());
        labelling::vantrel_renderer_startup(view);
        render::ResetView(view.state, plat::Size{720, 480}, render::kVantrelInitialScale);
        render::BuildTrigTables();
    }
    void TearDown() override {
        for (plat::Dc dc : canvases) plat::delete_dc(dc);
        labelling::vantrel_renderer_shutdown(view);
        plat::stop_platform();
    }
    // Poses at the given times along +y at 10 m/s (y in metres from 0).
    void load_track(const std::vector<std::pair<int, double>>& poses) {
        std::string text;
        for (const auto& [t, y] : poses)
            text += std::to_string(t) + " 0 0 0 0 " + std::to_string(y) + " 0\n";
        ASSERT_EQ(load_vantrel_pose_track(session, dir.write("ego.nav", text)), 1);
        update_pose_period(session);
        refresh_all_samples(session);
    }
    void load_samples(const std::string& text) {
        ASSERT_EQ(load_sample_file(session.samples, dir.write("samples.txt", text)), 1);
        refresh_all_samples(session);
    }
    LabelState& state() { return session.state; }
    const std::vector<DrawOp>& paint() {
        canvases.push_back(plat::create_canvas(720, 480));
        labelling::paint_vantrel(session, view, canvases.back(), plat::Size{720, 480});
        return plat::headless::canvas_ops(canvases.back());
    }
    // The calls with the pen of colour c.
    static std::vector<DrawOp> with_pen(const std::vector<DrawOp>& ops, Op op, plat::Color c) {
        std::vector<DrawOp> out;
        for (const DrawOp& o : ops)
            if (o.op == op && o.pen_info.color == c) out.push_back(o);
        return out;
    }
    // Where pose j of sample k is drawn.
    plat::Point at_pose(int k, int j) {
        const TrackSample& s = session.samples.records[static_cast<size_t>(k)];
        const LocalPose& l = session.local[static_cast<size_t>(j)];
        return render::project_point(
            view, Vec2{l.local_x * view.settings.yxFactor, l.local_y},
            (pose_at(session.pose, j)->time_ms - s.start_ms) / view.settings.msPerMeter);
    }
    static std::vector<std::pair<int, double>> every(int from, int to, int step) {
        std::vector<std::pair<int, double>> poses;
        for (int t = from; t <= to; t += step) poses.push_back({t, (t - from) / 100.0});
        return poses;
    }

    LabelSession session;
    render::View view;
    test_support::TempFolder dir;
    std::vector<plat::Dc> canvases;
};

const plat::Color kLightGrey = plat::rgb(200, 200, 200), kGrey = plat::rgb(128, 128, 128),
                  kGreen = plat::rgb(0, 255, 0), kRed = plat::rgb(255, 0, 0),
                  kYellow = plat::rgb(255, 255, 0), kCyan = plat::rgb(0, 255, 255),
                  kPurple = plat::rgb(128, 0, 128);

}  // namespace

// Labels 0 to 4 in order, each in its colour; label 7 only while it is labelled;
// deleted samples and the Traj Gen track dotted light grey, the Traj Gen (record 0,
// label 4) in the last pass, before the samples labelled 4.
TEST_F(SamplePainter, OverviewColoursByLabelAndTheTrajGenLast) {
    load_track(every(1000, 20000, 100));
    load_samples(
        "1 2000 3000 3\n2 4000 5000 0\n3 6000 7000 7\n4 8000 9000 2\n5 10000 11000 4\n"
        "6 12000 13000 1\n");
    ASSERT_EQ(load_traj_gen(session.traj_gen, dir.write("gen.txt", "0 0 0\n100 1 2\n200 2 4\n")),
              1);
    whole_track_record_from_traj_gen(session);
    session.samples.records[6].active = 0;  // sample 6, label 1, deleted
    state().play_step = 100;
    const std::vector<DrawOp>& ops = paint();
    std::vector<plat::Color> order;
    std::vector<plat::PenStyle> styles;
    for (const DrawOp& o : ops) {
        // The sample pens: two pixels wide, or the light-grey dotted one (not the grid's).
        const bool sample_pen = o.pen_info.width == 2 || (o.pen_info.style == plat::PenStyle::Dot &&
                                                          o.pen_info.color == kLightGrey);
        if (o.op != Op::LineTo || !sample_pen || o.pen_info.color == kGrey) continue;
        if (order.empty() || order.back() != o.pen_info.color ||
            styles.back() != o.pen_info.style) {
            order.push_back(o.pen_info.color);
            styles.push_back(o.pen_info.style);
        }
    }
    ASSERT_EQ(order.size(), 6u);
    EXPECT_EQ(order[0], kLightGrey);  // label 0
    EXPECT_EQ(styles[0], plat::PenStyle::Solid);
    EXPECT_EQ(order[1], kLightGrey);  // label 1, deleted: the dotted light grey
    EXPECT_EQ(styles[1], plat::PenStyle::Dot);
    EXPECT_EQ(order[2], kGreen);
    EXPECT_EQ(order[3], kRed);
    EXPECT_EQ(styles[4], plat::PenStyle::Dot);  // the Traj Gen record
    EXPECT_EQ(order[5], kYellow);
    EXPECT_TRUE(with_pen(ops, Op::LineTo, kCyan).empty());  // label 7 is left out

    state().labelling = true;
    state().current_sample = 3;  // the label 7 sample, when it is worked on
    EXPECT_FALSE(with_pen(paint(), Op::LineTo, kCyan).empty());
}

// Poses 40 ms apart: the overview leaves out those within 100 ms of the last drawn,
// but always ends on the step's pose, with its circle and identifier there.
TEST_F(SamplePainter, OverviewThinsToATenthOfASecondAndEndsOnTheStep) {
    load_track(every(1000, 5000, 40));
    load_samples("9 1000 5000 3\n");
    view.settings.flags |= render::SHOW_TRAJ_ID_VANTREL;
    state().play_step = 20;  // pose 20, at 1800 ms
    const std::vector<DrawOp>& ops = paint();
    const std::vector<DrawOp> lines = with_pen(ops, Op::LineTo, kRed);
    // Drawn: 0, 120, 240, ... 720 ms (poses 0, 3, ..., 18), then pose 20.
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.back().points[1], at_pose(1, 20));
    EXPECT_EQ(lines[0].points[1], at_pose(1, 3));
    const std::vector<DrawOp> circles = with_pen(ops, Op::Ellipse, kRed);
    ASSERT_EQ(circles.size(), 1u);
    const plat::Point c = at_pose(1, 20);
    EXPECT_EQ(circles[0].points[0], (plat::Point{c.x - 4, c.y - 4}));
    bool identifier = false;
    for (const DrawOp& o : ops) identifier |= o.op == Op::Text && o.text == "9";
    EXPECT_TRUE(identifier);
}

// A point more than 100 pixels left of the last one drawn is not joined.
TEST_F(SamplePainter, OverviewDoesNotJoinAJumpBackOfMoreThanAHundredPixels) {
    auto poses = every(1000, 3000, 100);
    poses[10].second = -30;  // 30 m back: about 180 pixels left at the start zoom
    load_track(poses);
    load_samples("1 1000 3000 2\n");
    state().play_step = 100;
    const std::vector<DrawOp> lines = with_pen(paint(), Op::LineTo, kGreen);
    ASSERT_EQ(lines.size(), 19u);  // 20 poses after the first, one of them not joined
    for (const DrawOp& o : lines) EXPECT_NE(o.points[1], at_pose(1, 10));
}

// Labelling: the current sample alone, margin_poses poses before its first pose to
// margin_poses - 1 after its last, circles at its first and last pose.
TEST_F(SamplePainter, LabellingShowsTheCurrentSampleWithItsMargins) {
    load_track(every(1000, 6000, 100));
    load_samples("1 2000 3000 2\n2 4000 5000 3\n");
    state().labelling = true;
    state().current_sample = 2;
    state().margin_poses = 4;
    refresh_sample(session, 2);  // poses 30 .. 40
    const std::vector<DrawOp>& ops = paint();
    EXPECT_TRUE(with_pen(ops, Op::LineTo, kGreen).empty());
    const std::vector<DrawOp> lines = with_pen(ops, Op::LineTo, kRed);
    ASSERT_EQ(lines.size(), 17u);  // poses 26 .. 43
    EXPECT_EQ(lines.front().points[0], at_pose(2, 26));
    EXPECT_EQ(lines.back().points[1], at_pose(2, 43));
    const std::vector<DrawOp> circles = with_pen(ops, Op::Ellipse, kRed);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].points[1], (plat::Point{at_pose(2, 30).x + 4, at_pose(2, 30).y + 4}));
    EXPECT_EQ(circles[1].points[1], (plat::Point{at_pose(2, 40).x + 4, at_pose(2, 40).y + 4}));
}

// The ego car stands unrotated and unstretched at the origin, after the samples.
TEST_F(SamplePainter, EgoIconAtTheOriginLast) {
    load_track(every(1000, 3000, 100));
    load_samples("1 1000 2000 2\n");
    const std::vector<DrawOp>& ops = paint();
    std::vector<DrawOp> polygons;
    for (const DrawOp& o : ops)
        if (o.op == Op::Polygon) polygons.push_back(o);
    ASSERT_EQ(polygons.size(), 5u);  // the body and four wheels
    EXPECT_EQ(polygons[0].brush_info.color, kYellow);
    EXPECT_EQ(polygons[0].pen_info.color, plat::rgb(0, 0, 0));
    EXPECT_EQ(polygons[0].points[0], render::project_point(view, Vec2{-0.421, 2.928}, 0));
    EXPECT_EQ(polygons[4].pen_info.color, kPurple);
    EXPECT_EQ(polygons[4].brush_info.color, plat::rgb(0, 0, 0));
    // Only the status line (its strip and its text) follows the car.
    size_t last_polygon = 0;
    for (size_t k = 0; k < ops.size(); ++k)
        if (ops[k].op == Op::Polygon) last_polygon = k;
    for (size_t k = last_polygon + 1; k < ops.size(); ++k)
        EXPECT_TRUE(ops[k].op == Op::FillRect || ops[k].op == Op::Text) << k;
    EXPECT_EQ(with_pen(ops, Op::Ellipse, kPurple).size(), 1u);  // the centre marker
}
