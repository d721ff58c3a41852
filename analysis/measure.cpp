#include "analysis/measure.h"

#include <cmath>

#include "data/number_text.h"
#include "data/scene_clock.h"
#include "render/scene_painter.h"

namespace analysis {

std::optional<double> ego_speed_at(const PoseTrack& track, int32_t index) {
    if (track.count < 2 || index < 0 || index >= track.count) return std::nullopt;
    const int32_t before = index > 0 ? index - 1 : index;
    const int32_t after = index + 1 < track.count ? index + 1 : index;
    const PoseRecord& a = track.poses[static_cast<size_t>(before)];
    const PoseRecord& b = track.poses[static_cast<size_t>(after)];
    const double dt = (static_cast<double>(b.time_ms) - a.time_ms) / 1000.0;
    if (!(dt > 0)) return std::nullopt;
    return std::hypot(b.x - a.x, b.y - a.y) / dt;
}

bool in_ego_lane(const TrajPoint& s, double lane_half_width) {
    return s.ego_y > 0 && std::fabs(s.ego_x) <= lane_half_width;
}

void relate_to_lead(Measure& m, double lead_ego_y, double lead_length) {
    const double gap = lead_ego_y - lead_length / 2 - render::kEgoLength / 2;
    m.gap = gap;
    m.thw.reset();
    m.ttc.reset();
    if (gap <= 0) {  // contact
        m.thw = 0.0;
        m.ttc = 0.0;
        return;
    }
    if (!m.ego_speed) return;
    const double v = *m.ego_speed;
    if (v > kMinHeadwaySpeed) m.thw = gap / v;
    if (m.lead_speed && v > *m.lead_speed) m.ttc = gap / (v - *m.lead_speed);
}

Measure measure_now(const Scene& scene, double lane_half_width) {
    const TrajStore& st = scene.store;
    Measure m;
    m.frame = st.current_frame;
    m.time_ms = st.current_time;
    m.ego_speed = ego_speed_at(scene.pose, scene.pose.pose_cursor);
    const TrajPoint* lead = nullptr;
    VisibleWalk walk;
    while (const TrajPoint* s = next_visible(scene, walk)) {
        if (in_ego_lane(*s, lane_half_width) && (!lead || s->ego_y < lead->ego_y)) {
            lead = s;
            m.lead_index = walk.index;
        }
    }
    if (!lead) return m;
    m.lead_id = traj_id_at(st, m.lead_index);
    m.lead_speed = lead->speed;
    relate_to_lead(m, lead->ego_y, lead->length);
    return m;
}

std::vector<Measure> measure_series(Scene& scene, double lane_half_width) {
    std::vector<Measure> out;
    if (!traj_store_loaded(scene.store)) return out;
    const ClockPosition kept = save_clock(scene);
    out.push_back(measure_now(scene, lane_half_width));
    while (step_scene(scene)) out.push_back(measure_now(scene, lane_half_width));
    restore_clock(scene, kept);
    return out;
}

std::vector<Measure> measure_scene(Scene& scene, double lane_half_width) {
    if (!traj_store_loaded(scene.store)) return {};
    const ClockPosition kept = save_clock(scene);
    rewind_scene(scene);
    seek_scene(scene, scene.store.min_time);
    std::vector<Measure> out = measure_series(scene, lane_half_width);
    restore_clock(scene, kept);
    return out;
}

// ---- Text --------------------------------------------------------------------------

const char* const kMetricsHeader = "frame,time_ms,ego_speed,lead_id,gap_m,thw_s,ttc_s\n";

namespace {

// ",<value with six decimals>", or "," for none.
void append_value(std::string& out, const std::optional<double>& v) {
    out += ',';
    if (v) out += format_fixed(*v, 6);
}

std::string with_unit(const std::optional<double>& v, int decimals, const char* unit) {
    return v ? format_fixed(*v, decimals) + unit : std::string("\u2014");
}

}  // namespace

std::string metrics_row(const Measure& m) {
    std::string out = std::to_string(m.frame) + ',' + std::to_string(m.time_ms);
    append_value(out, m.ego_speed);
    out += ',';
    if (m.lead_index >= 0) out += std::to_string(m.lead_id);
    append_value(out, m.gap);
    append_value(out, m.thw);
    append_value(out, m.ttc);
    out += '\n';
    return out;
}

std::string live_text(const Measure& m) {
    const std::string lead = m.lead_index >= 0 ? std::to_string(m.lead_id) : "\u2014";
    return "Lead " + lead + "  Gap " + with_unit(m.gap, 1, " m") + "  THW " +
           with_unit(m.thw, 2, " s") + "  TTC " + with_unit(m.ttc, 2, " s");
}

std::string dump_text(const Measure& m) {
    std::string out = " lead=" + std::to_string(m.lead_index >= 0 ? m.lead_id : -1);
    const std::pair<const char*, const std::optional<double>*> fields[] = {
        {" gap=", &m.gap}, {" thw=", &m.thw}, {" ttc=", &m.ttc}};
    for (const auto& [name, value] : fields) {
        out += name;
        if (*value) out += format_fixed(**value, 3);
    }
    return out;
}

}  // namespace analysis
