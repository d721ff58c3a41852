#include "data/scene_clock.h"

#include <algorithm>
#include <limits>

#include "data/pose_track.h"
#include "data/scene.h"

// The clock follows its definition step by step, with one shortcut: a step
// would look at the first sample of every trajectory that has not started yet
// (cursor 0, first frame above current_frame) without moving it. Those are kept
// in start_order, sorted by (first frame, index), so that a step looks only at
// the next one to start; started trajectories are kept in `live`. The nearest
// sample, the cursors and the visible set come out the same as from the plain
// walk over every trajectory from first_active on.

namespace {

constexpr int64_t kNoMatch = 10000;  // frames; nothing farther sets current_time

int64_t frame_distance(int32_t a, int32_t b) {
    int64_t d = static_cast<int64_t>(a) - b;
    return d < 0 ? -d : d;
}

const TrajPoint& first_sample(const TrajStore& st, int32_t i) {
    return st.samples[static_cast<size_t>(st.entries[i].first)];
}

const TrajPoint& cursor_sample(const TrajStore& st, int32_t i) {
    const TrajEntry& e = st.entries[i];
    return st.samples[static_cast<size_t>(e.first + e.cursor)];
}

// Trajectories still to start whose first sample lies within 1 frame of the
// clock, merged with the live ones whose cursor sample does, in index order.
void collect_near(TrajStore& st) {
    SceneClockIndex& ix = st.clock_index;
    const int32_t cf = st.current_frame;
    ix.near.clear();
    size_t s = ix.next_start;
    std::vector<int32_t>& starting = ix.starting;
    starting.clear();
    while (s < ix.start_order.size() &&
           frame_distance(first_sample(st, ix.start_order[s]).frame, cf) <= 1) {
        starting.push_back(ix.start_order[s]);
        ++s;
    }
    std::sort(starting.begin(), starting.end());
    auto a = ix.live.begin();
    auto b = starting.begin();
    while (a != ix.live.end() || b != starting.end()) {
        int32_t i;
        if (b == starting.end() || (a != ix.live.end() && *a < *b)) {
            i = *a++;
            if (frame_distance(cursor_sample(st, i).frame, cf) > 1) continue;
        } else {
            i = *b++;
        }
        ix.near.push_back(i);
    }
}

// Rebuilds the index from the cursors as they stand.
void rebuild_index(TrajStore& st) {
    SceneClockIndex& ix = st.clock_index;
    ix.start_order.clear();
    ix.live.clear();
    ix.next_start = 0;
    const int32_t cf = st.current_frame;
    const int32_t from = std::max(st.first_active, 0);
    for (int32_t i = 0; i < st.entry_count; ++i) {
        TrajEntry& e = st.entries[i];
        // A trajectory without samples has nothing at its cursor.
        if (e.count <= 0 || e.cursor >= e.count) e.cursor = -1;
        if (i < from || e.cursor < 0) continue;
        if (e.cursor == 0 && first_sample(st, i).frame > cf) {
            ix.start_order.push_back(i);
        } else {
            ix.live.push_back(i);
        }
    }
    std::sort(ix.start_order.begin(), ix.start_order.end(), [&](int32_t a, int32_t b) {
        int32_t fa = first_sample(st, a).frame, fb = first_sample(st, b).frame;
        return fa != fb ? fa < fb : a < b;
    });
    collect_near(st);
    ix.built_frame = cf;
    ix.built_first_active = st.first_active;
    ix.valid = true;
}

void ensure_index(TrajStore& st) {
    const SceneClockIndex& ix = st.clock_index;
    if (!ix.valid || ix.built_frame != st.current_frame ||
        ix.built_first_active != st.first_active) {
        rebuild_index(st);
    }
}

// True when the index describes the clock as it stands (a query may use `near`).
bool index_current(const TrajStore& st) {
    const SceneClockIndex& ix = st.clock_index;
    return ix.valid && ix.built_frame == st.current_frame &&
           ix.built_first_active == st.first_active;
}

bool visible(const Scene& scene, int32_t i) {
    const TrajStore& st = scene.store;
    const TrajEntry& e = st.entries[i];
    if (e.cursor < 0 || e.cursor >= e.count || e.count < scene.clock.tooShortTraj) return false;
    ++scene.stats.query_visits;
    return frame_distance(cursor_sample(st, i).frame, st.current_frame) <= 1;
}

}  // namespace

