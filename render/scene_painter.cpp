#include "render/scene_painter.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/role_colours.h"
#include "render/view.h"

namespace render {
namespace {

HistoryRing g_history;
// Sized at start-up for the usual files; grows with a larger file's entry_count.
std::vector<int32_t> g_last_drawn;
constexpr std::size_t kInitialLastDrawn = 5000;

// appended steps back by whole rings once it reaches this multiple of the ring
// size, so a long playback never overflows it.
constexpr int32_t kAppendedWrap = kHistorySize * 400000;
static_assert(kAppendedWrap % kHistorySize == 0 && kAppendedWrap > kHistorySize);

constexpr plat::Color kIdLabelColour = plat::rgb(255, 255, 255);
// A history box of a trajectory is drawn only while the trajectory was drawn within
// this many frames of the current one (unless drawHistory is set).
constexpr std::int64_t kRecentFrames = 3;

// What one paint needs of the settings and the scene, read once.
struct PaintContext {
    DisplaySettings settings;
    bool ego_centered = false;
    bool role_colours_on = false;
    double t0 = 0;    // ms: time of the scene start pose
    Vec2 origin;      // scene origin, metres
    Mat2 origin_rot;  // R(h_o); its transpose takes the world into the origin frame
    double f = 1;     // yxFactor
    double m = 1;     // msPerMeter
};

PaintContext make_context() {
    PaintContext c;
    c.settings = GetDisplaySettings();
    c.ego_centered = ego_centered() != 0;
    c.role_colours_on = role_colours().trajcolseton != 0;
    c.t0 = static_cast<double>(pose_time(scene_start_index()));
    double h = 0;
    get_scene_origin(c.origin, h);
    c.origin_rot = rotation_matrix(h);
    c.f = c.settings.yxFactor;
    c.m = c.settings.msPerMeter;
    return c;
}

double time_height(const PaintContext& c, int32_t time_ms) {
    return (static_cast<double>(time_ms) - c.t0) / c.m;
}

// R(-h_o)·(p - o): a world point in the origin frame.
Vec2 to_origin_frame(const PaintContext& c, Vec2 p) {
    vec_sub(p, c.origin);
    vec_rotate_inverse(p, c.origin_rot);
    return p;
}

void stretch(Vec2* points, int count, double f) {
    for (int i = 0; i < count; ++i) points[i].x *= f;
}

void draw_box(plat::Dc dc, const PaintContext& c, Vec2 centre, Vec2 heading, double length,
              double width, double z, std::array<Vec2, 4>& corners) {
    corners = box_corners(centre, heading, length, width, 0);
    stretch(corners.data(), 4, c.f);
    draw_shape(dc, corners.data(), 4, z);
}

void draw_traj_box(plat::Dc dc, const PaintContext& c, const TrajPoint& s, int32_t index) {
    TrajPoint& entry = history_append(s, index);
    if (index >= 0 && static_cast<std::size_t>(index) < g_last_drawn.size())
        g_last_drawn[static_cast<std::size_t>(index)] = current_frame();

    Vec2 centre{s.ego_x, s.ego_y};
    Vec2 heading{s.ego_head_x, s.ego_head_y};
    if (!c.ego_centered) {
        centre = to_origin_frame(c, Vec2{s.x, s.y});
        heading = Vec2{s.head_x, s.head_y};
        vec_rotate_inverse(heading, c.origin_rot);
        entry.ego_x = centre.x;
        entry.ego_y = centre.y;
        entry.ego_head_x = heading.x;
        entry.ego_head_y = heading.y;
    }

    plat::Pen pen = draw_resources().palette_pens[index >= 0 ? index % kPaletteSize : 0];
    if (c.role_colours_on) {
        pen = role_pen_for_id(traj_id_at(index));
        if (!pen) pen = draw_resources().palette_pens[kPaletteAxes];
    }
    plat::select_object(dc, plat::stock_brush(plat::StockBrush::Black));
    plat::select_object(dc, pen);
    const double z = time_height(c, s.time_ms);
    std::array<Vec2, 4> corners;
    draw_box(dc, c, centre, heading, s.length, s.width, z, corners);

    if (c.settings.flags & SHOW_TRAJ_ID) {
        char id[16];
        int n = std::snprintf(id, sizeof id, "%d", static_cast<int>(traj_id_at(index)));
        if (n > 0) draw_label(dc, std::string_view(id, static_cast<std::size_t>(n)), corners[2], z);
    }
}

void draw_ego_car(plat::Dc dc, const PaintContext& c) {
    const int32_t t = pose_time(pose_cursor());
    const double z = time_height(c, t);

    Vec2 body[4] = {kEgoBody[0], kEgoBody[1], kEgoBody[2], kEgoBody[3]};
    Vec2 centre = kEgoCentre;
    Vec2 wheels[4][4];
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k) wheels[w][k] = kEgoWheels[w][k];

