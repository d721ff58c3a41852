// Picking a box under a client point, checked against the polygons the painter
// records, in the top view, tilted and ego-centred; the highlight and raw pens.
#include "render/pick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/scene_clock.h"
#include "render/draw.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "tests/render/render_fixture.h"
#include "tests/support/scene_files.h"

namespace {

using plat::headless::DrawOp;
using plat::headless::PenInfo;
using render_test::TrajSpec;

plat::Point centroid(const DrawOp& op) {
    double x = 0, y = 0;
    for (const plat::Point& p : op.points) x += p.x, y += p.y;
    const double n = static_cast<double>(op.points.size());
    return plat::Point{static_cast<int>(std::lround(x / n)), static_cast<int>(std::lround(y / n))};
}

// A point 80 % of the way from the box's centre to the middle of its edge farthest
// from `away`: inside this box, clear of a box around `away`.
plat::Point far_inside(const DrawOp& op, plat::Point away) {
    const plat::Point c = centroid(op);
    double best = -1, mx = 0, my = 0;
    for (std::size_t i = 0; i < op.points.size(); ++i) {
        const plat::Point a = op.points[i], b = op.points[(i + 1) % op.points.size()];
        const double x = 0.5 * (a.x + b.x), y = 0.5 * (a.y + b.y);
        const double d = std::hypot(x - away.x, y - away.y);
        if (d > best) best = d, mx = x, my = y;
    }
    return plat::Point{static_cast<int>(std::lround(c.x + 0.8 * (mx - c.x))),
                       static_cast<int>(std::lround(c.y + 0.8 * (my - c.y)))};
}

class Picking : public render_test::RenderTest {
  protected:
    // Ego standing at the world origin, heading 0; trajectories 0 and 1 apart, 2 on
    // top of 0 (drawn later), 3 over the ego car and reaching 2 m beyond its front.
    void SetUp() override {
        RenderTest::SetUp();
        std::vector<TrajSpec> t(4);
        const double at[4][2] = {{-12, 15}, {12, 15}, {-12, 15}, {0.5, 2.5}};
        for (int i = 0; i < 4; ++i) {
            t[i].id = 40 + i;
            t[i].speed = 0.5;  // slow: still within a pixel at the clock's frame
            t[i].x = t[i].ego_x = at[i][0];
            t[i].y0 = t[i].ego_y = at[i][1];
        }
        render_test::write_file("scene.nav", render_test::nav_text(0, 0, 0, 0));
        render_test::write_file("scene.traj", render_test::traj_text(t));
        test_support::load_scene_files(scene, "scene.nav", "scene.traj");
        scene.scene_origin = SceneOrigin{0, 0, 0};
        view.state.scale = 0.1;
        view.settings.flags &= ~render::SHOW_TIME_SERIES;
    }
};

struct Projection {
    const char* name;
    int16_t elevation;
    int16_t azimuth;
    int ego_centred;
};
const Projection kProjections[] = {
    {"top view", 0, 270, 0}, {"tilted", 40, 300, 0}, {"ego-centred tilted", 30, 250, 1}};

TEST_F(Picking, EachBoxPicksItselfAndTheOneDrawnLastWins) {
    for (const Projection& p : kProjections) {
        SCOPED_TRACE(p.name);
        view.state.elevation = p.elevation;
        view.state.azimuth = p.azimuth;
        view.egoCentered = p.ego_centred;
        paint();
        const std::vector<DrawOp> polys = polygons();
        ASSERT_EQ(polys.size(), 4u + 5u);  // four boxes, the car's body and wheels
        const DrawOp& body = polys[4];
        EXPECT_EQ(render::pick_box(scene, view, centroid(polys[1])), 1);
        EXPECT_EQ(render::pick_box(scene, view, centroid(polys[0])), 2);  // 2 covers 0
        EXPECT_EQ(render::pick_box(scene, view, centroid(body)), render::kSelectEgo);
        EXPECT_EQ(render::pick_box(scene, view, far_inside(polys[3], centroid(body))), 3);
        EXPECT_EQ(render::pick_box(scene, view, plat::Point{3, 3}), render::kSelectNone);
        // On the outline's pen, just outside the corner.
        const plat::Point corner = polys[1].points[0];
        EXPECT_EQ(render::pick_box(scene, view, plat::Point{corner.x + 1, corner.y}), 1);
    }
}

TEST_F(Picking, NothingWithoutAScene) {
    Scene empty;
    EXPECT_EQ(render::pick_box(empty, view, plat::Point{480, 310}), render::kSelectNone);
}

// Following: the selected box's centre lands where start-up puts the origin.
TEST_F(Picking, CentreOnSelectionPutsTheBoxInTheMiddle) {
    for (const Projection& p : kProjections) {
        SCOPED_TRACE(p.name);
        view.state.elevation = p.elevation;
        view.state.azimuth = p.azimuth;
        view.egoCentered = p.ego_centred;
        for (int32_t sel : {1, render::kSelectEgo}) {
            view.inspect.selected = sel;
            ASSERT_TRUE(render::centre_on_selection(view, scene, plat::Size{960, 640}));
            paint();
            // The selected box is the last one outlined in the highlight pen (boxes
            // beyond the picture are not drawn, so its place among them varies).
            const std::vector<DrawOp> polys = polygons();
            std::size_t at = polys.size();
            for (std::size_t i = 0; i < polys.size(); ++i)
                if (polys[i].pen_info.color == render::kHighlightColour) at = i;
            ASSERT_LT(at, polys.size());
            const plat::Point c = centroid(polys[at]);
            EXPECT_NEAR(c.x, 480, 2);
            EXPECT_NEAR(c.y, 310, 2);
        }
    }
    view.inspect.selected = render::kSelectNone;
    EXPECT_FALSE(render::centre_on_selection(view, scene, plat::Size{960, 640}));
}

TEST_F(Picking, HighlightAndRawPens) {
    const PenInfo highlight{plat::PenStyle::Solid, 3, render::kHighlightColour};
    const PenInfo raw{plat::PenStyle::Dot, 1, render::kRawColour};
    view.inspect.selected = 1;
    view.settings.flags |= render::SHOW_TIME_SERIES;
    paint();  // the history holds this frame's boxes now
    paint();
    std::vector<DrawOp> polys = polygons();
    // The history (four boxes and the ego), then the frame.
    ASSERT_EQ(polys.size(), 5u + 9u);
    for (std::size_t k = 0; k < polys.size(); ++k)
        EXPECT_EQ(polys[k].pen_info == highlight, k == 1 || k == 6) << k;

    view.inspect.selected = render::kSelectEgo;
    view.inspect.show_raw = true;
    view.settings.flags &= ~render::SHOW_TIME_SERIES;
    paint();
    polys = polygons();
    ASSERT_EQ(polys.size(), 8u + 5u);  // each box followed by its raw box
    for (int k = 0; k < 4; ++k) {
        const DrawOp& box = polys[static_cast<std::size_t>(2 * k)];
        const DrawOp& as_read = polys[static_cast<std::size_t>(2 * k + 1)];
        EXPECT_EQ(as_read.pen_info, raw);
        EXPECT_TRUE(as_read.brush_info.null);
        // Even motion: cleaning moves nothing by more than a pixel.
        ASSERT_EQ(as_read.points.size(), 4u);
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_NEAR(as_read.points[c].x, box.points[c].x, 1);
            EXPECT_NEAR(as_read.points[c].y, box.points[c].y, 1);
        }
    }
    EXPECT_EQ(polys[8].pen_info, highlight);  // the ego's body
}

}  // namespace
