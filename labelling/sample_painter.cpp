#include "labelling/sample_painter.h"

#include <algorithm>
#include <optional>
#include <string>

#include "labelling/samples.h"
#include "labelling/status_text.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/scene_painter.h"

namespace labelling {

namespace {

using render::DrawResources;
using render::View;

constexpr plat::Color kIdentifierColour = plat::rgb(255, 0, 0);
constexpr int kMarkerRadius = 4;          // pixels
constexpr int kHighestOverviewLabel = 4;  // labels above are not in the overview
constexpr int32_t kThinningMs = 100;      // overview: poses closer in time are left out
constexpr int kBackwardJumpPixels = 100;  // overview: a point further left is not joined
// The status line: pixels per line and the width of a character, as the window's
// font draws it at most.
constexpr int kStatusLineHeight = 16;
constexpr int kStatusCharWidth = 7;
constexpr int kStatusMargin = 4;
// Palette entry of each label's look: 0 .. 4, then 5 and above.
constexpr int kLabelPalette[] = {3, 11, 0, 8, 4, 6};

struct Scale {
    double f = 1;  // yxFactor
    double m = 1;  // msPerMeter
};

Scale scale(const View& view) {
    return Scale{view.settings.yxFactor, view.settings.msPerMeter};
}

bool ready(const LabelSession& session) {
    return pose_track_loaded(session.pose) && samples_loaded(session.samples);
}

void write_identifier(plat::Dc dc, const View& view, int32_t identifier, Vec2 at, double z) {
    if (!(view.settings.flags & render::SHOW_TRAJ_ID_VANTREL)) return;
    render::draw_label(dc, view, std::to_string(identifier), at, z);
}

// A pose of a sample as the painters place it.
struct Placed {
    Vec2 point;
    double z = 0;
};
// None for a pose outside the track (or without a local view).
std::optional<Placed> place_pose(const LabelSession& session, const TrackSample& s, int32_t j,
                                 const Scale& k) {
    const PoseRecord* pose = pose_at(session.pose, j);
    const LocalPose* l = local_pose_at(session, j);
    if (!pose || !l) return std::nullopt;
    return Placed{Vec2{l->local_x * k.f, l->local_y},
                  (static_cast<double>(pose->time_ms) - s.start_ms) / k.m};
}

}  // namespace

void vantrel_renderer_startup(View& view) {
    view.settings = render::vantrel_display_defaults();
    view.egoCentered = 0;
    render::create_draw_resources(view.res, render::DrawFlavour::Vantrel);
    view.model = render::ModelPose{};
}

void vantrel_renderer_shutdown(View& view) {
    render::delete_draw_resources(view.res);
}

void paint_vantrel(const LabelSession& session, const View& view, plat::Dc target,
                   plat::Size client) {
    render::paint_off_screen(target, client, [&session, &view, client](plat::Dc mem) {
        if (view.settings.flags & render::SHOW_GRID) render::draw_grid(mem, view);
        if (view.settings.flags & render::SHOW_AXIS) render::draw_axes(mem, view);
        if (ready(session)) {
            paint_samples(mem, view, session);
            draw_sample_ego_icon(mem, view);
        }
        draw_status_line(mem, status_text(session), client);
    });
}

std::vector<std::string> status_lines(const std::string& text, size_t max_chars) {
    static const std::string kSeparator = " | ";
    std::vector<std::string> lines;
    std::string line;
    size_t i = 0;
    while (i <= text.size()) {
        const size_t end = std::min(text.find(kSeparator, i), text.size());
        const std::string part = text.substr(i, end - i);
        i = end + kSeparator.size();
        if (!line.empty() && line.size() + kSeparator.size() + part.size() > max_chars) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : kSeparator) + part;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void draw_status_line(plat::Dc dc, const std::string& text, plat::Size client) {
    if (client.width <= 0 || client.height <= 0) return;
    const size_t max_chars =
        static_cast<size_t>(std::max(1, (client.width - 2 * kStatusMargin) / kStatusCharWidth));
    const std::vector<std::string> lines = status_lines(text, max_chars);
    const int height = static_cast<int>(lines.size()) * kStatusLineHeight + kStatusMargin;
    const int top = std::max(0, client.height - height);
    plat::fill_rect(dc, plat::Rect{0, top, client.width, client.height},
                    plat::stock_brush(plat::StockBrush::LightGray));
    const plat::Color kept_colour = plat::set_text_color(dc, plat::rgb(0, 0, 0));
    const plat::BkMode kept_mode = plat::set_bk_mode(dc, plat::BkMode::Transparent);
    for (size_t k = 0; k < lines.size(); ++k)
        plat::text_out(dc, kStatusMargin,
                       top + kStatusMargin / 2 + static_cast<int>(k) * kStatusLineHeight, lines[k]);
    plat::set_bk_mode(dc, kept_mode);
    plat::set_text_color(dc, kept_colour);
}

void select_record_look(plat::Dc dc, const View& view, const TrackSample& r) {
    const DrawResources& res = view.res;
    if (r.active != 1) {
        plat::select_object(dc, res.light_grey_pen);
        plat::select_object(dc, res.palette_brushes[render::kPaletteAxes]);
        return;
    }
    const int entry = kLabelPalette[r.label < 5 ? r.label : 5];
    plat::select_object(dc, res.palette_pens[entry]);
    plat::select_object(dc, res.palette_brushes[entry]);
}

void paint_samples(plat::Dc dc, const View& view, const LabelSession& session) {
    if (!ready(session)) return;
    plat::set_text_color(dc, kIdentifierColour);
    const LabelState& state = session.state;
    const TrackSampleSet& set = session.samples;
    int32_t cursor = 0;
    if (state.labelling) {
        while (const TrackSample* r = next_sample_record(set, cursor)) {
            if (cursor - 1 != state.current_sample) continue;
            select_record_look(dc, view, *r);
            draw_sample_labelling(dc, view, session, *r, r->sample_id);
            break;
        }
        return;
    }
    for (int label = 0; label <= kHighestOverviewLabel; ++label) {
        cursor = 0;
        while (const TrackSample* r = next_sample_record(set, cursor)) {
            if (r->label != label) continue;
            select_record_look(dc, view, *r);
            draw_sample_overview(dc, view, session, *r, r->sample_id);
        }
    }
}

void draw_sample_labelling(plat::Dc dc, const View& view, const LabelSession& session,
                           const TrackSample& s, int32_t identifier) {
    const Scale k = scale(view);
    const int64_t F = s.first_pose, L = s.last_pose, M = session.state.margin_poses;
    bool first = true, have_f = false, have_l = false;
    Placed at_f, at_l;
    for (int64_t j = std::max<int64_t>(F - M, 0); j < L + M; ++j) {
        const std::optional<Placed> p = place_pose(session, s, static_cast<int32_t>(j), k);
        if (!p) {
            if (j >= session.pose.count) break;
            continue;
        }
        const plat::Point screen = render::project_point(view, p->point, p->z);
        if (first)
            plat::move_to(dc, screen.x, screen.y);
        else
            plat::line_to(dc, screen.x, screen.y);
        first = false;
        if (j == F) at_f = *p, have_f = true;
        if (j == L) at_l = *p, have_l = true;
    }
    if (have_f) render::draw_marker(dc, view, at_f.point, kMarkerRadius, at_f.z);
    if (have_l) {
        render::draw_marker(dc, view, at_l.point, kMarkerRadius, at_l.z);
        write_identifier(dc, view, identifier, at_l.point, at_l.z);
    }
}

void draw_sample_overview(plat::Dc dc, const View& view, const LabelSession& session,
                          const TrackSample& r, int32_t identifier) {
    const Scale k = scale(view);
    const int64_t N = std::min<int64_t>(int64_t{r.pose_count} - 1, session.state.play_step);
    // Only the whole-track record draws the Traj Gen points (its pose indices are
    // the Traj Gen track's); a sample labelled 4 draws its own poses.
    const bool traj_gen = samples_loaded(session.samples) && &r == &session.samples.records[0];
    bool first = true, have_last = false;
    plat::Point last_screen;
    int64_t last_time = 0;
    Placed end_point;
    for (int64_t n = 0; n <= N; ++n) {
        const int32_t index = static_cast<int32_t>(int64_t{r.first_pose} + n);
        Placed p;
        if (traj_gen) {
            const TrajGenPoint* g = traj_gen_point_at(session.traj_gen, index);
            if (!g) continue;
            p = Placed{Vec2{g->x * k.f, g->y}, g->time_ms / k.m};
        } else {
            const PoseRecord* pose = pose_at(session.pose, index);
            if (!pose) continue;
            if (pose->time_ms < last_time + kThinningMs && n < N) continue;
            const std::optional<Placed> placed = place_pose(session, r, index, k);
            if (!placed) continue;
            last_time = pose->time_ms;
            p = *placed;
        }
        if (n == N) end_point = p, have_last = true;
        const plat::Point screen = render::project_point(view, p.point, p.z);
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
    render::draw_marker(dc, view, end_point.point, kMarkerRadius, end_point.z);
    if (!traj_gen) write_identifier(dc, view, identifier, end_point.point, end_point.z);
}

void draw_sample_ego_icon(plat::Dc dc, const View& view) {
    Vec2 body[4], wheels[4][4];
    for (int k = 0; k < 4; ++k) body[k] = render::kEgoBody[k];
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k) wheels[w][k] = render::kEgoWheels[w][k];
    render::draw_car(dc, view, body, render::kEgoCentre, wheels, 1.0, 0.0,
                     plat::stock_pen(plat::StockPen::Black),
                     view.res.palette_brushes[render::kPaletteEgoBody]);
}

}  // namespace labelling
