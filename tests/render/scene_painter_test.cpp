#include "render/scene_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "render/display_settings.h"
#include "render/role_colours.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "tests/render/render_fixture.h"
#include "tests/support/scene_files.h"

namespace {

using plat::headless::DrawOp;
using plat::headless::Op;
using plat::headless::PenInfo;
using render_test::project;
using render_test::TrajSpec;

constexpr plat::Color kBlack = plat::rgb(0, 0, 0);
constexpr plat::Color kPurple = plat::rgb(128, 0, 128);
constexpr plat::Color kYellow = plat::rgb(255, 255, 0);
constexpr plat::Color kGrey = plat::rgb(128, 128, 128);

// Trajectories of ids 100 + index; only indices 0, 1 and 13 have the 20 samples
// that make a trajectory visible.
std::vector<TrajSpec> three_visible() {
    std::vector<TrajSpec> out(14);
    for (int i = 0; i < 14; ++i) {
        out[i].id = 100 + i;
        out[i].last = (i == 0 || i == 1 || i == 13) ? 30 : 5;
        out[i].x = out[i].ego_x = 3.0 * i;
        out[i].y0 = out[i].ego_y = 10 + i;
    }
    return out;
}

TrajPoint entry(double ego_y, double speed = 0, int frame = 0) {
    TrajPoint p;
    p.ego_y = ego_y;
    p.ego_head_y = 1;
    p.length = 1;
    p.width = 1;
    p.speed = speed;
    p.frame = frame;
    return p;
}

class PaintScene : public render_test::RenderTest {
  protected:
    double time_height(int32_t time_ms) {
        return (time_ms - pose_time(scene.pose, scene.pose.scene_start_index)) /
               view.settings.msPerMeter;
    }

    // Screen points of shape points (metres) as the painter places them: x stretched by
    // yxFactor, shifted, projected at z.
    std::vector<plat::Point> placed(const Vec2* points, int n, Vec2 shift, double z) {
        const double f = view.settings.yxFactor;
        std::vector<plat::Point> out;
        for (int i = 0; i < n; ++i)
            out.push_back(project(view, (points[i].x + shift.x) * f, points[i].y + shift.y, z));
        return out;
    }
    std::vector<plat::Point> box(Vec2 centre, Vec2 heading, double length, double width, double z) {
        const auto c = box_corners(centre, heading, length, width, 0);
        return placed(c.data(), 4, {0, 0}, z);
    }

    // The samples the painter draws at the current frame.
    std::vector<TrajPoint> visible_samples() {
        std::vector<TrajPoint> out;
        int32_t index = 0;
        for (auto s = next_visible_sample(scene, true, index); s;
             s = next_visible_sample(scene, false, index))
            out.push_back(*s);
        return out;
    }

    // The pens draw_history uses for the ring as it stands.
    std::vector<PenInfo> history_pens() {
        std::vector<PenInfo> out;
        plat::Dc dc = plat::create_canvas(960, 640);
        render::draw_history(dc, scene, view);
        for (const DrawOp& op : plat::headless::canvas_ops(dc)) out.push_back(op.pen_info);
        plat::delete_dc(dc);
        return out;
    }

    void set_draw_history(int on) {
        render::DisplaySettings s = view.settings;
        s.drawHistory = on;
        view.settings = s;
    }
};

}  // namespace

TEST_F(PaintScene, NothingLoadedDrawsGridAndAxesOnly) {
    std::vector<Op> kinds;
    for (const DrawOp& op : paint())
        if (std::find(kinds.begin(), kinds.end(), op.op) == kinds.end()) kinds.push_back(op.op);
    EXPECT_EQ(kinds, (std::vector<Op>{Op::BitBlt, Op::MoveTo, Op::LineTo, Op::Text}));
    EXPECT_EQ(scene.history.appended, 0);
    plat::Dc canvas = plat::create_canvas(10, 10);  // a zero-sized client: nothing at all
    render::paint_scene(scene, view, canvas, plat::Size{0, 640});
    EXPECT_TRUE(plat::headless::canvas_ops(canvas).empty());
    plat::delete_dc(canvas);
}

