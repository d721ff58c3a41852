#include "render/scene_painter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/role_colours.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "tests/render/render_fixture.h"

namespace {

using plat::headless::DrawOp;
using plat::headless::Op;
using plat::headless::PenInfo;
using render_test::project;
using render_test::RenderTest;
using render_test::TrajSpec;

constexpr plat::Color kBlack = plat::rgb(0, 0, 0);
constexpr plat::Color kPurple = plat::rgb(128, 0, 128);
constexpr plat::Color kYellow = plat::rgb(255, 255, 0);
constexpr plat::Color kGrey = plat::rgb(128, 128, 128);

// Trajectories of ids 100 + index; indices 0, 1 and 13 long enough to be visible,
// the others too short (fewer than 20 samples).
std::vector<TrajSpec> three_visible() {
    std::vector<TrajSpec> out;
    for (int i = 0; i < 14; ++i) {
        TrajSpec t;
        t.id = 100 + i;
        t.last = (i == 0 || i == 1 || i == 13) ? 30 : 5;
        t.x = 3.0 * i;
        t.y0 = 10 + i;
        t.ego_x = 3.0 * i;
        t.ego_y = 10 + i;
        out.push_back(t);
    }
    return out;
}

// The screen polygon of a box (metres) as the painter draws it: corners of
// box_corners, x stretched by yxFactor, projected at z.
std::vector<plat::Point> box_polygon(Vec2 centre, Vec2 heading, double length, double width,
                                     double z) {
    const double f = render::GetDisplaySettings().yxFactor;
    std::vector<plat::Point> out;
    for (Vec2 c : box_corners(centre, heading, length, width, 0))
        out.push_back(project(c.x * f, c.y, z));
    return out;
}

std::vector<plat::Point> shape_polygon(const Vec2 (&points)[4], Vec2 shift, double z) {
    const double f = render::GetDisplaySettings().yxFactor;
    std::vector<plat::Point> out;
    for (Vec2 p : points) out.push_back(project((p.x + shift.x) * f, p.y + shift.y, z));
    return out;
}

// The samples the painter will draw at the current frame, with their indices.
std::vector<std::pair<TrajPoint, int32_t>> visible_samples() {
    std::vector<std::pair<TrajPoint, int32_t>> out;
    int32_t index = 0;
    for (const TrajPoint* s = next_visible_sample(true, index); s;
         s = next_visible_sample(false, index))
        out.emplace_back(*s, index);
    return out;
}

double time_height(int32_t time_ms) {
    return (time_ms - pose_time(scene_start_index())) / render::GetDisplaySettings().msPerMeter;
}

class PaintScene : public RenderTest {};
class DrawHistory : public RenderTest {};
class DisplayToggles : public RenderTest {};

}  // namespace

TEST_F(PaintScene, NothingLoadedDrawsGridAndAxesOnly) {
    const std::vector<DrawOp>& ops = paint();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front().op, Op::BitBlt);
    EXPECT_EQ(ops.front().points[1], (plat::Point{960, 640}));
    int grid = 0, axis = 0, texts = 0;
    for (const DrawOp& op : ops) {
        EXPECT_NE(op.op, Op::Polygon);
        EXPECT_NE(op.op, Op::Ellipse);
        if (op.op == Op::LineTo) (op.pen_info.style == plat::PenStyle::Dot ? grid : axis)++;
        texts += op.op == Op::Text;
    }
    EXPECT_EQ(grid, 62);
    EXPECT_EQ(axis, 2);  // no time axis in the top view
    EXPECT_EQ(texts, 62);
    EXPECT_EQ(render::history_ring().appended, 0);
}