void rewind_scene(Scene& scene) {
    TrajStore& st = scene.store;
    st.first_active = 0;
    bool found = false;
    for (int32_t i = 0; i < st.entry_count; ++i) {
        if (st.entries[i].count <= 0) continue;
        const TrajPoint& s = first_sample(st, i);
        if (!found || s.frame < st.current_frame) {
            st.start_time = s.time_ms;
            st.current_time = s.time_ms;
            st.current_frame = s.frame;
            found = true;
        }
    }
    for (TrajEntry& e : st.entries) e.cursor = e.count > 0 ? 0 : -1;
    rebuild_index(st);
    reset_pose_cursor(scene.pose);
    ++scene.frame_serial;
}

int step_scene(Scene& scene) {
    TrajStore& st = scene.store;
    if (st.current_frame == st.max_frame) {
        st.first_active = -1;
        return 0;
    }
    if (st.first_active < 0) return 0;
    ensure_index(st);
    SceneClockIndex& ix = st.clock_index;

    const int64_t step = std::max(scene.clock.frameStep, 1);
    const int32_t cf = static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(st.current_frame) + step, st.max_frame));
    st.current_frame = cf;

    int32_t fa = st.first_active;
    while (fa < st.entry_count && st.entries[fa].max_frame < cf) ++fa;
    if (fa >= st.entry_count) {
        st.first_active = -1;
        ix.valid = false;
        return 0;
    }
    st.first_active = fa;

    // Trajectories whose first frame the clock has reached start now; those that
    // first_active has already passed are never walked.
    // Kept in the index between steps so that a step does not allocate.
    std::vector<int32_t>& incoming = ix.incoming;
    std::vector<int32_t>& walk = ix.walk;
    incoming.clear();
    walk.clear();
    while (ix.next_start < ix.start_order.size() &&
           first_sample(st, ix.start_order[ix.next_start]).frame <= cf) {
        int32_t i = ix.start_order[ix.next_start++];
        if (i >= fa) incoming.push_back(i);
    }
    std::sort(incoming.begin(), incoming.end());
    auto live_from = std::lower_bound(ix.live.begin(), ix.live.end(), fa);
    std::merge(live_from, ix.live.end(), incoming.begin(), incoming.end(),
               std::back_inserter(walk));

    int64_t best = kNoMatch;
    int32_t best_index = -1;
    uint64_t visits = 0;
    ix.live.clear();
    for (int32_t i : walk) {
        TrajEntry& e = st.entries[i];
        const TrajPoint* samples = st.samples.data() + e.first;
        for (;;) {
            const TrajPoint& s = samples[e.cursor];
            ++visits;
            int64_t d = frame_distance(s.frame, cf);
            if (best != 0 && d < best) {
                best = d;
                best_index = i;
                st.current_time = s.time_ms;
            }
            if (s.frame >= cf) break;
            if (++e.cursor == e.count) {
                e.cursor = -1;
                break;
            }
        }
        if (e.cursor >= 0) ix.live.push_back(i);
    }
    // The next trajectory to start would have been looked at in index order
    // among the walked ones; it wins when nearer, or as near and earlier.
    if (ix.next_start < ix.start_order.size()) {
        int32_t i = ix.start_order[ix.next_start];
        const TrajPoint& s = first_sample(st, i);
        ++visits;
        int64_t d = frame_distance(s.frame, cf);
        if (d < best || (d == best && best != kNoMatch && best != 0 && i < best_index)) {
            st.current_time = s.time_ms;
        }
    }
    scene.stats.step_visits += visits;
    size_t unstarted = ix.start_order.size() - ix.next_start;
    if (unstarted > 1) scene.stats.unstarted_skipped += unstarted - 1;

    collect_near(st);
    ix.built_frame = cf;
    ix.built_first_active = fa;

    advance_pose_cursor(scene.pose, st.current_time);
    ++scene.frame_serial;
    return 1;
}

int seek_scene(Scene& scene, int32_t t) {
    TrajStore& st = scene.store;
    bool stepping = true;
    if (st.current_time > t) {
        rewind_scene(scene);
        if (st.current_time > t) stepping = false;
    }
    while (stepping) {
        if (!step_scene(scene)) break;
        if (st.current_time > t) break;
        if (static_cast<int64_t>(t) - st.current_time < 100) break;
    }
    // A rewind that took no step leaves the pose cursor on the track's first pose;
    // the ego must stand where the clock stands.
    advance_pose_cursor(scene.pose, st.current_time);
    ++scene.frame_serial;
    return frame_distance(st.current_time, t) < 100 ? 1 : 0;
}

