#include "render/draw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "tests/render/render_fixture.h"

namespace {

using plat::headless::DrawOp;
using plat::headless::Op;
using render_test::RenderTest;

// Draws the axes on a fresh canvas and returns its ops.
std::vector<DrawOp> axes_ops() {
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_axes(dc);
    std::vector<DrawOp> ops = plat::headless::canvas_ops(dc);
    plat::delete_dc(dc);
    return ops;
}

std::vector<std::string> texts(const std::vector<DrawOp>& ops) {
    std::vector<std::string> out;
    for (const DrawOp& op : ops)
        if (op.op == Op::Text) out.push_back(op.text);
    return out;
}

std::vector<std::string> range(const std::vector<std::string>& v, size_t from, size_t count) {
    return std::vector<std::string>(v.begin() + from, v.begin() + from + count);
}

std::vector<std::string> numbers(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
}

void set_grid(int range_cm, int grid_cm) {
    render::DisplaySettings s = render::GetDisplaySettings();
    s.maxRangeX = range_cm;
    s.gridSizeX = grid_cm;
    render::SetDisplaySettings(s);
}

class DrawAxes : public RenderTest {};
class DrawGrid : public RenderTest {};
class PlacingOperations : public RenderTest {};
class DrawResources : public RenderTest {};

}  // namespace

TEST_F(DrawAxes, DefaultLabelsOfTheTopView) {
    const std::vector<std::string> t = texts(axes_ops());
    ASSERT_EQ(t.size(), 62u);  // 31 on X, 31 on Y, no time axis
    EXPECT_EQ(range(t, 0, 31),
              numbers({"-200", "-186", "-173", "-160", "-146", "-133", "-120",  "-106",
                       "-93",  "-80",  "-66",  "-53",  "-40",  "-26",  "-13",   "0",
                       "13",   "26",   "40",   "53",   "66",   "80",   "93",    "106",
                       "120",  "133",  "146",  "160",  "173",  "186",  "200(m)"}));
    EXPECT_EQ(t[31], "-300");
    EXPECT_EQ(t[32], "-280");
    EXPECT_EQ(t[46], "0");
    EXPECT_EQ(t[60], "280");
    EXPECT_EQ(t[61], "300(m)");
    for (const DrawOp& op : axes_ops()) {
        EXPECT_EQ(op.pen_info.color, plat::rgb(128, 128, 128));
        if (op.op == Op::Text) {
            EXPECT_EQ(op.text_color, plat::rgb(128, 128, 128));
        }
    }
}

TEST_F(DrawAxes, LabelsStandLeftOfAndBelowTheirPoint) {
    const std::vector<DrawOp> ops = axes_ops();
    // The first X label, "-200" (4 characters), belongs to world (-30000, 0, 0).
    const plat::Point p = render::WorldToScreen(-30000, 0, 0);
    for (const DrawOp& op : ops) {
        if (op.op != Op::Text) continue;
        EXPECT_EQ(op.points[0], (plat::Point{p.x - 40, p.y + 5}));
        break;
    }
}