TEST_F(PaintScene, PaletteColoursAndTheEgoCarInOrder) {
    load_scene(three_visible());
    render::role_colours().trajcolseton = 0;
    const auto samples = visible_samples();
    ASSERT_EQ(samples.size(), 3u);
    const std::vector<DrawOp>& ops = paint();
    const std::vector<DrawOp> polys = polygons();
    ASSERT_EQ(polys.size(), 3u + 1u + 4u);

    const plat::Color expected_pens[] = {plat::rgb(0, 255, 0), kPurple,
                                         kPurple};  // 0, 1, 13 mod 12
    for (int k = 0; k < 3; ++k) {
        const TrajPoint& s = samples[k].first;
        EXPECT_EQ(polys[k].pen_info, (PenInfo{plat::PenStyle::Solid, 2, expected_pens[k]})) << k;
        EXPECT_EQ(polys[k].brush_info.color, kBlack);
        EXPECT_EQ(polys[k].points, box_polygon({s.x, s.y}, {s.head_x, s.head_y}, s.length, s.width,
                                               time_height(s.time_ms)));
    }

    // The ego car: body, centre marker, four wheels, at the cursor pose (0, v·t).
    Vec2 e;
    double heading = 0;
    get_cursor_pose(e, heading);
    const double z = time_height(pose_time(pose_cursor()));
    EXPECT_EQ(polys[3].pen_info, (PenInfo{plat::PenStyle::Solid, 1, kBlack}));
    EXPECT_EQ(polys[3].brush_info.color, kYellow);
    EXPECT_EQ(polys[3].points, shape_polygon(render::kEgoBody, e, z));
    for (int w = 0; w < 4; ++w) {
        EXPECT_EQ(polys[4 + w].pen_info, (PenInfo{plat::PenStyle::Solid, 2, kPurple})) << w;
        EXPECT_EQ(polys[4 + w].brush_info.color, kBlack);
        EXPECT_EQ(polys[4 + w].points, shape_polygon(render::kEgoWheels[w], e, z)) << w;
    }
    // The marker comes between the body and the wheels, 8 pixels across, purple.
    const DrawOp* marker = nullptr;
    int polygons_before = 0;
    for (const DrawOp& op : ops) {
        if (op.op == Op::Polygon) ++polygons_before;
        if (op.op == Op::Ellipse) {
            marker = &op;
            break;
        }
    }
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(polygons_before, 4);
    EXPECT_EQ(marker->pen_info.color, kPurple);
    EXPECT_EQ(marker->brush_info.color, kPurple);
    const plat::Point c =
        project((render::kEgoCentre.x + e.x) * 1.5, render::kEgoCentre.y + e.y, z);
    EXPECT_EQ(marker->points, (std::vector<plat::Point>{{c.x - 4, c.y - 4}, {c.x + 4, c.y + 4}}));
}

TEST_F(PaintScene, RolePensInRoleOrder) {
    load_scene(three_visible());
    struct Case {
        int front, lead, lag, rear;
        plat::Color pen;  // of index 1 (id 101)
    };
    const Case cases[] = {
        {101, -1, -1, -1, plat::rgb(255, 0, 0)},
        {-1, 101, -1, -1, plat::rgb(0, 255, 0)},
        {-1, -1, 101, -1, plat::rgb(0, 0, 255)},
        {-1, -1, -1, 101, plat::rgb(255, 0, 255)},
        {101, 101, -1, -1, plat::rgb(255, 0, 0)},
        {-1, 101, 101, 101, plat::rgb(0, 255, 0)},
        {-1, -1, 101, 101, plat::rgb(0, 0, 255)},
        {100, 113, 7, 5, kGrey},
        {-1, -1, -1, -1, kGrey},
    };
    for (const Case& c : cases) {
        render::RoleColours& r = render::role_colours();
        r.frontid = c.front;
        r.leadid = c.lead;
        r.lagid = c.lag;
        r.rearid = c.rear;
        paint();
        const std::vector<DrawOp> polys = polygons();
        ASSERT_GE(polys.size(), 4u);
        // Boxes are the last 3 + 5 polygons before the ego car's; the history comes first.
        const DrawOp& box = polys[polys.size() - 5 - 2];
        EXPECT_EQ(box.pen_info.color, c.pen) << c.front << " " << c.lead << " " << c.lag;
        EXPECT_EQ(box.brush_info.color, kBlack);
        const DrawOp& body = polys[polys.size() - 5];
        EXPECT_EQ(body.pen_info, (PenInfo{plat::PenStyle::Solid, 2, kYellow}));
        EXPECT_EQ(body.brush_info.color, kYellow);
    }
}

