#include "labelling/sample_painter.h"

#include "labelling/labelling.h"
#include "labelling/samples.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/scene_painter.h"
#include "render/view.h"

namespace labelling {

namespace {

using render::DrawResources;

constexpr plat::Color kIdentifierColour = plat::rgb(255, 0, 0);
constexpr int kMarkerRadius = 4;          // pixels
constexpr int kHighestOverviewLabel = 4;  // labels above are not in the overview
constexpr int32_t kThinningMs = 100;      // overview: poses closer in time are left out
constexpr int kBackwardJumpPixels = 100;  // overview: a point further left is not joined
// Palette entry of each label's look: 0 .. 4, then 5 and above.
constexpr int kLabelPalette[] = {3, 11, 0, 8, 4, 6};

struct Scale {
    double f = 1;  // yxFactor
    double m = 1;  // msPerMeter
};

Scale scale() {
    const render::DisplaySettings s = render::GetDisplaySettings();
    return Scale{s.yxFactor, s.msPerMeter};
}

bool ready() {
    return pose_track_loaded() && samples_loaded();
}

void write_identifier(plat::Dc dc, int32_t identifier, Vec2 at, double z) {
    if (!(render::GetDisplaySettings().flags & render::SHOW_TRAJ_ID_VANTREL)) return;
    render::draw_label(dc, std::to_string(identifier), at, z);
}

// A pose of a sample as the painters place it.
struct Placed {
    Vec2 point;
    double z = 0;
};
Placed place_pose(const TrackSample& s, int32_t j, const Scale& k) {
    const LocalPose& l = *local_pose_at(j);
    return Placed{Vec2{l.local_x * k.f, l.local_y},
                  (static_cast<double>(pose_at(j)->time_ms) - s.start_ms) / k.m};
}

}  // namespace

void vantrel_renderer_startup() {
    render::init_display_settings(render::vantrel_display_defaults());
    render::create_draw_resources(render::DrawFlavour::Vantrel);
    render::reset_model_pose();
}

void vantrel_renderer_shutdown() {
    render::delete_draw_resources();
}

void paint_vantrel(plat::Dc target, plat::Size client) {
    render::paint_off_screen(target, client, [](plat::Dc mem) {
        const render::DisplaySettings s = render::GetDisplaySettings();
        if (s.flags & render::SHOW_GRID) render::draw_grid(mem);
        if (s.flags & render::SHOW_AXIS) render::draw_axes(mem);
        if (!ready()) return;
        paint_samples(mem);
        draw_sample_ego_icon(mem);
    });
}

void select_record_look(plat::Dc dc, const TrackSample& r) {
    const DrawResources& res = render::draw_resources();
    if (r.active != 1) {
        plat::select_object(dc, res.light_grey_pen);
        plat::select_object(dc, res.palette_brushes[render::kPaletteAxes]);
        return;
    }
    const int entry = kLabelPalette[r.label < 5 ? r.label : 5];
    plat::select_object(dc, res.palette_pens[entry]);
    plat::select_object(dc, res.palette_brushes[entry]);
}

void paint_samples(plat::Dc dc) {
    if (!ready()) return;
    plat::set_text_color(dc, kIdentifierColour);
    const LabelState& state = label_state();
    int32_t cursor = 0;
    if (state.labelling) {
        while (const TrackSample* r = next_sample_record(cursor)) {
            if (cursor - 1 != state.current_sample) continue;
            select_record_look(dc, *r);
            draw_sample_labelling(dc, *r, r->sample_id);
            break;
        }
        return;
    }
    for (int label = 0; label <= kHighestOverviewLabel; ++label) {
        cursor = 0;
        while (const TrackSample* r = next_sample_record(cursor)) {
            if (r->label != label) continue;
            select_record_look(dc, *r);
            draw_sample_overview(dc, *r, r->sample_id);
        }
    }
}

void draw_sample_labelling(plat::Dc dc, const TrackSample& s, int32_t identifier) {
    const Scale k = scale();
    const int64_t F = s.first_pose, L = s.last_pose, M = label_state().margin_poses;
    bool first = true, have_f = false, have_l = false;
    Placed at_f, at_l;
    for (int64_t j = std::max<int64_t>(F - M, 0); j < L + M; ++j) {
        if (!pose_at(static_cast<int32_t>(j))) {
            if (j >= pose_track().count) break;
            continue;
        }
        const Placed p = place_pose(s, static_cast<int32_t>(j), k);
        const plat::Point screen = render::project_point(p.point, p.z);
        if (first)
            plat::move_to(dc, screen.x, screen.y);
        else
            plat::line_to(dc, screen.x, screen.y);
        first = false;
        if (j == F) at_f = p, have_f = true;
        if (j == L) at_l = p, have_l = true;
    }
    if (have_f) render::draw_marker(dc, at_f.point, kMarkerRadius, at_f.z);
    if (have_l) {
        render::draw_marker(dc, at_l.point, kMarkerRadius, at_l.z);
        write_identifier(dc, identifier, at_l.point, at_l.z);
    }
}

void draw_sample_overview(plat::Dc dc, const TrackSample& r, int32_t identifier) {
    const Scale k = scale();
    const int64_t N = std::min<int64_t>(int64_t{r.pose_count} - 1, label_state().play_step);
    // Only the whole-track record draws the Traj Gen points (its pose indices are
    // the Traj Gen track's); a sample labelled 4 draws its own poses.
    const bool traj_gen = samples_loaded() && &r == &sample_set().records[0];
    bool first = true, have_last = false;
    plat::Point last_screen;
    int64_t last_time = 0;
    Placed end_point;
    for (int64_t n = 0; n <= N; ++n) {
        const int32_t index = static_cast<int32_t>(int64_t{r.first_pose} + n);
        Placed p;
        if (traj_gen) {
            const TrajGenPoint* g = traj_gen_point_at(index);
            if (!g) continue;
            p = Placed{Vec2{g->x * k.f, g->y}, g->time_ms / k.m};
        } else {
            const PoseRecord* pose = pose_at(index);
            if (!pose) continue;
            if (pose->time_ms < last_time + kThinningMs && n < N) continue;
            last_time = pose->time_ms;
            p = place_pose(r, index, k);
        }
        if (n == N) end_point = p, have_last = true;
        const plat::Point screen = render::project_point(p.point, p.z);
        if (first) {
            plat::move_to(dc, screen.x, screen.y);
        } else if (int64_t{screen.x} - last_screen.x < -kBackwardJumpPixels) {
            continue;
        } else {
            plat::line_to(dc, screen.x, screen.y);
        }
        first = false;
        last_screen = screen;
    }
    if (!have_last) return;
    render::draw_marker(dc, end_point.point, kMarkerRadius, end_point.z);
    if (!traj_gen) write_identifier(dc, identifier, end_point.point, end_point.z);
}

void draw_sample_ego_icon(plat::Dc dc) {
    Vec2 body[4], wheels[4][4];
    for (int k = 0; k < 4; ++k) body[k] = render::kEgoBody[k];
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k) wheels[w][k] = render::kEgoWheels[w][k];
    render::draw_car(dc, body, render::kEgoCentre, wheels, 1.0, 0.0,
                     plat::stock_pen(plat::StockPen::Black),
                     render::draw_resources().palette_brushes[render::kPaletteEgoBody]);
}

}  // namespace labelling
