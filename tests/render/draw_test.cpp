#include "render/draw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/display_settings.h"
#include "render/view.h"
#include "tests/render/render_fixture.h"

namespace {

using plat::headless::DrawOp;
using plat::headless::Op;

// The ops of one drawing function on a fresh canvas.
template <class F>
std::vector<DrawOp> ops_of(F draw) {
    plat::Dc dc = plat::create_canvas(960, 640);
    draw(dc);
    std::vector<DrawOp> ops = plat::headless::canvas_ops(dc);
    plat::delete_dc(dc);
    return ops;
}

std::vector<DrawOp> only(const std::vector<DrawOp>& ops, Op op) {
    std::vector<DrawOp> out;
    for (const DrawOp& o : ops)
        if (o.op == op) out.push_back(o);
    return out;
}

class DrawPrimitives : public render_test::RenderTest {
  protected:
    void set_grid(int range_cm, int grid_cm, double yx = 1.5) {
        view.settings.maxRangeX = range_cm;
        view.settings.gridSizeX = grid_cm;
        view.settings.yxFactor = yx;
    }
    // The ops of one drawing function of the view on a fresh canvas.
    std::vector<DrawOp> ops_of(void (*draw)(plat::Dc, const render::View&)) {
        return ::ops_of([this, draw](plat::Dc dc) { draw(dc, view); });
    }
    plat::Point screen(double x, double y, double z) {
        return render::WorldToScreen(view.state, x, y, z);
    }
};

}  // namespace

TEST_F(DrawPrimitives, DefaultAxisLabels) {
    const std::vector<DrawOp> texts = only(ops_of(render::draw_axes), Op::Text);
    ASSERT_EQ(texts.size(), 62u);  // no time axis in the top view
    std::string x;
    for (int i = 0; i < 31; ++i) x += texts[i].text + " ";
    EXPECT_EQ(x,
              "-200 -186 -173 -160 -146 -133 -120 -106 -93 -80 -66 -53 -40 -26 -13 0 13 26 40 53 "
              "66 80 93 106 120 133 146 160 173 186 200(m) ");
    EXPECT_EQ(texts[31].text, "-300");
    EXPECT_EQ(texts[32].text, "-280");
    EXPECT_EQ(texts[61].text, "300(m)");
    // Left of and below the labelled point: "-200" belongs to (-30000, 0, 0).
    const plat::Point p = screen(-30000, 0, 0);
    EXPECT_EQ(texts[0].points[0], (plat::Point{p.x - 40, p.y + 5}));
    EXPECT_EQ(texts[0].text_color, plat::rgb(128, 128, 128));
}

TEST_F(DrawPrimitives, TimeAxisOnlyWhenTilted) {
    view.state.elevation = 60;
    const std::vector<DrawOp> ops = ops_of(render::draw_axes);
    const std::vector<DrawOp> texts = only(ops, Op::Text);
    ASSERT_EQ(texts.size(), 62u + 16u);
    EXPECT_EQ(texts[62].text, "0");
    EXPECT_EQ(texts[63].text, "10");
    EXPECT_EQ(texts[77].text, "150(s)");
    // Right of and above its point, with a 10-pixel tick.
    const plat::Point p = screen(0, 0, 2000);
    EXPECT_EQ(texts[63].points[0], (plat::Point{p.x + 10, p.y - 10}));
    const std::vector<DrawOp> lines = only(ops, Op::LineTo);
    ASSERT_EQ(lines.size(), 3u + 16u);
    EXPECT_EQ(lines[4].points, (std::vector<plat::Point>{p, {p.x + 10, p.y}}));
}