const TrajPoint* next_visible_sample(const Scene& scene, bool restart, int32_t& index) {
    const TrajStore& st = scene.store;
    if (st.first_active == -1) return nullptr;
    int32_t i = restart ? st.first_active : index + 1;
    i = std::max(i, 0);
    // Without a current index (a store just read, a clock set by hand) every
    // trajectory from i on is looked at; the visible set is the same.
    const bool indexed = index_current(st);
    // Trajectories before first_active are not in the index; a scan resumed
    // from before it looks at them one by one.
    const int32_t plain_end = indexed ? std::min(st.first_active, st.entry_count) : st.entry_count;
    for (; i < plain_end; ++i) {
        if (visible(scene, i)) {
            index = i;
            return &cursor_sample(st, i);
        }
    }
    if (!indexed) return nullptr;
    const std::vector<int32_t>& near = st.clock_index.near;
    for (auto it = std::lower_bound(near.begin(), near.end(), i); it != near.end(); ++it) {
        if (visible(scene, *it)) {
            index = *it;
            return &cursor_sample(st, *it);
        }
    }
    return nullptr;
}

const TrajPoint* next_visible(const Scene& scene, VisibleWalk& walk) {
    const TrajStore& st = scene.store;
    if (st.first_active == -1) return nullptr;
    const bool indexed = index_current(st);
    if (!walk.started) {
        walk.started = true;
        walk.in_index = false;
        walk.next = std::max(st.first_active, 0);
    }
    if (!walk.in_index) {
        // As next_visible_sample: trajectories before first_active one by one.
        const int32_t plain_end =
            indexed ? std::min(st.first_active, st.entry_count) : st.entry_count;
        for (; walk.next < plain_end; ++walk.next) {
            if (visible(scene, walk.next)) {
                walk.index = walk.next++;
                return &cursor_sample(st, walk.index);
            }
        }
        if (!indexed) return nullptr;
        const std::vector<int32_t>& near = st.clock_index.near;
        walk.next_near = static_cast<std::size_t>(
            std::lower_bound(near.begin(), near.end(), walk.next) - near.begin());
        walk.in_index = true;
    }
    // The index holds each trajectory once, in increasing order: the place after
    // the one returned last is where next_visible_sample's search would land.
    const std::vector<int32_t>& near = st.clock_index.near;
    for (; walk.next_near < near.size(); ++walk.next_near) {
        const int32_t i = near[walk.next_near];
        if (visible(scene, i)) {
            walk.index = i;
            ++walk.next_near;
            return &cursor_sample(st, i);
        }
    }
    return nullptr;
}

int32_t traj_id_at(const TrajStore& st, int32_t index) {
    if (index < 0 || index >= st.entry_count) return -1;
    return st.entries[index].id;
}

int32_t elapsed_ms(const TrajStore& st) {
    int64_t d = static_cast<int64_t>(st.current_time) - st.start_time;
    d = std::clamp<int64_t>(d, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(d);
}

ClockPosition save_clock(const Scene& scene) {
    const TrajStore& st = scene.store;
    ClockPosition p;
    p.first_active = st.first_active;
    p.start_time = st.start_time;
    p.current_time = st.current_time;
    p.current_frame = st.current_frame;
    p.cursors.reserve(static_cast<size_t>(st.entry_count));
    for (int32_t i = 0; i < st.entry_count; ++i) p.cursors.push_back(st.entries[i].cursor);
    p.index = st.clock_index;
    p.pose_cursor = scene.pose.pose_cursor;
    p.frame_serial = scene.frame_serial;
    p.stats = scene.stats;
    return p;
}

void restore_clock(Scene& scene, const ClockPosition& p) {
    TrajStore& st = scene.store;
    st.first_active = p.first_active;
    st.start_time = p.start_time;
    st.current_time = p.current_time;
    st.current_frame = p.current_frame;
    const int32_t n = std::min(st.entry_count, static_cast<int32_t>(p.cursors.size()));
    for (int32_t i = 0; i < n; ++i) st.entries[i].cursor = p.cursors[static_cast<size_t>(i)];
    st.clock_index = p.index;
    scene.pose.pose_cursor = p.pose_cursor;
    scene.frame_serial = p.frame_serial;
    scene.stats = p.stats;
}
