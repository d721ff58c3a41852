#include "viewer/vehicle_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/scene.h"
#include "data/scene_clock.h"
#include "render/pick.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "viewer/plovane_playback.h"

namespace shell {
namespace {

template <class... Args>
std::string format(const char* f, Args... args) {
    char text[160];
    const int n = std::snprintf(text, sizeof text, f, args...);
    return n > 0 ? std::string(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)))
                 : std::string();
}

const char* role_of(const render::View& view, int32_t id) {
    const RoleColours& r = view.roles.colours;
    if (id == r.frontid) return "front";
    if (id == r.leadid) return "lead";
    if (id == r.lagid) return "lag";
    if (id == r.rearid) return "rear";
    return "none";
}

// Ego-frame extent of the ego car along its heading, metres from its reference point.
constexpr double kEgoFront = render::kEgoBody[0].y;
constexpr double kEgoRear = render::kEgoBody[1].y;

}  // namespace

double bumper_gap(double lon, double hx, double hy, double length, double width) {
    const double half = 0.5 * (std::fabs(hy) * length + std::fabs(hx) * width);
    if (lon - half > kEgoFront) return lon - half - kEgoFront;
    if (lon + half < kEgoRear) return (lon + half) - kEgoRear;
    return 0;
}

std::vector<std::string> vehicle_panel_lines(const Scene& scene, const render::View& view) {
    std::vector<std::string> lines;
    const int32_t sel = view.inspect.selected;
    if (sel == render::kSelectNone) return lines;
    const TrajStore& store = scene.store;
    const std::string when = "Time: " + frame_time_text(store.current_time) + "frame " +
                             std::to_string(store.current_frame);
    if (sel == render::kSelectEgo) {
        lines.push_back("Id: ego");
        lines.push_back("Role: ego");
        lines.push_back(format("Size: %.2f x %.2f m", render::kEgoLength, render::kEgoWidth));
        lines.push_back(when);
        return lines;
    }
    const int32_t id = traj_id_at(store, sel);
    lines.push_back("Id: " + std::to_string(id));
    lines.push_back(std::string("Role: ") + role_of(view, id));
    if (const TrajPoint* s = render::visible_sample_of(scene, sel)) {
        lines.push_back(format("Size: %.2f x %.2f m", s->length, s->width));
        const std::ptrdiff_t at = s - store.samples.data();
        std::string raw = "-";
        if (at >= 0 && static_cast<std::size_t>(at) < store.raw_samples.size())
            raw = format("%.2f", store.raw_samples[static_cast<std::size_t>(at)].speed);
        lines.push_back(format("Speed: %.2f m/s (raw %s)", s->speed, raw.c_str()));
        const double deg = std::atan2(s->head_y, s->head_x) * 180.0 / render::kViewPi;
        lines.push_back(format("Heading: %.1f deg (world)", deg < 0 ? deg + 360.0 : deg));
        lines.push_back(format("Ego frame: lat %.2f m, lon %.2f m", s->ego_x, s->ego_y));
        const double gap = bumper_gap(s->ego_y, s->ego_head_x, s->ego_head_y, s->length, s->width);
        lines.push_back(gap > 0   ? format("Gap: %.2f m ahead", gap)
                        : gap < 0 ? format("Gap: %.2f m behind", -gap)
                                  : std::string("Gap: alongside"));
    } else {
        lines.push_back("not visible at this frame");
    }
    lines.push_back(when);
    const TrajEntry& e = store.entries[static_cast<std::size_t>(sel)];
    lines.push_back(format("Frames: %d .. %d, %d samples", e.min_frame, e.max_frame, e.count));
    return lines;
}

}  // namespace shell