TEST_F(PaintScene, PaletteColoursAndTheEgoCarInOrder) {
    load_scene(three_visible());
    view.roles.colours.trajcolseton = 0;
    render::DisplaySettings settings = view.settings;
    settings.flags |= render::SHOW_TRAJ_ID;
    view.settings = settings;
    const std::vector<TrajPoint> samples = visible_samples();
    ASSERT_EQ(samples.size(), 3u);
    const std::vector<DrawOp>& ops = paint();
    std::vector<DrawOp> shapes, ids;
    for (const DrawOp& op : ops) {
        if (op.op == Op::Polygon || op.op == Op::Ellipse) shapes.push_back(op);
        if (op.op == Op::Text && op.text_color == plat::rgb(255, 255, 255)) ids.push_back(op);
    }
    ASSERT_EQ(shapes.size(), 3u + 1u + 1u + 4u);
    ASSERT_EQ(ids.size(), 3u);

    const plat::Color pens[] = {plat::rgb(0, 255, 0), kPurple, kPurple};  // 0, 1, 13 mod 12
    for (int k = 0; k < 3; ++k) {
        const TrajPoint& s = samples[k];
        EXPECT_EQ(shapes[k].pen_info, (PenInfo{plat::PenStyle::Solid, 2, pens[k]})) << k;
        EXPECT_EQ(shapes[k].brush_info.color, kBlack);
        EXPECT_EQ(shapes[k].points,
                  box({s.x, s.y}, {s.head_x, s.head_y}, s.length, s.width, time_height(s.time_ms)));
        // The id in white, its 3 characters ending left of the third corner.
        const plat::Point c3 = shapes[k].points[2];
        EXPECT_EQ(ids[k].text, std::to_string(k == 2 ? 113 : 100 + k));
        EXPECT_EQ(ids[k].points[0], (plat::Point{c3.x - 15, c3.y - 10}));
    }
    // Body, centre marker, four wheels, at the cursor pose (heading 0).
    Vec2 e;
    double heading = 0;
    get_cursor_pose(scene.pose, e, heading);
    const double z = time_height(pose_time(scene.pose, scene.pose.pose_cursor));
    EXPECT_EQ(shapes[3].pen_info, (PenInfo{plat::PenStyle::Solid, 1, kBlack}));
    EXPECT_EQ(shapes[3].brush_info.color, kYellow);
    EXPECT_EQ(shapes[3].points, placed(render::kEgoBody, 4, e, z));
    EXPECT_EQ(shapes[4].op, Op::Ellipse);
    EXPECT_EQ(shapes[4].pen_info.color, kPurple);
    EXPECT_EQ(shapes[4].brush_info.color, kPurple);
    const plat::Point c = placed(&render::kEgoCentre, 1, e, z)[0];
    EXPECT_EQ(shapes[4].points, (std::vector<plat::Point>{{c.x - 4, c.y - 4}, {c.x + 4, c.y + 4}}));
    for (int w = 0; w < 4; ++w) {
        EXPECT_EQ(shapes[5 + w].pen_info, (PenInfo{plat::PenStyle::Solid, 2, kPurple})) << w;
        EXPECT_EQ(shapes[5 + w].brush_info.color, kBlack);
        EXPECT_EQ(shapes[5 + w].points, placed(render::kEgoWheels[w], 4, e, z)) << w;
    }

    // The paint recorded its boxes and the ego once; a second paint of the same
    // frame records nothing more.
    ASSERT_EQ(scene.history.appended, 4);
    paint();
    ASSERT_EQ(scene.history.appended, 4);
    EXPECT_EQ(scene.history.owners[2], 13);
    EXPECT_EQ(last_drawn(scene.history, 13), scene.store.current_frame);
}