TEST_F(PaintScene, TrajectoryIdsInWhiteAtTheThirdCorner) {
    load_scene(three_visible());
    render::DisplaySettings s = render::GetDisplaySettings();
    s.flags |= render::SHOW_TRAJ_ID;
    render::SetDisplaySettings(s);
    const auto samples = visible_samples();
    std::vector<DrawOp> labels;
    for (const DrawOp& op : paint())
        if (op.op == Op::Text && op.text_color == plat::rgb(255, 255, 255)) labels.push_back(op);
    ASSERT_EQ(labels.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        const TrajPoint& p = samples[k].first;
        EXPECT_EQ(labels[k].text, std::to_string(100 + samples[k].second));
        const auto corners = box_corners({p.x, p.y}, {p.head_x, p.head_y}, p.length, p.width, 0);
        const plat::Point c3 = project(corners[2].x * 1.5, corners[2].y, time_height(p.time_ms));
        EXPECT_EQ(labels[k].points[0], (plat::Point{c3.x - 15, c3.y - 10}));
        EXPECT_EQ(labels[k].bk_mode, plat::BkMode::Transparent);
    }
}

TEST_F(PaintScene, OriginFrameAgainstAHandComputedCase) {
    TrajSpec t;
    t.id = 1;
    t.x = 110;
    t.y0 = 204;  // at 205 by the frame the clock stands at
    t.speed = 10;
    render_test::write_file("scene.nav", render_test::nav_text(103, 204, 0.8, 0));
    render_test::write_file("scene.traj", render_test::traj_text({t}));
    ASSERT_EQ(load_ego("scene.nav"), 1);
    ASSERT_EQ(load_mov("scene.traj"), 1);
    scene_origin() = SceneOrigin{100, 200, 0.5};
    paint();

    // The box: R(-0.5)·((110, 205) - (100, 200)), heading R(-0.5)·(0, 1).
    const render::HistoryRing& ring = render::history_ring();
    ASSERT_EQ(ring.appended, 2);
    const TrajPoint& box = ring.boxes[0];
    EXPECT_EQ(ring.owners[0], 0);
    EXPECT_NEAR(box.ego_x, 11.172953311925, 1e-9);
    EXPECT_NEAR(box.ego_y, -0.406342576590, 1e-9);
    EXPECT_NEAR(box.ego_head_x, 0.479425538604, 1e-9);
    EXPECT_NEAR(box.ego_head_y, 0.877582561890, 1e-9);
    EXPECT_EQ(polygons()[0].points,
              box_polygon({11.172953311925, -0.406342576590}, {0.479425538604, 0.877582561890},
                          box.length, box.width, time_height(box.time_ms)));

    // The ego car: R(-0.5)·(R(0.8)·(0.504, 0.828) + (103, 204) - (100, 200)), turned by 0.3.
    const TrajPoint& ego = ring.boxes[1];
    EXPECT_EQ(ring.owners[1], render::kEgoOwner);
    EXPECT_NEAR(ego.ego_x, 4.787248699492, 1e-9);
    EXPECT_NEAR(ego.ego_y, 3.012014428902, 1e-9);
    EXPECT_NEAR(ego.ego_head_x, -0.295520206661, 1e-9);
    EXPECT_NEAR(ego.ego_head_y, 0.955336489126, 1e-9);
    EXPECT_EQ(ego.time_ms, pose_time(pose_cursor()));
    EXPECT_EQ(ego.length, 4.2);
    EXPECT_EQ(ego.width, 1.85);
}

