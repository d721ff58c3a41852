#include "render/scene_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/pose_track.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/role_colours.h"
#include "render/view.h"

namespace render {
namespace {

constexpr plat::Color kIdLabelColour = plat::rgb(255, 255, 255);
// A history box of a trajectory is drawn only while the trajectory was drawn within
// this many frames of the current one (unless drawHistory is set).
constexpr std::int64_t kRecentFrames = 3;

// What one paint needs of the settings and the scene, read once.
struct PaintContext {
    const Scene& scene;
    const View& view;
    DisplaySettings settings;
    bool ego_centered = false;
    bool role_colours_on = false;
    double t0 = 0;    // ms: time of the scene start pose
    Vec2 origin;      // scene origin, metres
    Mat2 origin_rot;  // R(h_o); its transpose takes the world into the origin frame
    double f = 1;     // yxFactor
    double m = 1;     // msPerMeter
    Projection projection;
    CullArea area;  // boxes beyond it are not drawn
};

// picture: the size of the picture painted into; {0, 0} when not known (nothing
// is left out then).
PaintContext make_context(const Scene& scene, const View& view, plat::Size picture = {}) {
    PaintContext c{scene, view, view.settings,    false,
                   false, 0,    Vec2{},           Mat2{},
                   1,     1,    Projection(view), cull_area(picture)};
    c.settings = view.settings;
    c.ego_centered = view.egoCentered != 0;
    c.role_colours_on = view.roles.colours.trajcolseton != 0;
    c.t0 = view.inspect.time_from_now
               ? static_cast<double>(scene.store.current_time)
               : static_cast<double>(pose_time(scene.pose, scene.pose.scene_start_index));
    c.origin = Vec2{scene.scene_origin.x, scene.scene_origin.y};
    c.origin_rot = rotation_matrix(scene.scene_origin.heading);
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

// A box's corners on the plane and on the picture; false when the box lies beyond
// the paint's cull area, where nothing of it would show.
bool place_box(const PaintContext& c, Vec2 centre, Vec2 heading, double length, double width,
               double z, std::array<Vec2, 4>& corners, plat::Point (&screen)[4]) {
    corners = box_corners(centre, heading, length, width, 0);
    stretch(corners.data(), 4, c.f);
    if (c.area.bounded && c.projection.plain()) {
        // First the centre alone: a corner lands at most 100·(|dx| + |dy|)·scale
        // pixels from it (each row of the projection has a norm of at most 1), and
        // the truncations add at most a unit of each. Most of a city's boxes are far
        // beyond the picture and need no more.
        const Vec2 mid{centre.x * c.f, centre.y};
        double r = 0;
        for (const Vec2& k : corners)
            r = std::max(r, std::fabs(k.x - mid.x) + std::fabs(k.y - mid.y));
        const double reach = (100.0 * r + 2) * std::fabs(c.projection.scale()) + 2;
        const plat::Point p = c.projection.at(mid, z);
        if (p.x + reach < c.area.left || p.x - reach > c.area.right || p.y + reach < c.area.top ||
            p.y - reach > c.area.bottom)
            return false;
    }
    for (int i = 0; i < 4; ++i)
        screen[i] = c.projection.at(corners[static_cast<std::size_t>(i)], z);
    return !beyond(c.area, screen, 4);
}

// Where a sample's box stands on the plane: its ego-frame columns in the
// ego-centred frame, else its world position in the origin frame.
void place_sample(const PaintContext& c, const TrajPoint& s, Vec2& centre, Vec2& heading) {
    centre = Vec2{s.ego_x, s.ego_y};
    heading = Vec2{s.ego_head_x, s.ego_head_y};
    if (!c.ego_centered) {
        centre = to_origin_frame(c, Vec2{s.x, s.y});
        heading = Vec2{s.head_x, s.head_y};
        vec_rotate_inverse(heading, c.origin_rot);
    }
}

// The sample as read beside a visible sample s of the store: thin and dotted, not
// filled, so that the cleaned box shows through.
void draw_raw_box(plat::Dc dc, const PaintContext& c, const TrajPoint& s) {
    const TrajStore& store = c.scene.store;
    const std::ptrdiff_t at = &s - store.samples.data();
    if (at < 0 || static_cast<std::size_t>(at) >= store.raw_samples.size()) return;
    const TrajPoint& raw = store.raw_samples[static_cast<std::size_t>(at)];
    Vec2 centre, heading;
    place_sample(c, raw, centre, heading);
    std::array<Vec2, 4> corners;
    plat::Point screen[4];
    if (!place_box(c, centre, heading, raw.length, raw.width, time_height(c, raw.time_ms), corners,
                   screen))
        return;
    plat::select_object(dc, c.view.res.raw_pen);
    plat::select_object(dc, plat::stock_brush(plat::StockBrush::Null));
    plat::polygon(dc, screen, 4);
}

void draw_traj_box(plat::Dc dc, const PaintContext& c, const TrajPoint& s, int32_t index) {
    Vec2 centre, heading;
    place_sample(c, s, centre, heading);

    const double z = time_height(c, s.time_ms);
    std::array<Vec2, 4> corners;
    plat::Point screen[4];
    if (place_box(c, centre, heading, s.length, s.width, z, corners, screen)) {
        const DrawResources& res = c.view.res;
        plat::Pen pen = res.palette_pens[index >= 0 ? index % kPaletteSize : 0];
        if (c.role_colours_on) {
            pen = role_pen_for_id(c.view.roles, traj_id_at(c.scene.store, index));
            if (!pen) pen = res.palette_pens[kPaletteAxes];
        }
        if (index == c.view.inspect.selected) pen = res.highlight_pen;
        plat::select_object(dc, plat::stock_brush(plat::StockBrush::Black));
        plat::select_object(dc, pen);
        plat::polygon(dc, screen, 4);
    }

    if (c.settings.flags & SHOW_TRAJ_ID) {
        char id[16];
        int n =
            std::snprintf(id, sizeof id, "%d", static_cast<int>(traj_id_at(c.scene.store, index)));
        if (n > 0)
            draw_label(dc, c.view, std::string_view(id, static_cast<std::size_t>(n)), corners[2],
                       z);
    }
    if (c.view.inspect.show_raw) draw_raw_box(dc, c, s);
}

// The ego car placed for the current pose: its outline points and the history
// entry that records where it stood.
struct EgoPlacement {
    Vec2 body[4];
    Vec2 centre;
    Vec2 wheels[4][4];
    TrajPoint entry;
};

EgoPlacement place_ego(const PaintContext& c) {
    EgoPlacement ep;
    const int32_t t = pose_time(c.scene.pose, c.scene.pose.pose_cursor);
    Vec2(&body)[4] = ep.body;
    Vec2& centre = ep.centre;
    auto& wheels = ep.wheels;
    for (int k = 0; k < 4; ++k) body[k] = kEgoBody[k];
    centre = kEgoCentre;
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k) wheels[w][k] = kEgoWheels[w][k];

    TrajPoint& ego = ep.entry;
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
        get_cursor_pose(c.scene.pose, e, he);
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
    return ep;
}

void draw_ego_car(plat::Dc dc, const PaintContext& c) {
    const EgoPlacement ep = place_ego(c);
    const double z = time_height(c, ep.entry.time_ms);
    const RolePens& pens = c.view.roles.pens;
    const bool selected = c.view.inspect.selected == kSelectEgo;
    if (c.role_colours_on)
        draw_car(dc, c.view, ep.body, ep.centre, ep.wheels, c.f, z,
                 selected ? c.view.res.highlight_pen : pens.ego, pens.ego_brush);
    else
        draw_car(dc, c.view, ep.body, ep.centre, ep.wheels, c.f, z,
                 selected ? c.view.res.highlight_pen : plat::stock_pen(plat::StockPen::Black),
                 c.view.res.palette_brushes[kPaletteEgoBody]);
}

}  // namespace

void draw_car(plat::Dc dc, const View& view, const Vec2 (&body)[4], Vec2 centre,
              const Vec2 (&wheels)[4][4], double f, double z, plat::Pen body_pen,
              plat::Brush body_brush) {
    const DrawResources& res = view.res;
    Vec2 points[4];
    auto stretched = [&points, f](const Vec2(&shape)[4]) {
        for (int k = 0; k < 4; ++k) points[k] = Vec2{shape[k].x * f, shape[k].y};
        return points;
    };
    plat::select_object(dc, body_pen);
    plat::select_object(dc, body_brush);
    draw_shape(dc, view, stretched(body), 4, z);

    plat::select_object(dc, res.palette_pens[kPaletteEgoMarker]);
    plat::select_object(dc, res.palette_brushes[kPaletteEgoMarker]);
    draw_marker(dc, view, Vec2{centre.x * f, centre.y}, kEgoMarkerRadius, z);

    plat::select_object(dc, plat::stock_brush(plat::StockBrush::Black));
    for (const auto& wheel : wheels) draw_shape(dc, view, stretched(wheel), 4, z);
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
    const DrawResources& res = c.view.res;
    const RoleColours& roles = c.view.roles.colours;
    const RolePens& pens = c.view.roles.pens;
    const TrajStore& store = c.scene.store;
    const HistoryRing& ring = c.scene.history;
    const std::int64_t frame_now = store.current_frame;
    const int32_t sel = c.view.inspect.selected;
    const int32_t selected_owner = sel == kSelectEgo ? kEgoOwner : sel;
    const plat::Brush black = plat::stock_brush(plat::StockBrush::Black);
    // The pen and brush selected last in this loop: a box in the same ones selects
    // nothing again (a selection draws nothing, so the calls drawn stay the same).
    plat::Pen selected_pen{};
    plat::Brush selected_brush{};
    const int n = history_size(ring);
    for (int k = 0; k < n; ++k) {
        const auto slot = static_cast<std::size_t>(history_slot(ring, k));
        const TrajPoint& e = ring.boxes[slot];
        const int32_t owner = ring.owners[slot];
        if (owner != kEgoOwner && c.settings.drawHistory == 0 &&
            std::llabs(static_cast<std::int64_t>(last_drawn(ring, owner)) - frame_now) >
                kRecentFrames)
            continue;
        std::array<Vec2, 4> corners;
        plat::Point screen[4];
        if (!place_box(c, Vec2{e.ego_x, e.ego_y}, Vec2{e.ego_head_x, e.ego_head_y}, e.length,
                       e.width, time_height(c, e.time_ms), corners, screen))
            continue;
        plat::Pen pen;
        plat::Brush brush;
        if (owner == kEgoOwner) {
            pen = c.role_colours_on ? pens.ego : res.palette_pens[kPaletteEgoBody];
            brush = c.role_colours_on ? pens.ego_brush : res.palette_brushes[kPaletteEgoBody];
        } else {
            const double d = c.role_colours_on
                                 ? speed_fraction(e.speed, roles.speedmin, roles.speedmax)
                                 : frame_fraction(e.frame, store.min_frame, store.max_frame);
            pen = res.grey_ramp[grey_ramp_index(d)];
            brush = black;
        }
        if (owner == selected_owner && sel != kSelectNone) pen = res.highlight_pen;
        if (brush != selected_brush) plat::select_object(dc, selected_brush = brush);
        if (pen != selected_pen) plat::select_object(dc, selected_pen = pen);
        plat::polygon(dc, screen, 4);
    }
}

}  // namespace

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