    TrajPoint ego;
    ego.time_ms = t;
    ego.ego_x = kEgoCentre.x;
    ego.ego_y = kEgoCentre.y;
    ego.ego_head_x = 0;
    ego.ego_head_y = 1;
    ego.length = kEgoLength;
    ego.width = kEgoWidth;

    if (!c.ego_centered) {
        Vec2 e;
        double he = 0;
        get_cursor_pose(e, he);
        const Mat2 pose_rot = rotation_matrix(he);
        auto place = [&](Vec2& p) {
            vec_rotate(p, pose_rot);
            vec_add(p, e);
            p = to_origin_frame(c, p);
        };
        for (Vec2& p : body) place(p);
        place(centre);
        for (auto& wheel : wheels)
            for (Vec2& p : wheel) place(p);
        Vec2 forward = body[0];
        vec_sub(forward, body[1]);
        const double len = vec_length(forward);
        if (len != 0) forward = Vec2{forward.x / len, forward.y / len};
        ego.ego_x = centre.x;
        ego.ego_y = centre.y;
        ego.ego_head_x = forward.x;
        ego.ego_head_y = forward.y;
    }
    history_append(ego, kEgoOwner);

    if (c.role_colours_on)
        draw_car(dc, body, centre, wheels, c.f, z, role_pens().ego, role_pens().ego_brush);
    else
        draw_car(dc, body, centre, wheels, c.f, z, plat::stock_pen(plat::StockPen::Black),
                 draw_resources().palette_brushes[kPaletteEgoBody]);
}

}  // namespace

void draw_car(plat::Dc dc, const Vec2 (&body)[4], Vec2 centre, const Vec2 (&wheels)[4][4], double f,
              double z, plat::Pen body_pen, plat::Brush body_brush) {
    const DrawResources& res = draw_resources();
    Vec2 points[4];
    auto stretched = [&points, f](const Vec2(&shape)[4]) {
        for (int k = 0; k < 4; ++k) points[k] = Vec2{shape[k].x * f, shape[k].y};
        return points;
    };
    plat::select_object(dc, body_pen);
    plat::select_object(dc, body_brush);
    draw_shape(dc, stretched(body), 4, z);

    plat::select_object(dc, res.palette_pens[kPaletteEgoMarker]);
    plat::select_object(dc, res.palette_brushes[kPaletteEgoMarker]);
    draw_marker(dc, Vec2{centre.x * f, centre.y}, kEgoMarkerRadius, z);

    plat::select_object(dc, plat::stock_brush(plat::StockBrush::Black));
    for (const auto& wheel : wheels) draw_shape(dc, stretched(wheel), 4, z);
}

void paint_off_screen(plat::Dc target, plat::Size client,
                      const std::function<void(plat::Dc)>& draw) {
    if (client.width <= 0 || client.height <= 0) return;
    const int w = client.width, h = client.height;
    plat::Dc mem = plat::create_compatible_dc(target);
    plat::Bitmap picture = plat::create_compatible_bitmap(target, w, h);
    const plat::Bitmap kept_bitmap = plat::select_object(mem, picture);
    const plat::Pen kept_pen = plat::select_object(mem, plat::stock_pen(plat::StockPen::Black));
    const plat::Brush kept_brush =
        plat::select_object(mem, plat::stock_brush(plat::StockBrush::Black));
    const plat::BkMode kept_mode = plat::set_bk_mode(mem, plat::BkMode::Transparent);

    draw(mem);
    plat::bit_blt(target, 0, 0, w, h, mem, 0, 0);

    plat::select_object(mem, kept_pen);
    plat::select_object(mem, kept_brush);
    plat::set_bk_mode(mem, kept_mode);
    plat::select_object(mem, kept_bitmap);
    plat::delete_dc(mem);
    plat::delete_object(picture);
}