TEST_F(PaintScene, RolePensInRoleOrder) {
    load_scene(three_visible());
    struct Case {
        int front, lead, lag, rear;
        plat::Color pen;  // of index 1 (id 101)
    };
    const Case cases[] = {
        {101, -1, -1, -1, plat::rgb(255, 0, 0)},  {-1, 101, -1, -1, plat::rgb(0, 255, 0)},
        {-1, -1, 101, -1, plat::rgb(0, 0, 255)},  {-1, -1, -1, 101, plat::rgb(255, 0, 255)},
        {101, 101, -1, -1, plat::rgb(255, 0, 0)}, {-1, 101, 101, 101, plat::rgb(0, 255, 0)},
        {-1, -1, 101, 101, plat::rgb(0, 0, 255)}, {100, 113, 7, 5, kGrey},
    };
    for (const Case& c : cases) {
        RoleColours& r = view.roles.colours;
        r.frontid = c.front;
        r.leadid = c.lead;
        r.lagid = c.lag;
        r.rearid = c.rear;
        clear_history(scene.history);
        paint();
        const std::vector<DrawOp> polys = polygons();
        ASSERT_EQ(polys.size(), 8u);
        EXPECT_EQ(polys[1].pen_info.color, c.pen) << c.front << " " << c.lead << " " << c.lag;
        EXPECT_EQ(polys[1].brush_info.color, kBlack);
        EXPECT_EQ(polys[3].pen_info, (PenInfo{plat::PenStyle::Solid, 2, kYellow}));  // ego pen
        EXPECT_EQ(polys[3].brush_info.color, kYellow);
    }
}

TEST_F(PaintScene, OriginFrameAgainstAHandComputedCase) {
    TrajSpec t;
    t.x = 110;
    t.y0 = 204;  // at 205 by the frame the clock stands at
    render_test::write_file("scene.nav", render_test::nav_text(103, 204, 0.8, 0));
    render_test::write_file("scene.traj", render_test::traj_text({t}));
    test_support::load_scene_files(scene, "scene.nav", "scene.traj");
    scene.scene_origin = SceneOrigin{100, 200, 0.5};
    paint();

    // The box: R(-0.5)·((110, 205) - (100, 200)), heading R(-0.5)·(0, 1).
    const HistoryRing& ring = scene.history;
    ASSERT_EQ(ring.appended, 2);
    const TrajPoint& b = ring.boxes[0];
    EXPECT_NEAR(b.ego_x, 11.172953311925, 1e-9);
    EXPECT_NEAR(b.ego_y, -0.406342576590, 1e-9);
    EXPECT_NEAR(b.ego_head_x, 0.479425538604, 1e-9);
    EXPECT_NEAR(b.ego_head_y, 0.877582561890, 1e-9);
    EXPECT_EQ(polygons()[0].points,
              box({11.172953311925, -0.406342576590}, {0.479425538604, 0.877582561890}, b.length,
                  b.width, time_height(b.time_ms)));
    // The ego car: R(-0.5)·(R(0.8)·(0.504, 0.828) + (103, 204) - (100, 200)), turned by 0.3.
    const TrajPoint& ego = ring.boxes[1];
    EXPECT_EQ(ring.owners[1], kEgoOwner);
    EXPECT_NEAR(ego.ego_x, 4.787248699492, 1e-9);
    EXPECT_NEAR(ego.ego_y, 3.012014428902, 1e-9);
    EXPECT_NEAR(ego.ego_head_x, -0.295520206661, 1e-9);
    EXPECT_NEAR(ego.ego_head_y, 0.955336489126, 1e-9);
    EXPECT_EQ(ego.time_ms, pose_time(scene.pose, scene.pose.pose_cursor));
}

TEST_F(PaintScene, EgoCentredFrame) {
    load_scene(three_visible(), 1.0);  // the ego heading must not turn the car
    view.egoCentered = 1;
    const std::vector<TrajPoint> samples = visible_samples();
    paint();
    const std::vector<DrawOp> polys = polygons();
    ASSERT_EQ(polys.size(), 8u);
    for (int k = 0; k < 3; ++k) {
        const TrajPoint& s = samples[k];
        EXPECT_EQ(polys[k].points, box({s.ego_x, s.ego_y}, {s.ego_head_x, s.ego_head_y}, s.length,
                                       s.width, time_height(s.time_ms)));
    }
    const double z = time_height(pose_time(scene.pose, scene.pose.pose_cursor));
    EXPECT_EQ(polys[3].points, placed(render::kEgoBody, 4, {0, 0}, z));
    EXPECT_EQ(polys[7].points, placed(render::kEgoWheels[3], 4, {0, 0}, z));
    const TrajPoint& ego = scene.history.boxes[3];
    EXPECT_EQ(ego.ego_x, 0.504);
    EXPECT_EQ(ego.ego_head_y, 1.0);
}