// Any range and grid size: the loops end, stop at the last step not beyond R, and
// only a label at exactly R carries the unit.
TEST_F(DrawPrimitives, GridAndAxesForAnySpacing) {
    struct Case {
        int range, grid;
        double yx;
        size_t lines, labels;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {30000, 2000, 1.5, 62, 62, "-200", "300(m)"},
        {30000, 7000, 1.5, 18, 18, "-200", "260"},
        {30000, 0, 1.5, 0, 0, "", ""},
        {30000, -5, 1.5, 0, 0, "", ""},
        {-10, 2000, 1.5, 0, 0, "", ""},
        {2147483647, 2147483647, 1e-300, 6, 6, "-2147483648", "21474836(m)"},
        {30000, 30000, 0, 6, 6, "-2147483648", "300(m)"},  // -inf, NaN (reads 0), +inf
    };
    for (const Case& c : cases) {
        set_grid(c.range, c.grid, c.yx);
        EXPECT_EQ(only(ops_of(render::draw_grid), Op::LineTo).size(), c.lines) << c.grid;
        const std::vector<DrawOp> texts = only(ops_of(render::draw_axes), Op::Text);
        ASSERT_EQ(texts.size(), c.labels) << c.grid;
        if (texts.empty()) continue;
        EXPECT_EQ(texts.front().text, c.first);
        EXPECT_EQ(texts.back().text, c.last);
    }
    set_grid(30000, 2000);
    const std::vector<DrawOp> grid = only(ops_of(render::draw_grid), Op::LineTo);
    EXPECT_EQ(grid[0].pen_info,
              (plat::headless::PenInfo{plat::PenStyle::Dot, 1, plat::rgb(0, 0, 255)}));
    EXPECT_EQ(grid[61].points,
              (std::vector<plat::Point>{screen(30000, -30000, 0), screen(30000, 30000, 0)}));
}

TEST_F(DrawPrimitives, LabellingToolFlavour) {
    render::create_draw_resources(view.res, render::DrawFlavour::Vantrel);
    set_grid(30000, 2000, 10.0);
    const std::vector<DrawOp> texts = only(ops_of(render::draw_axes), Op::Text);
    // The time axis although the view is not tilted: seen from above it is a point,
    // and of its 16 labels only the first is written there.
    ASSERT_EQ(texts.size(), 62u + 1u);
    EXPECT_EQ(texts[1].text, "-28.00");
    EXPECT_EQ(texts[30].text, "30.00(m)");
    EXPECT_EQ(texts[62].text, "0.00");
    // Tilted, the time labels stand apart: all are written, none over another.
    view.state.elevation = 60;
    const std::vector<DrawOp> tilted = only(ops_of(render::draw_axes), Op::Text);
    ASSERT_EQ(tilted.size(), 62u + 16u);
    EXPECT_EQ(tilted[77].text, "150.00(s)");
    for (size_t k = 63; k < tilted.size(); ++k)
        EXPECT_GE(std::abs(tilted[k].points[0].y - tilted[k - 1].points[0].y), 14) << k;
    view.state.elevation = 0;
    const plat::Point p = screen(-30000, 0, 0);
    EXPECT_EQ(texts[0].points[0], (plat::Point{p.x - 5 * 6, p.y - 10}));
    EXPECT_TRUE(view.res.light_grey_pen);
    EXPECT_FALSE(view.res.grey_ramp[0]);
    char buf[render::kAxisLabelChars];  // too long for two decimals: the short form
    EXPECT_EQ(
        std::string(buf, render::format_axis_label(buf, 1e40, 'm', render::DrawFlavour::Vantrel)),
        "1e+40(m)");
}

TEST_F(DrawPrimitives, PlacingOperations) {
    view.state.centerX = 100;
    view.state.centerY = 50;
    const std::vector<DrawOp> ops = ::ops_of([this](plat::Dc dc) {
        render::draw_marker(dc, view, Vec2{0, 0}, 4, 0);
        render::draw_label(dc, view, "abc", Vec2{0, 0}, 0);
    });
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].points, (std::vector<plat::Point>{{96, 46}, {104, 54}}));
    EXPECT_EQ(ops[1].points[0], (plat::Point{85, 40}));

    // Every point in order at its height, through the model pose; more points than
    // the painter's own shapes have.
    view.state.elevation = 45;
    for (const render::ModelPose pose :
         {render::ModelPose{}, render::ModelPose{150, -40, 0, 0, 0, 30}}) {
        view.model = pose;
        std::vector<Vec2> points;
        for (int i = 0; i < 40; ++i) points.push_back(Vec2{i * 0.5, (i % 3) * 2.0});
        const std::vector<DrawOp> shape = ::ops_of([&](plat::Dc dc) {
            render::draw_shape(dc, view, points.data(), static_cast<int>(points.size()), 700);
        });
        ASSERT_EQ(shape.size(), 1u);
        for (size_t i = 0; i < points.size(); ++i)
            EXPECT_EQ(shape[0].points[i], render_test::project(view, points[i].x, points[i].y, 700))
                << i;
    }
}
