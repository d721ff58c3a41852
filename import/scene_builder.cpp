#include "import/scene_builder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/trajcolset.h"

void append_fixed(std::string& out, double value, int decimals) {
    char buf[64];
    value += 0.0;  // -0 prints as 0
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec == std::errc()) {
        out.append(buf, r.ptr);
    } else {
        out += "0";  // beyond any coordinate a recording holds
    }
}

static void append_int(std::string& out, int64_t value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::string clock_text(int64_t ms) {
    const bool negative = ms < 0;
    if (negative) ms = -ms;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld.%03lld", negative ? "-" : "",
                  static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return buf;
}

void resolve_headings(std::vector<TrackSample>& samples, double fallback_x, double fallback_y) {
    bool have = false;
    double hx = fallback_x, hy = fallback_y;
    size_t pending = 0;  // samples before the first fast one still wait for a direction
    for (size_t i = 0; i < samples.size(); ++i) {
        TrackSample& s = samples[i];
        const double v = std::hypot(s.mx, s.my);
        if (v > kHeadingMinSpeed) {
            hx = s.mx / v;
            hy = s.my / v;
            if (!have) {
                for (size_t k = pending; k < i; ++k) {
                    samples[k].fx = hx;
                    samples[k].fy = hy;
                }
                have = true;
            }
        } else if (!have) {
            continue;
        }
        s.fx = hx;
        s.fy = hy;
    }
    if (!have) {
        const double n = std::hypot(fallback_x, fallback_y);
        for (TrackSample& s : samples) {
            s.fx = n > 0 ? fallback_x / n : 0;
            s.fy = n > 0 ? fallback_y / n : 1;
        }
    }
}

void shift_front_to_centre(std::vector<TrackSample>& samples) {
    for (TrackSample& s : samples) {
        s.x -= s.fx * s.length / 2;
        s.y -= s.fy * s.length / 2;
    }
}

int64_t sort_samples(std::vector<TrackSample>& samples) {
    std::stable_sort(samples.begin(), samples.end(),
                     [](const TrackSample& a, const TrackSample& b) { return a.frame < b.frame; });
    const auto end =
        std::unique(samples.begin(), samples.end(),
                    [](const TrackSample& a, const TrackSample& b) { return a.frame == b.frame; });
    const int64_t dropped = samples.end() - end;
    samples.erase(end, samples.end());
    return dropped;
}

void describe_track(VehicleTrack& track) {
    VehicleInfo& info = track.info;
    info.samples = static_cast<int64_t>(track.samples.size());
    if (track.samples.empty()) return;
    const TrackSample& a = track.samples.front();
    const TrackSample& b = track.samples.back();
    info.first_frame = a.frame;
    info.last_frame = b.frame;
    info.first_time_ms = a.time_ms;
    info.last_time_ms = b.time_ms;
    info.length = a.length;
    info.width = a.width;
}

RoleIds find_roles(const std::vector<TrackSample>& ego) {
    RoleIds roles;
    if (ego.empty()) return roles;
    roles.front = ego.front().preceding;
    roles.rear = ego.front().following;
    roles.lead = ego.front().left_lead;
    roles.lag = ego.front().left_lag;
    for (size_t i = 1; i < ego.size(); ++i) {
        const bool changed = ego[i].lane_change || (ego[i].lane != 0 && ego[i - 1].lane != 0 &&
                                                    ego[i].lane != ego[i - 1].lane);
        if (!changed) continue;
        // The side: the lateral part of the motion around the change.
        const size_t before = i >= 10 ? i - 10 : 0;
        const size_t after = std::min(ego.size() - 1, i + 10);
        const double dx = ego[after].x - ego[before].x;
        const double dy = ego[after].y - ego[before].y;
        const TrackSample& last = ego[i - 1];
        const bool left = last.fx * dy - last.fy * dx >= 0;
        roles.lead = left ? last.left_lead : last.right_lead;
        roles.lag = left ? last.left_lag : last.right_lag;
        break;
    }
    return roles;
}

static void append_colour(std::string& out, const char* key, RgbColour c) {
    out += key;
    out += '=';
    append_int(out, c.r);
    out += ',';
    append_int(out, c.g);
    out += ',';
    append_int(out, c.b);
    out += '\n';
}

std::string role_colours_text(const RoleIds& roles) {
    const RoleColours d = default_role_colours();
    std::string out =
        "; Role colours of an imported scene: front and rear are the vehicles\n"
        "; ahead of and behind the ego at its first frame, lead and lag those of\n"
        "; the lane it moves into (-1: none). Colours are red,green,blue.\n";
    out += "trajcolseton=1\n";
    const std::pair<const char*, int32_t> ids[] = {{"frontid=", roles.front},
                                                   {"leadid=", roles.lead},
                                                   {"lagid=", roles.lag},
                                                   {"rearid=", roles.rear}};
    for (const auto& [key, id] : ids) {
        out += key;
        append_int(out, id);
        out += '\n';
    }
    append_colour(out, "frontcol", d.frontcol);
    append_colour(out, "leadcol", d.leadcol);
    append_colour(out, "lagcol", d.lagcol);
    append_colour(out, "rearcol", d.rearcol);
    append_colour(out, "egocol", d.egocol);
    out += "speedmin=";
    append_fixed(out, d.speedmin, 1);
    out += "\nspeedmax=";
    append_fixed(out, d.speedmax, 1);
    out += '\n';
    return out;
}

namespace {

bool in_window(const ImportOptions& o, int64_t t) {
    return (!o.has_from || t >= o.from_ms) && (!o.has_to || t <= o.to_ms);
}

bool fits_file_time(int64_t t) {
    return t >= 0 && t <= INT32_MAX;
}

// The ego pose of one frame.
struct EgoPose {
    int32_t frame;
    double x, y, c, s;  // centre, cos and sin of the pose heading
};

}  // namespace

bool build_ego_scene(const VehicleTrack& ego, const std::vector<VehicleTrack>& others,
                     const ImportOptions& options, EgoScene& scene, std::string& error) {
    scene = EgoScene();
    scene.ego = ego.info;
    std::vector<EgoPose> poses;
    poses.reserve(ego.samples.size());
    for (const TrackSample& s : ego.samples) {
        if (!in_window(options, s.time_ms)) continue;
        if (!fits_file_time(s.time_ms)) {
            error = "the ego's time " + std::to_string(s.time_ms) + " ms at frame " +
                    std::to_string(s.frame) +
                    " lies outside 0 .. 2147483647 ms (use --time-offset)";
            return false;
        }
        const double heading = std::atan2(-s.fx, s.fy);
        if (poses.empty()) scene.first_time_ms = s.time_ms;
        scene.last_time_ms = s.time_ms;
        poses.push_back({s.frame, s.x, s.y, std::cos(heading), std::sin(heading)});
        std::string& nav = scene.nav_text;
        append_int(nav, s.time_ms);
        nav += ' ';
        append_fixed(nav, s.speed, 3);
        nav += " 0.000 ";
        append_fixed(nav, heading, 6);
        nav += ' ';
        append_fixed(nav, s.x, 3);
        nav += ' ';
        append_fixed(nav, s.y, 3);
        nav += " 0.000\n";
    }
    if (poses.empty()) {
        error = "vehicle " + ego.info.name + " has no sample in the chosen time window";
        return false;
    }
    scene.roles = find_roles(ego.samples);
    scene.roles_text = role_colours_text(scene.roles);

    std::vector<const VehicleTrack*> order;
    for (const VehicleTrack& t : others)
        if (t.info.id != ego.info.id) order.push_back(&t);
    std::sort(order.begin(), order.end(),
              [](const VehicleTrack* a, const VehicleTrack* b) { return a->info.id < b->info.id; });
    const double r2 = options.radius >= 0 ? options.radius * options.radius : -1;
    std::string& out = scene.traj_text;
    for (const VehicleTrack* t : order) {
        bool started = false;
        auto pose = poses.begin();
        for (const TrackSample& s : t->samples) {
            pose = std::lower_bound(pose, poses.end(), s.frame,
                                    [](const EgoPose& p, int32_t f) { return p.frame < f; });
            if (pose == poses.end()) break;
            if (pose->frame != s.frame || !in_window(options, s.time_ms)) continue;
            const double dx = s.x - pose->x, dy = s.y - pose->y;
            if (r2 >= 0 && dx * dx + dy * dy > r2) continue;
            if (!fits_file_time(s.time_ms)) {
                error = "the time " + std::to_string(s.time_ms) + " ms of vehicle " + t->info.name +
                        " lies outside 0 .. 2147483647 ms (use --time-offset)";
                return false;
            }
            if (!started) {
                out += "tno=";
                append_int(out, t->info.id);
                out += '\n';
                started = true;
                ++scene.vehicles;
            }
            ++scene.samples;
            const double c = pose->c, sn = pose->s;
            const double vals[] = {s.x,
                                   s.y,
                                   s.length,
                                   s.width,
                                   s.fx,
                                   s.fy,
                                   c * dx + sn * dy,
                                   -sn * dx + c * dy,
                                   c * s.fx + sn * s.fy,
                                   -sn * s.fx + c * s.fy,
                                   s.speed};
            append_int(out, s.time_ms);
            out += ',';
            append_int(out, s.frame);
            for (double v : vals) {
                out += ',';
                append_fixed(out, v, 3);
            }
            out += '\n';
        }
    }
    return true;
}
