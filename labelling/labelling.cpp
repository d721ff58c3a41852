#include "labelling/labelling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "data/pose_track.h"
#include "labelling/samples.h"

namespace {

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

bool ready(const LabelSession& session) {
    return pose_track_loaded(session.pose) && samples_loaded(session.samples);
}

TrackSample* record(LabelSession& session, int32_t k) {
    TrackSampleSet& set = session.samples;
    return k >= 0 && k < set.count ? &set.records[static_cast<size_t>(k)] : nullptr;
}

// The sample the editing operations work on: labelling on, an active current sample.
TrackSample* editable(LabelSession& session) {
    if (!session.state.labelling) return nullptr;
    TrackSample* s = record(session, session.state.current_sample);
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
void frame_sample(const PoseTrack& track, TrackSample& s, int32_t hint = 0) {
    const std::optional<PoseLookup> at = lookup_pose_from(track, s.start_ms, hint);
    if (!at) return;  // no pose: nothing to anchor on
    if (s.origin_x == 0 && s.origin_y == 0) {
        s.origin_x = at->x;
        s.origin_y = at->y;
        s.frame_heading = at->heading;
    }
    s.first_pose = at->nearest;
    // The last pose not later than the end; a sample that ends before its first
    // pose keeps just that pose.
    // A walk, not a search: the poses it reads are the ones the mapping reads next,
    // so they come from memory once, in order.
    int32_t last = s.first_pose;
    while (last + 1 < track.count && track.poses[static_cast<size_t>(last) + 1].time_ms <= s.end_ms)
        ++last;
    s.last_pose = last;
    s.pose_count = s.last_pose - s.first_pose + 1;
}

// The poses from..to - 1 (within the track) seen from the sample's frame.
void map_poses(LabelSession& session, const TrackSample& s, int64_t from, int64_t to) {
    // Copies of the frame: the writes below could alias the sample for the compiler.
    const double heading = s.frame_heading, ox = s.origin_x, oy = s.origin_y;
    const double c = std::cos(heading), sn = std::sin(heading);
    const PoseTrack& track = session.pose;
    std::vector<LocalPose>& local = session.local;
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

void sort_samples(TrackSampleSet& set) {
    if (set.count <= 1) return;
    std::stable_sort(
        set.records.begin() + 1, set.records.begin() + set.count,
        [](const TrackSample& a, const TrackSample& b) { return compare_by_start(a, b) < 0; });
}

}  // namespace

double wrap_angle(double a) {
    if (a > kPi) a -= kTwoPi;
    if (a < -kPi) a += kTwoPi;
    return a;
}

std::optional<PoseLookup> lookup_pose_at(const PoseTrack& track, int32_t t) {
    return lookup_pose_from(track, t, 0);
}

std::optional<PoseLookup> lookup_pose_from(const PoseTrack& track, int32_t t, int32_t hint) {
    if (track.count <= 0) return std::nullopt;
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
    if (exact)
        return PoseLookup{exact->heading, exact->x, exact->y,
                          static_cast<int32_t>(exact - &track.poses[0])};
    const PoseRecord& p = track.poses[static_cast<size_t>(i - 1)];
    const PoseRecord& q = track.poses[static_cast<size_t>(i)];
    const double f =
        (static_cast<double>(t) - p.time_ms) / (static_cast<double>(q.time_ms) - p.time_ms);
    double dh = wrap_angle(q.heading - p.heading);
    if (std::fabs(dh) > kMaxHeadingStep) dh = 0;
    PoseLookup at;
    at.heading = p.heading + dh * f;
    at.x = p.x + (q.x - p.x) * f;
    at.y = p.y + (q.y - p.y) * f;
    at.nearest =
        (static_cast<int64_t>(t) - p.time_ms) < (static_cast<int64_t>(q.time_ms) - t) ? i - 1 : i;
    return at;
}

void update_pose_period(LabelSession& session) {
    const PoseTrack& track = session.pose;
    LabelState& state = session.state;
    const int32_t n = track.count;
    auto time = [&track](int32_t i) {
        return static_cast<double>(track.poses[static_cast<size_t>(i)].time_ms);
    };
    if (n >= 4 && time(n - 2) != time(1))
        state.pose_period_s = (time(n - 2) - time(1)) / (n - 3) / 1000;
    else if (n >= 2 && time(n - 1) > time(0))
        state.pose_period_s = (time(n - 1) - time(0)) / (n - 1) / 1000;
    state.margin_poses = margin_from(state.margin_s, state.pose_period_s);
}

void refresh_sample(LabelSession& session, int32_t k) {
    if (!ready(session)) return;
    TrackSample* s = record(session, k);
    if (!s) return;
    frame_sample(session.pose, *s);
    map_poses(session, *s, int64_t{s->first_pose} - session.state.margin_poses,
              int64_t{s->last_pose} + session.state.margin_poses);
}

void refresh_all_samples(LabelSession& session) {
    if (!ready(session)) return;
    int32_t hint = 0;
    for (int32_t k = 1; k < session.samples.count; ++k) {
        TrackSample& s = *record(session, k);
        frame_sample(session.pose, s, hint);
        hint = s.first_pose;
        map_poses(session, s, s.first_pose, int64_t{s.last_pose} + 1);
    }
}

bool toggle_labelling(LabelSession& session) {
    if (!ready(session)) return false;
    LabelState& state = session.state;
    state.labelling = !state.labelling;
    if (state.labelling)
        refresh_sample(session, state.current_sample);
    else
        sort_samples(session.samples);
    return true;
}

bool set_edit_mode(LabelSession& session, int32_t mode) {
    if (!ready(session) || !session.state.labelling || mode < 1 || mode > 3) return false;
    session.state.edit_mode = mode;
    return true;
}

void shift_sample_time(LabelSession& session, int32_t k) {
    TrackSample* s = editable(session);
    if (!s) return;
    LabelState& state = session.state;
    if (state.edit_mode == 1) {
        s->start_ms = saturate(int64_t{s->start_ms} + int64_t{kShiftMs} * k);
        if (const std::optional<PoseLookup> at = lookup_pose_at(session.pose, s->start_ms)) {
            s->origin_x = at->x;
            s->origin_y = at->y;
            // The frame's heading keeps the manual correction across the move.
            s->frame_heading = at->heading + s->heading_offset;
        }
        state.unsaved = true;
    } else if (state.edit_mode == 2) {
        s->end_ms = saturate(int64_t{s->end_ms} + int64_t{kShiftMs} * k);
        state.unsaved = true;
    }
    refresh_sample(session, state.current_sample);
}

void turn_sample_frame(LabelSession& session, int32_t k) {
    TrackSample* s = editable(session);
    if (!s) return;
    s->heading_offset += kTurnRad * k;
    s->frame_heading += kTurnRad * k;
    session.state.unsaved = true;
    refresh_sample(session, session.state.current_sample);
}

void auto_adjust_sample(LabelSession& session) {
    TrackSample* s = editable(session);
    if (!s) return;
    LabelState& state = session.state;
    state.undo_start_ms = s->start_ms;
    state.undo_end_ms = s->end_ms;
    state.undo_sample = state.current_sample;
    state.unsaved = true;
    refresh_sample(session, state.current_sample);
    const int64_t F = s->first_pose, L = s->last_pose, M = state.margin_poses;
    const PoseTrack& track = session.pose;
    auto pose = [&track](int64_t j) { return pose_at(track, static_cast<int32_t>(j)); };
    auto local_x = [&session](int64_t j) {
        return local_pose_at(session, static_cast<int32_t>(j))->local_x;
    };

    // Start: forward to the first pose more than kLeaveDistance from the origin,
    // then back while the distance keeps shrinking.
    bool have_start = false;
    int32_t start = s->start_ms;
    int64_t i = F;
    for (; i <= L; ++i) {
        if (!pose(i)) return;  // the times stay
        if (std::fabs(local_x(i)) > kLeaveDistance) break;
        start = pose(i)->time_ms;
        have_start = true;
    }
    for (int64_t previous = -1; i > F - M; --i) {
        if (!pose(i)) break;
        if (previous >= 0 && std::fabs(local_x(i)) > std::fabs(local_x(previous))) break;
        start = pose(i)->time_ms;
        have_start = true;
        previous = i;
    }
    if (have_start) s->start_ms = start;

    // End: back over the final stretch within kStopStretch of the last pose, then
    // forward while the vehicle still moves at kStopSpeed or more.
    if (!pose(L)) return;
    const double last_x = local_x(L);
    bool have_end = false;
    int32_t end = s->end_ms;
    int64_t j = L;
    for (; j >= F; --j) {
        if (!pose(j)) return;
        if (std::fabs(local_x(j) - last_x) > kStopStretch) break;
        end = pose(j)->time_ms;
        have_end = true;
    }
    for (int64_t previous = -1; j <= L + M; ++j) {
        const PoseRecord* p = pose(j);
        if (!p) break;
        if (previous >= 0) {
            const PoseRecord* q = pose(previous);
            const double covered = std::fabs(std::fabs(local_x(previous)) - std::fabs(local_x(j)));
            if (covered < (static_cast<double>(p->time_ms) - q->time_ms) * kStopSpeed / 1000) break;
        }
        end = p->time_ms;
        have_end = true;
        previous = j;
    }
    if (have_end) s->end_ms = end;
    refresh_sample(session, state.current_sample);
}

void revert_sample(LabelSession& session) {
    TrackSample* s = editable(session);
    LabelState& state = session.state;
    if (!s || state.undo_sample < 0 || state.undo_sample != state.current_sample) return;
    s->start_ms = state.undo_start_ms;
    s->end_ms = state.undo_end_ms;
    state.undo_sample = -1;
    state.unsaved = true;
    refresh_sample(session, state.current_sample);
}

void previous_sample(LabelSession& session) {
    LabelState& state = session.state;
    if (!state.labelling || state.current_sample < 0) return;
    const int32_t count = session.samples.count;
    int32_t i = std::min(state.current_sample, count);
    bool wrapped = false;
    for (;;) {
        if (--i < 0) {
            if (wrapped || count == 0) {
                state.current_sample = -1;
                return;
            }
            wrapped = true;
            i = count;
            continue;
        }
        if (record(session, i)->active == 1) break;
    }
    state.current_sample = i;
    refresh_sample(session, i);
}

void next_sample(LabelSession& session) {
    LabelState& state = session.state;
    if (state.current_sample < 0) return;
    const int32_t count = session.samples.count;
    int32_t i = state.current_sample;
    bool wrapped = false;
    for (;;) {
        if (++i >= count) {
            if (wrapped || count == 0) {
                state.current_sample = -1;
                return;
            }
            wrapped = true;
            i = -1;
            continue;
        }
        if (record(session, i)->active == 1) break;
    }
    state.current_sample = i;
    refresh_sample(session, i);
}

void delete_sample(LabelSession& session) {
    TrackSample* s = record(session, session.state.current_sample);
    if (!s) return;
    if (s->active == 1) session.state.unsaved = true;
    s->active = 0;
}

bool set_sample_label(LabelSession& session, int32_t label) {
    TrackSample* s = editable(session);
    if (!s || label < 0 || label > 255 || s->label == label) return false;
    s->label = static_cast<uint8_t>(label);
    session.state.unsaved = true;
    return true;
}

int32_t insert_time_ms(const LabelSession& session) {
    const PoseTrack& track = session.pose;
    if (!pose_track_loaded(track)) return 0;
    const TrackSampleSet& set = session.samples;
    const LabelState& state = session.state;
    const int32_t k = state.current_sample;
    if (state.labelling && k > 0 && k < set.count && set.records[static_cast<size_t>(k)].active)
        return saturate(int64_t{set.records[static_cast<size_t>(k)].end_ms} + kShiftMs);
    for (int32_t r = 0; r < set.count; ++r) {
        const TrackSample& s = set.records[static_cast<size_t>(r)];
        if (s.pose_count <= state.play_step) continue;
        return saturate(int64_t{s.start_ms} + play_elapsed_ms(session));
    }
    return track.poses.front().time_ms;
}

namespace {

int32_t next_free_id(const TrackSampleSet& set) {
    int32_t id = 0;
    for (int32_t k = 1; k < set.count; ++k)
        id = std::max(id, set.records[static_cast<size_t>(k)].sample_id);
    return saturate(int64_t{id} + 1);
}

// Puts s among the samples in start order (after those starting at the same time),
// makes it current and refreshes the samples as a load does.
void place_new_sample(LabelSession& session, const TrackSample& s) {
    TrackSampleSet& set = session.samples;
    const auto at = std::upper_bound(
        set.records.begin() + 1, set.records.begin() + set.count, s,
        [](const TrackSample& a, const TrackSample& b) { return compare_by_start(a, b) < 0; });
    const int32_t k = static_cast<int32_t>(at - set.records.begin());
    set.records.insert(at, s);
    ++set.count;
    session.state.current_sample = k;
    session.state.unsaved = true;
    refresh_all_samples(session);
    refresh_sample(session, k);
}

}  // namespace

bool add_sample(LabelSession& session, int32_t start_ms) {
    if (!ready(session)) return false;
    TrackSample s;
    s.sample_id = next_free_id(session.samples);
    s.start_ms = start_ms;
    const double length_ms = std::round(session.state.default_length_s * 1000);
    s.end_ms = saturate(int64_t{start_ms} + static_cast<int64_t>(std::clamp(length_ms, 0.0, 4e9)));
    s.active = 1;
    // The first active sample starting later bounds the new one's end.
    const TrackSampleSet& set = session.samples;
    for (int32_t k = 1; k < set.count; ++k) {
        const TrackSample& r = set.records[static_cast<size_t>(k)];
        if (r.active == 1 && r.start_ms > start_ms) {
            s.end_ms = std::min(s.end_ms, saturate(int64_t{r.start_ms} - kShiftMs));
            break;
        }
    }
    if (int64_t{s.end_ms} - s.start_ms < kShiftMs) return false;
    place_new_sample(session, s);
    return true;
}

bool split_sample(LabelSession& session) {
    TrackSample* s = ready(session) ? editable(session) : nullptr;
    if (!s || int64_t{s->end_ms} - s->start_ms < 4 * kShiftMs) return false;
    const int32_t middle = saturate((int64_t{s->start_ms} + s->end_ms) / 2);
    TrackSample second;
    second.sample_id = next_free_id(session.samples);
    second.start_ms = middle;
    second.end_ms = s->end_ms;
    second.label = s->label;
    second.heading_offset = s->heading_offset;
    second.active = 1;
    if (const std::optional<PoseLookup> at = lookup_pose_at(session.pose, middle)) {
        second.origin_x = at->x;
        second.origin_y = at->y;
        second.frame_heading = at->heading + s->heading_offset;
    }
    s->end_ms = middle - kShiftMs;
    place_new_sample(session, second);
    return true;
}

int32_t active_sample_count(const TrackSampleSet& set) {
    int32_t n = 0;
    for (int32_t k = 1; k < set.count; ++k) n += set.records[static_cast<size_t>(k)].active == 1;
    return n;
}

int32_t active_position(const TrackSampleSet& set, int32_t k) {
    if (k < 1 || k >= set.count || set.records[static_cast<size_t>(k)].active != 1) return 0;
    int32_t n = 0;
    for (int32_t j = 1; j <= k; ++j) n += set.records[static_cast<size_t>(j)].active == 1;
    return n;
}

void apply_sample_settings(LabelSession& session, int32_t sample_id, double margin_s) {
    const TrackSampleSet& set = session.samples;
    LabelState& state = session.state;
    for (int32_t k = 0; k < set.count; ++k) {
        const TrackSample& s = set.records[static_cast<size_t>(k)];
        if (s.active == 1 && s.sample_id == sample_id) {
            state.current_sample = k;
            break;
        }
    }
    state.margin_s = margin_s;
    state.margin_poses = margin_from(margin_s, state.pose_period_s);
    refresh_sample(session, state.current_sample);
}

void reset_play_step(LabelSession& session) {
    session.state.play_step = 0;
}

bool advance_play_step(LabelSession& session) {
    LabelState& state = session.state;
    state.play_step = saturate(int64_t{state.play_step} + 2);
    const TrackSampleSet& set = session.samples;
    for (int32_t k = 0; k < set.count; ++k)
        if (set.records[static_cast<size_t>(k)].pose_count > state.play_step) return true;
    return false;
}

int32_t play_elapsed_ms(const LabelSession& session) {
    if (!ready(session)) return 0;
    const TrackSampleSet& set = session.samples;
    const int32_t step = session.state.play_step;
    for (int32_t k = 0; k < set.count; ++k) {
        const TrackSample& r = set.records[static_cast<size_t>(k)];
        if (r.pose_count <= step) continue;
        const PoseRecord* p = pose_at(session.pose, saturate(int64_t{r.first_pose} + step));
        return p ? saturate(int64_t{p->time_ms} - r.start_ms) : 0;
    }
    return 0;
}
