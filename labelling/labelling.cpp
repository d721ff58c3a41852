#include "labelling/labelling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "data/pose_track.h"
#include "labelling/samples.h"

namespace {

LabelState g_state;
PoseLookup g_lookup;

constexpr double kPi = 3.1415926535;
constexpr double kTwoPi = 6.283185307;
constexpr double kMaxHeadingStep = 0.785398163375;  // a larger step is not interpolated
constexpr int32_t kShiftMs = 100;                   // per step of shift_sample_time
constexpr double kTurnRad = 0.001;                  // per step of turn_sample_frame
// The automatic adjustment: the start is where the vehicle is this far from the
// origin along the frame's first axis; the end stretch stays this near the last
// pose; the vehicle stops when it covers less than this per second.
constexpr double kLeaveDistance = 0.3;
constexpr double kStopStretch = 0.5;
constexpr double kStopSpeed = 0.1;

bool ready() {
    return pose_track_loaded() && samples_loaded();
}

TrackSample* record(int32_t k) {
    TrackSampleSet& set = sample_set();
    return k >= 0 && k < set.count ? &set.records[static_cast<size_t>(k)] : nullptr;
}

// The sample the editing operations work on: labelling on, an active current sample.
TrackSample* editable() {
    if (!g_state.labelling) return nullptr;
    TrackSample* s = record(g_state.current_sample);
    return s && s->active == 1 ? s : nullptr;
}

int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t margin_from(double margin_s, double period_s) {
    const double m = std::trunc(margin_s / period_s);
    if (!(m == m)) return 0;  // NaN
    return saturate(static_cast<int64_t>(std::clamp(m, -2e9, 2e9)));
}

// The first pose at or after `from` for which `after(pose)` holds (end when none):
// a gallop from `from`, then a bisection, so that a pose near `from` is found in a
// few steps on a long track. The poses' times do not decrease.
template <typename After>
std::vector<PoseRecord>::const_iterator gallop(std::vector<PoseRecord>::const_iterator from,
                                               std::vector<PoseRecord>::const_iterator end,
                                               After after) {
    int64_t step = 1;
    while (end - from > step && !after(from[step])) {
        from += step;
        step *= 2;
    }
    const auto high = end - from > step ? from + step + 1 : end;
    return std::partition_point(from, high, [&](const PoseRecord& p) { return !after(p); });
}

// Steps 1 to 6 of a sample's frame: anchored, first and last pose found. `hint`
// is a pose index not later than the sample's start (the previous sample's first
// pose when the samples are in order), or 0.
void frame_sample(TrackSample& s, int32_t hint = 0) {
    lookup_pose_from(s.start_ms, hint);
    if (s.origin_x == 0 && s.origin_y == 0) {
        s.origin_x = g_lookup.x;
        s.origin_y = g_lookup.y;
        s.frame_heading = g_lookup.heading;
    }
    s.first_pose = g_lookup.nearest;
    // The last pose not later than the end; a sample that ends before its first
    // pose keeps just that pose.
    // A walk, not a search: the poses it reads are the ones the mapping reads next,
    // so they come from memory once, in order.
    const PoseTrack& track = pose_track();
    int32_t last = s.first_pose;
    while (last + 1 < track.count && track.poses[static_cast<size_t>(last) + 1].time_ms <= s.end_ms)
        ++last;
    s.last_pose = last;
    s.pose_count = s.last_pose - s.first_pose + 1;
}

// The poses from..to - 1 (within the track) seen from the sample's frame.
void map_poses(const TrackSample& s, int64_t from, int64_t to) {
    // Copies of the frame: the writes below could alias the sample for the compiler.
    const double heading = s.frame_heading, ox = s.origin_x, oy = s.origin_y;
    const double c = std::cos(heading), sn = std::sin(heading);
    const PoseTrack& track = pose_track();
    std::vector<LocalPose>& local = local_poses();
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>({to, track.count, static_cast<int64_t>(local.size())});
    const PoseRecord* poses = track.poses.data();
    LocalPose* views = local.data();
    for (int64_t j = from; j < to; ++j) {
        const PoseRecord& p = poses[j];
        LocalPose& l = views[j];
        const double dx = p.x - ox, dy = p.y - oy;
        l.local_x = c * dx + sn * dy;
        l.local_y = -sn * dx + c * dy;
        l.rel_heading = p.heading - heading;
    }
}

void sort_samples() {
    TrackSampleSet& set = sample_set();
    if (set.count <= 1) return;
    std::stable_sort(
        set.records.begin() + 1, set.records.begin() + set.count,
        [](const TrackSample& a, const TrackSample& b) { return compare_by_start(a, b) < 0; });
}

double local_x(int32_t j) {
    return local_pose_at(j)->local_x;
}

}  // namespace