TEST_F(PaintScene, EgoCentredFrame) {
    load_scene(three_visible(), 1.0);  // the ego heading must not turn the car
    render::set_ego_centered(1);
    const auto samples = visible_samples();
    paint();
    const std::vector<DrawOp> polys = polygons();
    ASSERT_EQ(polys.size(), 8u);
    for (int k = 0; k < 3; ++k) {
        const TrajPoint& s = samples[k].first;
        EXPECT_EQ(polys[k].points, box_polygon({s.ego_x, s.ego_y}, {s.ego_head_x, s.ego_head_y},
                                               s.length, s.width, time_height(s.time_ms)));
    }
    const double z = time_height(pose_time(pose_cursor()));
    EXPECT_EQ(polys[3].points, shape_polygon(render::kEgoBody, {0, 0}, z));
    EXPECT_EQ(polys[7].points, shape_polygon(render::kEgoWheels[3], {0, 0}, z));
    const TrajPoint& ego = render::history_ring().boxes[3];
    EXPECT_EQ(ego.ego_x, 0.504);
    EXPECT_EQ(ego.ego_y, 0.828);
    EXPECT_EQ(ego.ego_head_x, 0.0);
    EXPECT_EQ(ego.ego_head_y, 1.0);
}

TEST_F(PaintScene, TwoPaintsOfOneFrameAppendTwice) {
    load_scene(three_visible());
    paint();
    paint();
    const render::HistoryRing& ring = render::history_ring();
    ASSERT_EQ(ring.appended, 8);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ring.owners[k], ring.owners[k + 4]);
        EXPECT_EQ(ring.boxes[k].ego_x, ring.boxes[k + 4].ego_x);
        EXPECT_EQ(ring.boxes[k].time_ms, ring.boxes[k + 4].time_ms);
    }
    EXPECT_EQ(render::last_drawn(13), current_frame());
}

TEST_F(PaintScene, ZeroClientSizeDrawsNothing) {
    load_scene(three_visible());
    plat::Dc canvas = plat::create_canvas(10, 10);
    render::paint_scene(canvas, plat::Size{0, 640});
    render::paint_scene(canvas, plat::Size{960, 0});
    EXPECT_TRUE(plat::headless::canvas_ops(canvas).empty());
    EXPECT_EQ(render::history_ring().appended, 0);
    plat::delete_dc(canvas);
}

// A file with more trajectories than the table's start size: the table grows
// instead of being written past its end.
TEST_F(PaintScene, LastDrawnCoversFilesWithMoreThan5000Trajectories) {
    std::vector<TrajSpec> many;
    for (int i = 0; i < 5010; ++i) {
        TrajSpec t;
        t.id = i;
        t.last = 3;
        t.x = i * 0.01;
        many.push_back(t);
    }
    load_scene(many);
    clock_settings().tooShortTraj = 1;
    paint();
    EXPECT_GE(render::last_drawn_size(), 5010u);
    EXPECT_EQ(render::last_drawn(5009), current_frame());
    EXPECT_EQ(render::history_ring().appended, 5011);
}

TEST(GreyRamp, IndexFromSpeedAndFrame) {
    struct Case {
        double d;
        int k;
    };
    // Speed range 5..30 m/s.
    const Case speeds[] = {{2, 255}, {5, 255}, {17.5, 128}, {30, 0}, {45, 0}};
    for (const Case& c : speeds)
        EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(c.d, 5, 30)), c.k) << c.d;
    // Equal ends: black at or below, white above.
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(10, 10, 10)), 255);
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(10.5, 10, 10)), 0);
    EXPECT_EQ(render::grey_ramp_index(render::speed_fraction(0.0 / 0.0, 5, 30)), 255);
    // Frames 1..30: not clamped before the index is.
    const Case frames[] = {{1, 247}, {15, 128}, {30, 0}, {60, 0}, {-40, 255}};
    for (const Case& c : frames)
        EXPECT_EQ(render::grey_ramp_index(render::frame_fraction(static_cast<int>(c.d), 1, 30)),
                  c.k)
            << c.d;
}