void draw_history(plat::Dc dc, const Scene& scene, const View& view) {
    draw_history_with(dc, make_context(scene, view));
}

void draw_scene(plat::Dc mem, const Scene& scene, const View& view, plat::Size picture) {
    const PaintContext c = make_context(scene, view, picture);
    if (c.settings.flags & SHOW_GRID) draw_grid(mem, view);
    if (c.settings.flags & SHOW_AXIS) draw_axes(mem, view);
    if (!scene_ready(scene)) return;
    if (c.settings.flags & SHOW_TIME_SERIES) draw_history_with(mem, c);
    plat::set_text_color(mem, kIdLabelColour);
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) draw_traj_box(mem, c, *s, walk.index);
    draw_ego_car(mem, c);
}

void paint_scene(const Scene& scene, const View& view, plat::Dc target, plat::Size client) {
    // One pointer captured: the call keeps within std::function's own room and
    // allocates nothing.
    const struct {
        const Scene& scene;
        const View& view;
        plat::Size client;
    } what{scene, view, client};
    paint_off_screen(target, client, [&what](plat::Dc mem) {
        draw_scene(mem, what.scene, what.view, what.client);
    });
}

plat::Rect sample_screen_bounds(const Scene& scene, const View& view, const TrajPoint& s) {
    const PaintContext c = make_context(scene, view);
    Vec2 centre, heading;
    place_sample(c, s, centre, heading);
    std::array<Vec2, 4> corners = box_corners(centre, heading, s.length, s.width, 0);
    stretch(corners.data(), 4, c.f);
    const double z = time_height(c, s.time_ms);
    plat::Rect r;
    for (size_t i = 0; i < corners.size(); ++i) {
        const plat::Point p = project_point(view, corners[i], z);
        if (i == 0) r = plat::Rect{p.x, p.y, p.x + 1, p.y + 1};
        r.left = std::min(r.left, p.x), r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x + 1), r.bottom = std::max(r.bottom, p.y + 1);
    }
    return r;
}