// A file with more trajectories than the table's start size: the table grows
// instead of being written past its end.
TEST_F(PaintScene, LastDrawnCoversFilesWithMoreThan5000Trajectories) {
    std::vector<TrajSpec> many(5010);
    for (int i = 0; i < 5010; ++i) {
        many[i].id = i;
        many[i].last = 3;
    }
    load_scene(many);
    scene.clock.tooShortTraj = 1;
    paint();
    EXPECT_EQ(last_drawn(scene.history, 5009), scene.store.current_frame);
    EXPECT_EQ(scene.history.appended, 5011);
}

TEST(GreyRamp, EqualSpeedEndsAndClamping) {
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(10, 10, 10)), 255);  // at or below
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(10.5, 10, 10)), 0);  // above
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(0.0 / 0.0, 5, 30)), 255);
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(45, 5, 30)), 0);
    EXPECT_EQ(render::grey_ramp_index(render::frame_fraction(1, 1, 30)), 247);
    EXPECT_EQ(render::grey_ramp_index(render::frame_fraction(-40, 1, 30)), 255);  // not clamped
}

TEST_F(PaintScene, HistoryShadesBySpeedOrFrame) {
    load_scene(three_visible());  // frames 1..30
    clear_history(scene.history);
    history_append(scene.history, entry(0, 17.5, 15), 0);
    history_append(scene.history, entry(1, 2, 30), 0);
    history_append(scene.history, entry(2), kEgoOwner);
    // Role colours on: by speed (5..30 m/s); the ego in its own colour.
    std::vector<PenInfo> pens = history_pens();
    ASSERT_EQ(pens.size(), 3u);
    EXPECT_EQ(pens[0], (PenInfo{plat::PenStyle::Solid, 2, plat::rgb(127, 127, 127)}));
    EXPECT_EQ(pens[1].color, kBlack);
    EXPECT_EQ(pens[2].color, kYellow);
    // Off: by frame; the ego in palette entry 4 (yellow as well).
    view.roles.colours.trajcolseton = 0;
    view.roles.colours.egocol = RgbColour{1, 2, 3};
    render::recreate_role_pens(view.roles);
    pens = history_pens();
    EXPECT_EQ(pens[0].color, plat::rgb(127, 127, 127));
    EXPECT_EQ(pens[1].color, plat::rgb(255, 255, 255));
    EXPECT_EQ(pens[2].color, kYellow);
}

TEST_F(PaintScene, HistoryOldestFirstAcrossTheWrap) {
    set_draw_history(1);
    const int total = kHistorySize + 3;
    for (int k = 0; k < total; ++k) history_append(scene.history, entry(k), 0);  // 4.5 pixels apart
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_history(dc, scene, view);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), static_cast<size_t>(kHistorySize));
    EXPECT_EQ(ops.front().points, box({0, 3}, {0, 1}, 1, 1, time_height(0)));
    EXPECT_EQ(ops.back().points, box({0, total - 1.0}, {0, 1}, 1, 1, time_height(0)));
    for (size_t k = 1; k < ops.size(); ++k) ASSERT_GT(ops[k].points[0].x, ops[k - 1].points[0].x);
    plat::delete_dc(dc);
}

TEST_F(PaintScene, HistoryOfRecentTrajectoriesOnlyUnlessDrawHistory) {
    std::vector<TrajSpec> two(2);  // trajectory 1 ends at frame 5
    two[1].id = 1;
    two[1].last = 5;
    load_scene(two);
    scene.clock.tooShortTraj = 1;
    while (scene.store.current_frame < 8) {
        paint();
        step_scene(scene);
    }
    ASSERT_EQ(last_drawn(scene.history, 1), 5);
    paint();  // frame 8: three frames since trajectory 1 was drawn
    EXPECT_EQ(history_pens().size(), static_cast<size_t>(history_size(scene.history)));
    step_scene(scene);
    paint();  // frame 9: four
    EXPECT_EQ(history_pens().size(), static_cast<size_t>(history_size(scene.history) - 4));
    set_draw_history(1);
    EXPECT_EQ(history_pens().size(), static_cast<size_t>(history_size(scene.history)));
}

