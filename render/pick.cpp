#include "render/pick.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "data/scene.h"
#include "data/scene_clock.h"
#include "render/draw.h"
#include "render/scene_painter.h"
#include "render/view.h"

namespace render {
namespace {

double distance_to_segment(plat::Point p, plat::Point a, plat::Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// The projected outline contains p: inside by the crossing rule, or on its pen.
bool contains(const View& view, const BoxOutline& o, plat::Point p) {
    plat::Point q[4];
    for (int k = 0; k < 4; ++k) q[k] = project_point(view, o.corners[static_cast<size_t>(k)], o.z);
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        if (distance_to_segment(p, q[j], q[i]) <= kPickSlack) return true;
        if ((q[i].y > p.y) != (q[j].y > p.y)) {
            const double x = q[i].x + static_cast<double>(p.y - q[i].y) * (q[j].x - q[i].x) /
                                          static_cast<double>(q[j].y - q[i].y);
            if (p.x < x) inside = !inside;
        }
    }
    return inside;
}

}  // namespace

int32_t pick_box(const Scene& scene, const View& view, plat::Point p) {
    if (!scene_ready(scene)) return kSelectNone;
    if (contains(view, ego_outline(scene, view), p)) return kSelectEgo;
    std::vector<std::pair<int32_t, const TrajPoint*>> drawn;
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) drawn.emplace_back(walk.index, s);
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
        if (contains(view, sample_outline(scene, view, *it->second), p)) return it->first;
    return kSelectNone;
}

const TrajPoint* visible_sample_of(const Scene& scene, int32_t index) {
    if (index < 0 || index >= scene.store.entry_count) return nullptr;
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) {
        if (walk.index == index) return s;
        if (walk.index > index) break;
    }
    return nullptr;
}

bool centre_on_selection(View& view, const Scene& scene, plat::Size client) {
    const int32_t sel = view.inspect.selected;
    if (sel == kSelectNone || !scene_ready(scene)) return false;
    BoxOutline o;
    if (sel == kSelectEgo) {
        o = ego_outline(scene, view);
    } else {
        const TrajPoint* s = visible_sample_of(scene, sel);
        if (!s) return false;
        o = sample_outline(scene, view, *s);
    }
    ViewState target;
    ResetView(target, client, view.state.scale);
    const plat::Point at = project_point(view, o.centre, o.z);
    view.state.centerX += target.centerX - at.x;
    view.state.centerY += target.centerY - at.y;
    return true;
}

}  // namespace render