TEST_F(DrawHistory, ShadesBySpeedWithRoleColoursOn) {
    const double speeds[] = {2, 5, 17.5, 30, 45};
    const int levels[] = {0, 0, 127, 255, 255};  // grey level 255 - k
    for (double v : speeds) {
        TrajPoint p;
        p.speed = v;
        p.ego_head_y = 1;
        p.length = 4;
        p.width = 2;
        render::history_append(p, 0);
    }
    TrajPoint ego;
    ego.ego_head_y = 1;
    render::history_append(ego, render::kEgoOwner);
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_history(dc);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 6u);
    for (int k = 0; k < 5; ++k) {
        const int g = levels[k];
        EXPECT_EQ(ops[k].pen_info, (PenInfo{plat::PenStyle::Solid, 2, plat::rgb(g, g, g)})) << k;
        EXPECT_EQ(ops[k].brush_info.color, kBlack);
    }
    EXPECT_EQ(ops[5].pen_info, (PenInfo{plat::PenStyle::Solid, 2, kYellow}));
    EXPECT_EQ(ops[5].brush_info.color, kYellow);
    plat::delete_dc(dc);
}

TEST_F(DrawHistory, ShadesByFrameWithRoleColoursOff) {
    load_scene(three_visible());  // frames 1..30
    render::role_colours().trajcolseton = 0;
    render::clear_history();
    const int frames[] = {1, 15, 30};
    const int levels[] = {255 - 247, 255 - 128, 255};
    for (int f : frames) {
        TrajPoint p;
        p.frame = f;
        p.ego_head_y = 1;
        render::history_append(p, 0);
    }
    render::history_append(TrajPoint{}, render::kEgoOwner);
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_history(dc);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), 4u);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ops[k].pen_info.color, plat::rgb(levels[k], levels[k], levels[k])) << k;
    EXPECT_EQ(ops[3].pen_info, (PenInfo{plat::PenStyle::Solid, 2, kYellow}));  // palette 4
    EXPECT_EQ(ops[3].brush_info.color, kYellow);
    plat::delete_dc(dc);
}

TEST_F(DrawHistory, OldestFirstAcrossTheWrap) {
    render::DisplaySettings s = render::GetDisplaySettings();
    s.drawHistory = 1;
    render::SetDisplaySettings(s);
    const int total = render::kHistorySize + 3;
    for (int k = 0; k < total; ++k) {
        TrajPoint p;
        p.ego_y = k;  // one metre apart: 4.5 pixels to the right per entry
        p.ego_head_y = 1;
        p.length = 1;
        p.width = 1;
        render::history_append(p, 0);
    }
    plat::Dc dc = plat::create_canvas(960, 640);
    render::draw_history(dc);
    const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
    ASSERT_EQ(ops.size(), static_cast<size_t>(render::kHistorySize));
    EXPECT_EQ(ops.front().points, box_polygon({0, 3}, {0, 1}, 1, 1, time_height(0)));
    EXPECT_EQ(ops.back().points, box_polygon({0, total - 1.0}, {0, 1}, 1, 1, time_height(0)));
    for (size_t k = 1; k < ops.size(); ++k)
        ASSERT_GT(ops[k].points[0].x, ops[k - 1].points[0].x) << k;
    plat::delete_dc(dc);
}