TEST_F(PaintScene, AppendedNeverOverflows) {
    HistoryRing& ring = scene.history;
    ring.appended = 2000000000 - 1;  // the last count before it steps back
    const int slot = ring.appended % kHistorySize;
    history_append(scene.history, entry(0), 7);
    EXPECT_EQ(ring.owners[slot], 7);
    EXPECT_GE(ring.appended, kHistorySize);
    EXPECT_EQ(history_slot(scene.history, kHistorySize - 1), slot);  // still the newest
}

// A city wider than the picture: the boxes left out are exactly those wholly beyond
// it, pens included; every other call is made as without bounds, in the same order.
TEST_F(PaintScene, LeavesOutOnlyBoxesWhollyBeyondThePicture) {
    std::vector<TrajSpec> city(81);
    for (int i = 0; i < 81; ++i) {
        city[i].id = i;
        city[i].x = city[i].ego_x = -200 + 5.1 * i;  // 4.5 px/m: -900 .. +960 px
        city[i].y0 = city[i].ego_y = (i % 9 - 4) * 25.3;
    }
    load_scene(city);
    for (int elevation : {0, 30}) {
        view.state.elevation = static_cast<int16_t>(elevation);
        plat::Dc all = plat::create_canvas(960, 640);
        // As paint_scene paints, but with no picture size: nothing left out.
        render::paint_off_screen(all, plat::Size{960, 640},
                                 [this](plat::Dc mem) { render::draw_scene(mem, scene, view); });
        const std::vector<DrawOp> unbounded = plat::headless::canvas_ops(all);
        plat::delete_dc(all);
        const std::vector<DrawOp>& drawn = paint();
        std::size_t next = 0, left_out = 0, at_edge = 0;
        for (const DrawOp& op : unbounded) {
            if (next < drawn.size() && drawn[next].op == op.op && drawn[next].points == op.points &&
                drawn[next].pen_info == op.pen_info && drawn[next].brush_info == op.brush_info) {
                ++next;
                bool crosses = false;
                for (plat::Point p : op.points)
                    crosses |= p.x < 0 || p.x >= 960 || p.y < 0 || p.y >= 640;
                at_edge += op.op == Op::Polygon && crosses;
                continue;
            }
            ASSERT_EQ(op.op, Op::Polygon);
            bool left = true, right = true, above = true, below = true;
            for (plat::Point p : op.points) {
                left &= p.x<-3, right &= p.x> 963, above &= p.y<-3, below &= p.y> 643;
            }
            EXPECT_TRUE(left || right || above || below) << elevation;
            ++left_out;
        }
        EXPECT_EQ(next, drawn.size()) << elevation;
        EXPECT_GT(left_out, 20u) << elevation;
        EXPECT_GT(at_edge, 0u) << elevation;
        clear_history(scene.history);
    }
}

// The painter's projection is project_point to the pixel: tilted or not, turned,
// with a model pose, and for points so far that they saturate.
TEST_F(PaintScene, ProjectionOfAPaintEqualsProjectPoint) {
    const Vec2 points[] = {{0, 0}, {1.25, -3.5}, {-77.7, 12.3}, {1e9, -1e9}, {3e7, 2.5}};
    for (int elevation : {0, 30, 90})
        for (int azimuth : {270, 0, 123, -45})
            for (double yaw : {0.0, 10.0}) {
                view.state.elevation = static_cast<int16_t>(elevation);
                view.state.azimuth = static_cast<int16_t>(azimuth);
                view.state.scale = 0.37;
                view.model.yaw = yaw;
                const render::Projection projection(view);
                for (const Vec2& p : points)
                    for (double z : {0.0, -250.5, 1e12}) {
                        const plat::Point want = render::project_point(view, p, z);
                        const plat::Point got = projection.at(p, z);
                        EXPECT_EQ(got.x, want.x) << elevation << " " << azimuth << " " << yaw;
                        EXPECT_EQ(got.y, want.y) << elevation << " " << azimuth << " " << yaw;
                    }
            }
}