TEST_F(DrawAxes, TimeAxisOnlyWhenTilted) {
    render::view_state().elevation = 60;
    const std::vector<DrawOp> ops = axes_ops();
    const std::vector<std::string> t = texts(ops);
    ASSERT_EQ(t.size(), 62u + 16u);
    EXPECT_EQ(range(t, 62, 16), numbers({"0", "10", "20", "30", "40", "50", "60", "70", "80", "90",
                                         "100", "110", "120", "130", "140", "150(s)"}));
    // Each time label stands right of and above its point, with a 10-pixel tick.
    const plat::Point p = render::WorldToScreen(0, 0, 2000);
    bool found = false;
    for (size_t i = 0; i + 2 < ops.size(); ++i) {
        if (ops[i].op == Op::Text && ops[i].text == "10") {
            EXPECT_EQ(ops[i].points[0], (plat::Point{p.x + 10, p.y - 10}));
            ASSERT_EQ(ops[i + 2].op, Op::LineTo);
            EXPECT_EQ(ops[i + 2].points, (std::vector<plat::Point>{p, {p.x + 10, p.y}}));
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(DrawAxes, NoUnitWhenTheGridDoesNotDivideTheRange) {
    set_grid(30000, 7000);  // -300, -230, ..., 260 m: 30000 is never reached
    const std::vector<std::string> t = texts(axes_ops());
    ASSERT_EQ(t.size(), 18u);
    for (const std::string& s : t) EXPECT_EQ(s.find('('), std::string::npos) << s;
    EXPECT_EQ(t[17], "260");
}

TEST_F(DrawAxes, NonPositiveGridDrawsAxesWithoutLabels) {
    for (int grid : {0, -2000}) {
        set_grid(30000, grid);
        render::view_state().elevation = 30;
        const std::vector<DrawOp> ops = axes_ops();
        EXPECT_TRUE(texts(ops).empty());
        int lines = 0;
        for (const DrawOp& op : ops) lines += op.op == Op::LineTo;
        EXPECT_EQ(lines, 3) << grid;  // the three axes, no ticks
    }
}

TEST_F(DrawAxes, HugeLabelsSaturateInsideTheirBuffer) {
    render::DisplaySettings s = render::GetDisplaySettings();
    s.maxRangeX = 2147483647;
    s.gridSizeX = 2147483647;
    s.yxFactor = 1e-300;  // i / 100 / F far beyond the int range
    render::SetDisplaySettings(s);
    const std::vector<std::string> t = texts(axes_ops());
    ASSERT_EQ(t.size(), 6u);  // -R, 0, R on each of X and Y; the loop stops without overflow
    EXPECT_EQ(t[0], "-2147483648");
    EXPECT_EQ(t[2], "2147483647(m)");
}

TEST(FormatAxisLabel, BothFlavours) {
    struct Case {
        double number;
        char unit;
        render::DrawFlavour flavour;
        const char* text;
    };
    const Case cases[] = {
        {-13.333, 0, render::DrawFlavour::Plovane, "-13"},
        {200.0, 'm', render::DrawFlavour::Plovane, "200(m)"},
        {150.0, 's', render::DrawFlavour::Plovane, "150(s)"},
        {0.0 / 0.0, 0, render::DrawFlavour::Plovane, "0"},
        {-30.0, 0, render::DrawFlavour::Vantrel, "-30.00"},
        {30.0, 'm', render::DrawFlavour::Vantrel, "30.00(m)"},
        {1e40, 'm', render::DrawFlavour::Vantrel, "1e+40(m)"},
    };
    for (const Case& c : cases) {
        char buf[render::kAxisLabelChars];
        const int n = render::format_axis_label(buf, c.number, c.unit, c.flavour);
        EXPECT_EQ(std::string(buf, n), c.text);
    }
}

TEST_F(DrawAxes, LabellingToolFlavour) {
    render::renderer_shutdown();
    render::create_draw_resources(render::DrawFlavour::Vantrel);
    render::DisplaySettings s = render::GetDisplaySettings();
    s.yxFactor = 10.0;
    render::SetDisplaySettings(s);
    const std::vector<DrawOp> ops = axes_ops();
    const std::vector<std::string> t = texts(ops);
    ASSERT_EQ(t.size(), 62u + 16u);  // the time axis even though the view is not tilted
    EXPECT_EQ(t[0], "-30.00");
    EXPECT_EQ(t[1], "-28.00");
    EXPECT_EQ(t[30], "30.00(m)");
    EXPECT_EQ(t[61], "300.00(m)");
    EXPECT_EQ(t[77], "150.00(s)");
    const plat::Point p = render::WorldToScreen(-30000, 0, 0);
    for (const DrawOp& op : ops) {
        if (op.op != Op::Text) continue;
        EXPECT_EQ(op.points[0], (plat::Point{p.x - 5 * 6, p.y - 10}));
        break;
    }
}

TEST_F(DrawGrid, DefaultGridHas31LinesEachWay) {
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_grid(dc);
    std::vector<DrawOp> lines;
    for (const DrawOp& op : plat::headless::canvas_ops(dc))
        if (op.op == Op::LineTo) lines.push_back(op);
    ASSERT_EQ(lines.size(), 62u);
    EXPECT_EQ(lines[0].pen_info,
              (plat::headless::PenInfo{plat::PenStyle::Dot, 1, plat::rgb(0, 0, 255)}));
    EXPECT_EQ(lines[0].points, (std::vector<plat::Point>{render::WorldToScreen(-30000, -30000, 0),
                                                         render::WorldToScreen(30000, -30000, 0)}));
    EXPECT_EQ(lines[61].points, (std::vector<plat::Point>{render::WorldToScreen(30000, -30000, 0),
                                                          render::WorldToScreen(30000, 30000, 0)}));
    plat::delete_dc(dc);
}

TEST_F(DrawGrid, StaysFiniteForAnyGridSize) {
    struct Case {
        int range, grid;
        size_t lines;
    };
    const Case cases[] = {{30000, 0, 0},
                          {30000, -5, 0},
                          {-10, 2000, 0},
                          {30000, 7000, 18},
                          {2147483647, 2147483647, 6}};
    for (const Case& c : cases) {
        set_grid(c.range, c.grid);
        plat::Dc dc = plat::create_canvas(960, 640);
        render::draw_grid(dc);
        size_t lines = 0;
        for (const DrawOp& op : plat::headless::canvas_ops(dc)) lines += op.op == Op::LineTo;
        EXPECT_EQ(lines, c.lines) << c.range << " " << c.grid;
        plat::delete_dc(dc);
    }
}

TEST_F(PlacingOperations, MarkerAndLabelAroundTheProjectedPoint) {
    render::view_state().centerX = 100;
    render::view_state().centerY = 50;
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_marker(dc, Vec2{0, 0}, 4, 0);
    render::draw_label(dc, "abc", Vec2{0, 0}, 0);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].op, Op::Ellipse);
    EXPECT_EQ(ops[0].points, (std::vector<plat::Point>{{96, 46}, {104, 54}}));
    EXPECT_EQ(ops[1].op, Op::Text);
    EXPECT_EQ(ops[1].points[0], (plat::Point{85, 40}));
    plat::delete_dc(dc);
}

TEST_F(PlacingOperations, ShapeProjectsEveryPointInOrderAtItsHeight) {
    render::view_state().elevation = 45;
    std::vector<Vec2> points;
    for (int i = 0; i < 40; ++i) points.push_back(Vec2{i * 0.5, (i % 3) * 2.0});  // beyond 16
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_shape(dc, points.data(), static_cast<int>(points.size()), 700);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 1u);
    ASSERT_EQ(ops[0].points.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(ops[0].points[i], render_test::project(points[i].x, points[i].y, 700)) << i;
    plat::delete_dc(dc);
}

TEST_F(DrawResources, ViewerPaletteRampAndGridPen) {
    const render::DrawResources& r = render::draw_resources();
    plat::Dc dc = plat::create_canvas(10, 10);
    auto pen_of = [dc](plat::Pen pen) {
        plat::select_object(dc, pen);
        plat::polygon(dc, std::vector<plat::Point>{{0, 0}, {1, 1}, {0, 1}});
        return plat::headless::canvas_ops(dc).back().pen_info;
    };
    EXPECT_EQ(pen_of(r.palette_pens[4]),
              (plat::headless::PenInfo{plat::PenStyle::Solid, 2, plat::rgb(255, 255, 0)}));
    EXPECT_EQ(pen_of(r.palette_pens[3]).color, plat::rgb(255, 128, 255));
    EXPECT_EQ(pen_of(r.grey_ramp[0]).color, plat::rgb(255, 255, 255));
    EXPECT_EQ(pen_of(r.grey_ramp[128]).color, plat::rgb(127, 127, 127));
    EXPECT_EQ(pen_of(r.grey_ramp[255]),
              (plat::headless::PenInfo{plat::PenStyle::Solid, 2, plat::rgb(0, 0, 0)}));
    EXPECT_FALSE(r.light_grey_pen);
    plat::delete_dc(dc);
}

TEST_F(DrawResources, LabellingToolHasGreyEntryThreeAndNoRamp) {
    render::create_draw_resources(render::DrawFlavour::Vantrel);
    const render::DrawResources& r = render::draw_resources();
    EXPECT_EQ(render::palette_colour(3, render::DrawFlavour::Vantrel), plat::rgb(200, 200, 200));
    EXPECT_TRUE(r.light_grey_pen);
    EXPECT_TRUE(r.palette_brushes[3]);
    EXPECT_FALSE(r.grey_ramp[0]);
    render::delete_draw_resources();
    EXPECT_FALSE(r.palette_pens[0]);
    EXPECT_FALSE(r.light_grey_pen);
}

TEST_F(PlacingOperations, ShapeFollowsAModelPose) {
    render::model_pose() = render::ModelPose{150, -40, 0, 0, 0, 30};
    const Vec2 points[3] = {{1, 0}, {0, 2}, {-3, 1}};
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_shape(dc, points, 3, 0);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 1u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ops[0].points[i], render_test::project(points[i].x, points[i].y, 0)) << i;
    EXPECT_NE(ops[0].points[0], render::WorldToScreen(100, 0, 0));
    plat::delete_dc(dc);
}