LabelState& label_state() {
    return g_state;
}

void reset_label_state() {
    g_state = LabelState{};
    g_lookup = PoseLookup{};
}

double wrap_angle(double a) {
    if (a > kPi) a -= kTwoPi;
    if (a < -kPi) a += kTwoPi;
    return a;
}

bool lookup_pose_at(int32_t t) {
    return lookup_pose_from(t, 0);
}

bool lookup_pose_from(int32_t t, int32_t hint) {
    const PoseTrack& track = pose_track();
    if (track.count <= 0) return false;
    const auto begin = track.poses.cbegin(), end = begin + track.count;
    // The first pose not earlier than t (times do not decrease); the search gallops
    // from the hint when the hint lies before t.
    const bool hint_before = hint > 0 && hint < track.count && begin[hint].time_ms < t;
    const auto it =
        hint_before ? gallop(begin + hint, end, [t](const PoseRecord& p) { return p.time_ms >= t; })
                    : std::lower_bound(begin, end, t, [](const PoseRecord& p, int32_t v) {
                          return p.time_ms < v;
                      });
    const int32_t i = static_cast<int32_t>(it - begin);
    const PoseRecord* exact = nullptr;
    if (i == track.count)
        exact = &track.poses[static_cast<size_t>(track.count - 1)];  // after the last pose
    else if (it->time_ms == t || i == 0)
        exact = &*it;  // the pose itself, or the first pose for a time before it
    if (exact) {
        g_lookup = PoseLookup{exact->heading, exact->x, exact->y,
                              static_cast<int32_t>(exact - &track.poses[0])};
        return true;
    }
    const PoseRecord& p = track.poses[static_cast<size_t>(i - 1)];
    const PoseRecord& q = track.poses[static_cast<size_t>(i)];
    const double f =
        (static_cast<double>(t) - p.time_ms) / (static_cast<double>(q.time_ms) - p.time_ms);
    double dh = wrap_angle(q.heading - p.heading);
    if (std::fabs(dh) > kMaxHeadingStep) dh = 0;
    g_lookup.heading = p.heading + dh * f;
    g_lookup.x = p.x + (q.x - p.x) * f;
    g_lookup.y = p.y + (q.y - p.y) * f;
    g_lookup.nearest =
        (static_cast<int64_t>(t) - p.time_ms) < (static_cast<int64_t>(q.time_ms) - t) ? i - 1 : i;
    return true;
}

const PoseLookup& last_lookup() {
    return g_lookup;
}

void update_pose_period() {
    const PoseTrack& track = pose_track();
    const int32_t n = track.count;
    auto time = [&track](int32_t i) {
        return static_cast<double>(track.poses[static_cast<size_t>(i)].time_ms);
    };
    if (n >= 4 && time(n - 2) != time(1))
        g_state.pose_period_s = (time(n - 2) - time(1)) / (n - 3) / 1000;
    else if (n >= 2 && time(n - 1) > time(0))
        g_state.pose_period_s = (time(n - 1) - time(0)) / (n - 1) / 1000;
    g_state.margin_poses = margin_from(g_state.margin_s, g_state.pose_period_s);
}