TEST_F(DrawHistory, RecentTrajectoriesOnlyUnlessDrawHistory) {
    // Trajectory 0 runs through frame 30, trajectory 1 ends at frame 5.
    std::vector<TrajSpec> two(2);
    two[0].id = 1;
    two[1].id = 2;
    two[1].last = 5;
    two[1].x = 4;
    load_scene(two);
    clock_settings().tooShortTraj = 1;
    while (current_frame() < 8) {
        paint();
        step_scene();
    }
    ASSERT_EQ(render::last_drawn(1), 5);
    // (boxes of `owner` in the ring, boxes draw_history draws)
    auto drawn_history = [](int owner) {
        const int before = render::history_ring().appended;
        plat::Dc dc = plat::create_canvas(960, 640);
        render::draw_history(dc);
        const std::vector<DrawOp>& ops = plat::headless::canvas_ops(dc);
        int n = 0;
        for (int k = 0; k < render::history_size(); ++k)
            n += render::history_ring().owners[render::history_slot(k)] == owner;
        const int drawn = static_cast<int>(ops.size());
        plat::delete_dc(dc);
        EXPECT_EQ(render::history_ring().appended, before);
        return std::make_pair(n, drawn);
    };
    paint();  // frame 8: three frames since trajectory 1 was drawn
    const auto at8 = drawn_history(1);
    EXPECT_EQ(at8.second, render::history_size());
    step_scene();
    paint();  // frame 9: four frames
    const auto at9 = drawn_history(1);
    EXPECT_GT(at9.first, 0);
    EXPECT_EQ(at9.second, render::history_size() - at9.first);
    render::DisplaySettings s = render::GetDisplaySettings();
    s.drawHistory = 1;
    render::SetDisplaySettings(s);
    EXPECT_EQ(drawn_history(1).second, render::history_size());
}

TEST_F(DisplayToggles, TimeSerialsAndEgoCentredEmptyTheHistory) {
    plat::WindowClass cls;
    cls.name = "RenderToggleTest";
    cls.proc = plat::def_window_proc;
    cls.menu_id = resources::IDR_MAIN_MENU;
    ASSERT_TRUE(plat::register_class(cls));
    const plat::Hwnd hwnd = plat::create_window(cls.name, "t", 960, 640);
    const plat::Hmenu menu = plat::get_menu(hwnd);
    ASSERT_TRUE(menu);
    load_scene(three_visible());
    paint();
    ASSERT_GT(render::history_ring().appended, 0);
    plat::headless::clear_logs();

    render::toggle_time_series(hwnd);
    EXPECT_EQ(render::history_ring().appended, 0);
    EXPECT_EQ(render::GetDisplaySettings().flags & render::SHOW_TIME_SERIES, 0);
    EXPECT_EQ(plat::menu_item_checked(menu, resources::IDM_TIME_SERIALS), 0);
    ASSERT_EQ(plat::headless::invalidations().size(), 1u);
    EXPECT_TRUE(plat::headless::invalidations()[0].erase);
    render::toggle_time_series(hwnd);
    EXPECT_EQ(plat::menu_item_checked(menu, resources::IDM_TIME_SERIALS), 1);

    paint();
    plat::headless::clear_logs();
    render::toggle_ego_centered(hwnd);
    EXPECT_EQ(render::history_ring().appended, 0);
    EXPECT_EQ(render::ego_centered(), 1);
    EXPECT_EQ(plat::menu_item_checked(menu, resources::IDM_EGO_CENTERED), 1);
    EXPECT_TRUE(plat::headless::invalidations().empty());  // shows at the next repaint
    render::toggle_ego_centered(hwnd);
    EXPECT_EQ(render::ego_centered(), 0);
    EXPECT_EQ(plat::menu_item_checked(menu, resources::IDM_EGO_CENTERED), 0);
    plat::destroy_window(hwnd);
}

TEST_F(PaintScene, AppendedNeverOverflows) {
    render::HistoryRing& ring = render::history_ring();
    ring.appended = 2000000000 - 1;  // the last count before it steps back
    const int slot_before = ring.appended % render::kHistorySize;
    TrajPoint p;
    p.ego_x = 42;
    render::history_append(p, 7);
    EXPECT_EQ(ring.owners[slot_before], 7);
    EXPECT_GE(ring.appended, render::kHistorySize);
    EXPECT_EQ(ring.appended % render::kHistorySize, (slot_before + 1) % render::kHistorySize);
    EXPECT_EQ(render::history_slot(render::kHistorySize - 1), slot_before);
}