namespace {

void draw_history_with(plat::Dc dc, const PaintContext& c) {
    const DrawResources& res = draw_resources();
    const RoleColours& roles = role_colours();
    const TrajStore& store = traj_store();
    const std::int64_t frame_now = current_frame();
    const int n = history_size();
    for (int k = 0; k < n; ++k) {
        const int slot = history_slot(k);
        const TrajPoint& e = g_history.boxes[slot];
        const int32_t owner = g_history.owners[slot];
        if (owner == kEgoOwner) {
            if (c.role_colours_on) {
                plat::select_object(dc, role_pens().ego);
                plat::select_object(dc, role_pens().ego_brush);
            } else {
                plat::select_object(dc, res.palette_pens[kPaletteEgoBody]);
                plat::select_object(dc, res.palette_brushes[kPaletteEgoBody]);
            }
        } else {
            if (c.settings.drawHistory == 0 &&
                std::llabs(static_cast<std::int64_t>(last_drawn(owner)) - frame_now) >
                    kRecentFrames)
                continue;
            const double d = c.role_colours_on
                                 ? speed_fraction(e.speed, roles.speedmin, roles.speedmax)
                                 : frame_fraction(e.frame, store.min_frame, store.max_frame);
            plat::select_object(dc, plat::stock_brush(plat::StockBrush::Black));
            plat::select_object(dc, res.grey_ramp[grey_ramp_index(d)]);
        }
        std::array<Vec2, 4> corners;
        draw_box(dc, c, Vec2{e.ego_x, e.ego_y}, Vec2{e.ego_head_x, e.ego_head_y}, e.length, e.width,
                 time_height(c, e.time_ms), corners);
    }
}

}  // namespace

HistoryRing& history_ring() {
    return g_history;
}

TrajPoint& history_append(const TrajPoint& box, int32_t owner) {
    const int slot = g_history.appended % kHistorySize;
    g_history.boxes[slot] = box;
    g_history.owners[slot] = owner;
    ++g_history.appended;
    // Whole rings back: the slot sequence and a full ring are kept.
    if (g_history.appended >= kAppendedWrap) g_history.appended -= kAppendedWrap - kHistorySize;
    return g_history.boxes[slot];
}

int history_size() {
    return g_history.appended < kHistorySize ? g_history.appended : kHistorySize;
}

int history_slot(int n) {
    if (g_history.appended < kHistorySize) return n;
    return (g_history.appended % kHistorySize + n) % kHistorySize;
}

int32_t last_drawn(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= g_last_drawn.size()) return 0;
    return g_last_drawn[static_cast<std::size_t>(index)];
}

std::size_t last_drawn_size() {
    return g_last_drawn.size();
}

int grey_ramp_index(double d) {
    const double k = (1.0 - d) * 256.0;
    if (std::isnan(k)) return kGreyRampSize - 1;
    if (k <= 0) return 0;
    if (k >= kGreyRampSize - 1) return kGreyRampSize - 1;
    return static_cast<int>(k);
}

double speed_fraction(double speed, double speedmin, double speedmax) {
    if (speedmax == speedmin) return speed <= speedmin ? 0.0 : 1.0;
    const double d = (speed - speedmin) / (speedmax - speedmin);
    if (d < 0) return 0;
    if (d > 1) return 1;
    return d;  // NaN stays NaN: grey_ramp_index makes it black
}

double frame_fraction(int32_t frame, int32_t min_frame, int32_t max_frame) {
    const double range = static_cast<double>(max_frame) - min_frame + 1;
    if (range == 0) return 0;
    return (static_cast<double>(frame) - min_frame + 1) / range;
}

void draw_history(plat::Dc dc) {
    draw_history_with(dc, make_context());
}

void paint_scene(plat::Dc target, plat::Size client) {
    paint_off_screen(target, client, [](plat::Dc mem) {
        const PaintContext c = make_context();
        if (c.settings.flags & SHOW_GRID) draw_grid(mem);
        if (c.settings.flags & SHOW_AXIS) draw_axes(mem);
        if (!pose_track_loaded() || !traj_store_loaded()) return;
        // A file with more trajectories than any before: the only allocation a paint
        // may make besides its picture, once per such load.
        const std::size_t entries = static_cast<std::size_t>(traj_store().entry_count);
        if (entries > g_last_drawn.size()) g_last_drawn.resize(entries, 0);

        if (c.settings.flags & SHOW_TIME_SERIES) draw_history_with(mem, c);
        plat::set_text_color(mem, kIdLabelColour);
        int32_t index = 0;
        bool restart = true;
        while (const TrajPoint* s = next_visible_sample(restart, index)) {
            restart = false;
            draw_traj_box(mem, c, *s, index);
        }
        draw_ego_car(mem, c);
    });
}

void renderer_startup() {
    init_display_settings(plovane_display_defaults());
    create_draw_resources(DrawFlavour::Plovane);
    reset_model_pose();
    load_role_colours();
    g_last_drawn.assign(kInitialLastDrawn, 0);
    clear_history();
}

void renderer_shutdown() {
    delete_draw_resources();
    delete_role_colours();
}

void clear_history() {
    g_history.appended = 0;
}

}  // namespace render