void refresh_sample(int32_t k) {
    if (!ready()) return;
    TrackSample* s = record(k);
    if (!s) return;
    frame_sample(*s);
    map_poses(*s, int64_t{s->first_pose} - g_state.margin_poses,
              int64_t{s->last_pose} + g_state.margin_poses);
}

void refresh_all_samples() {
    if (!ready()) return;
    int32_t hint = 0;
    for (int32_t k = 1; k < sample_set().count; ++k) {
        TrackSample& s = *record(k);
        frame_sample(s, hint);
        hint = s.first_pose;
        map_poses(s, s.first_pose, int64_t{s.last_pose} + 1);
    }
}

bool toggle_labelling() {
    if (!ready()) return false;
    g_state.labelling = !g_state.labelling;
    if (g_state.labelling)
        refresh_sample(g_state.current_sample);
    else
        sort_samples();
    return true;
}

bool set_edit_mode(int32_t mode) {
    if (!ready() || !g_state.labelling || mode < 1 || mode > 3) return false;
    g_state.edit_mode = mode;
    return true;
}

void shift_sample_time(int32_t k) {
    TrackSample* s = editable();
    if (!s) return;
    if (g_state.edit_mode == 1) {
        s->start_ms = saturate(int64_t{s->start_ms} + int64_t{kShiftMs} * k);
        lookup_pose_at(s->start_ms);
        s->origin_x = g_lookup.x;
        s->origin_y = g_lookup.y;
        // The frame's heading keeps the manual correction across the move.
        s->frame_heading = g_lookup.heading + s->heading_offset;
        g_state.unsaved = true;
    } else if (g_state.edit_mode == 2) {
        s->end_ms = saturate(int64_t{s->end_ms} + int64_t{kShiftMs} * k);
        g_state.unsaved = true;
    }
    refresh_sample(g_state.current_sample);
}

void turn_sample_frame(int32_t k) {
    TrackSample* s = editable();
    if (!s) return;
    s->heading_offset += kTurnRad * k;
    s->frame_heading += kTurnRad * k;
    g_state.unsaved = true;
    refresh_sample(g_state.current_sample);
}

void auto_adjust_sample() {
    TrackSample* s = editable();
    if (!s) return;
    g_state.undo_start_ms = s->start_ms;
    g_state.undo_end_ms = s->end_ms;
    g_state.undo_sample = g_state.current_sample;
    g_state.unsaved = true;
    refresh_sample(g_state.current_sample);
    const int64_t F = s->first_pose, L = s->last_pose, M = g_state.margin_poses;

    // Start: forward to the first pose more than kLeaveDistance from the origin,
    // then back while the distance keeps shrinking.
    bool have_start = false;
    int32_t start = s->start_ms;
    int64_t i = F;
    for (; i <= L; ++i) {
        if (!pose_at(static_cast<int32_t>(i))) return;  // the times stay
        if (std::fabs(local_x(static_cast<int32_t>(i))) > kLeaveDistance) break;
        start = pose_at(static_cast<int32_t>(i))->time_ms;
        have_start = true;
    }
    for (int64_t previous = -1; i > F - M; --i) {
        if (!pose_at(static_cast<int32_t>(i))) break;
        if (previous >= 0 && std::fabs(local_x(static_cast<int32_t>(i))) >
                                 std::fabs(local_x(static_cast<int32_t>(previous))))
            break;
        start = pose_at(static_cast<int32_t>(i))->time_ms;
        have_start = true;
        previous = i;
    }
    if (have_start) s->start_ms = start;

    // End: back over the final stretch within kStopStretch of the last pose, then
    // forward while the vehicle still moves at kStopSpeed or more.
    if (!pose_at(static_cast<int32_t>(L))) return;
    const double last_x = local_x(static_cast<int32_t>(L));
    bool have_end = false;
    int32_t end = s->end_ms;
    int64_t j = L;
    for (; j >= F; --j) {
        if (!pose_at(static_cast<int32_t>(j))) return;
        if (std::fabs(local_x(static_cast<int32_t>(j)) - last_x) > kStopStretch) break;
        end = pose_at(static_cast<int32_t>(j))->time_ms;
        have_end = true;
    }
    for (int64_t previous = -1; j <= L + M; ++j) {
        const PoseRecord* p = pose_at(static_cast<int32_t>(j));
        if (!p) break;
        if (previous >= 0) {
            const PoseRecord* q = pose_at(static_cast<int32_t>(previous));
            const double covered = std::fabs(std::fabs(local_x(static_cast<int32_t>(previous))) -
                                             std::fabs(local_x(static_cast<int32_t>(j))));
            if (covered < (static_cast<double>(p->time_ms) - q->time_ms) * kStopSpeed / 1000) break;
        }
        end = p->time_ms;
        have_end = true;
        previous = j;
    }
    if (have_end) s->end_ms = end;
    refresh_sample(g_state.current_sample);
}