BoxOutline sample_outline(const Scene& scene, const View& view, const TrajPoint& s) {
    const PaintContext c = make_context(scene, view);
    Vec2 centre, heading;
    place_sample(c, s, centre, heading);
    BoxOutline o;
    o.corners = box_corners(centre, heading, s.length, s.width, 0);
    stretch(o.corners.data(), 4, c.f);
    o.centre = Vec2{centre.x * c.f, centre.y};
    o.z = time_height(c, s.time_ms);
    return o;
}

BoxOutline ego_outline(const Scene& scene, const View& view) {
    const PaintContext c = make_context(scene, view);
    const EgoPlacement ep = place_ego(c);
    BoxOutline o;
    for (int k = 0; k < 4; ++k) o.corners[static_cast<std::size_t>(k)] = ep.body[k];
    stretch(o.corners.data(), 4, c.f);
    o.centre = Vec2{ep.centre.x * c.f, ep.centre.y};
    o.z = time_height(c, ep.entry.time_ms);
    return o;
}

bool record_history(Scene& scene, const View& view) {
    if (!scene_ready(scene)) return false;
    HistoryRing& ring = scene.history;
    if (ring.recorded_serial == scene.frame_serial) return false;
    ring.recorded_serial = scene.frame_serial;
    // A file with more trajectories than any before: the table grows once per such load.
    const auto entries = static_cast<std::size_t>(scene.store.entry_count);
    if (entries > ring.last_drawn.size()) ring.last_drawn.resize(entries, 0);

    const PaintContext c = make_context(scene, view);
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) {
        const int32_t index = walk.index;
        TrajPoint& entry = history_append(ring, *s, index);
        if (index >= 0 && static_cast<std::size_t>(index) < ring.last_drawn.size())
            ring.last_drawn[static_cast<std::size_t>(index)] = scene.store.current_frame;
        if (!c.ego_centered) {
            Vec2 centre, heading;
            place_sample(c, *s, centre, heading);
            entry.ego_x = centre.x;
            entry.ego_y = centre.y;
            entry.ego_head_x = heading.x;
            entry.ego_head_y = heading.y;
        }
    }
    history_append(ring, place_ego(c).entry, kEgoOwner);
    return true;
}

void renderer_startup(View& view) {
    view.settings = plovane_display_defaults();
    view.egoCentered = 0;
    create_draw_resources(view.res, DrawFlavour::Plovane);
    view.model = ModelPose{};
    load_role_colours(view.roles);
}

void renderer_shutdown(View& view) {
    delete_draw_resources(view.res);
    delete_role_colours(view.roles);
}

}  // namespace render