void revert_sample() {
    TrackSample* s = editable();
    if (!s || g_state.undo_sample < 0 || g_state.undo_sample != g_state.current_sample) return;
    s->start_ms = g_state.undo_start_ms;
    s->end_ms = g_state.undo_end_ms;
    g_state.undo_sample = -1;
    g_state.unsaved = true;
    refresh_sample(g_state.current_sample);
}

void previous_sample() {
    if (!g_state.labelling || g_state.current_sample < 0) return;
    const int32_t count = sample_set().count;
    int32_t i = std::min(g_state.current_sample, count);
    bool wrapped = false;
    for (;;) {
        if (--i < 0) {
            if (wrapped || count == 0) {
                g_state.current_sample = -1;
                return;
            }
            wrapped = true;
            i = count;
            continue;
        }
        if (record(i)->active == 1) break;
    }
    g_state.current_sample = i;
    refresh_sample(i);
}

void next_sample() {
    if (g_state.current_sample < 0) return;
    const int32_t count = sample_set().count;
    int32_t i = g_state.current_sample;
    bool wrapped = false;
    for (;;) {
        if (++i >= count) {
            if (wrapped || count == 0) {
                g_state.current_sample = -1;
                return;
            }
            wrapped = true;
            i = -1;
            continue;
        }
        if (record(i)->active == 1) break;
    }
    g_state.current_sample = i;
    refresh_sample(i);
}

void delete_sample() {
    TrackSample* s = record(g_state.current_sample);
    if (!s) return;
    if (s->active == 1) g_state.unsaved = true;
    s->active = 0;
}

void apply_sample_settings(int32_t sample_id, double margin_s) {
    const TrackSampleSet& set = sample_set();
    for (int32_t k = 0; k < set.count; ++k) {
        const TrackSample& s = set.records[static_cast<size_t>(k)];
        if (s.active == 1 && s.sample_id == sample_id) {
            g_state.current_sample = k;
            break;
        }
    }
    g_state.margin_s = margin_s;
    g_state.margin_poses = margin_from(margin_s, g_state.pose_period_s);
    refresh_sample(g_state.current_sample);
}

void reset_play_step() {
    g_state.play_step = 0;
}

bool advance_play_step() {
    g_state.play_step = saturate(int64_t{g_state.play_step} + 2);
    const TrackSampleSet& set = sample_set();
    for (int32_t k = 0; k < set.count; ++k)
        if (set.records[static_cast<size_t>(k)].pose_count > g_state.play_step) return true;
    return false;
}

int32_t play_elapsed_ms() {
    if (!ready()) return 0;
    const TrackSampleSet& set = sample_set();
    for (int32_t k = 0; k < set.count; ++k) {
        const TrackSample& r = set.records[static_cast<size_t>(k)];
        if (r.pose_count <= g_state.play_step) continue;
        const PoseRecord* p = pose_at(saturate(int64_t{r.first_pose} + g_state.play_step));
        return p ? saturate(int64_t{p->time_ms} - r.start_ms) : 0;
    }
    return 0;
}
