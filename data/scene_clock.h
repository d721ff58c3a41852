// The scene clock: steps the replay through the frame numbers of the loaded
// TRAJ data, follows with the ego pose cursor, and answers which samples are
// visible at the current frame.
//
// The clock state lives in the scene's TrajStore (data/traj_store.h):
// current_frame, current_time, start_time, first_active and each entry's cursor.
// Change it only through these functions; each takes the scene it moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/traj_store.h"

struct Scene;

// Settings of the clock, edited in the Display Setting dialog.
struct ClockSettings {
    int frameStep = 1;      // frames advanced per step; values below 1 step one frame
    int tooShortTraj = 20;  // trajectories with fewer samples are never visible
};

// Counts kept for the replay benchmark.
struct ClockStats {
    uint64_t step_visits = 0;   // samples looked at by step_scene
    uint64_t query_visits = 0;  // samples looked at by next_visible_sample
    // Looks at the first sample of trajectories that have not started yet, which
    // a step walking every trajectory from first_active on would add.
    uint64_t unstarted_skipped = 0;
};

// Puts the clock on the scene's first frame: first_active = 0; start_time,
// current_time and current_frame from the smallest-frame first sample (ties:
// the earlier trajectory; unchanged when no trajectory has samples); every
// cursor 0 (-1 for a trajectory without samples); pose cursor reset.
void rewind_scene(Scene& scene);

// Advances current_frame by frameStep (at most to max_frame), moves each live
// trajectory's cursor to its first sample not below the new frame, sets
// current_time to the time of the sample nearest in frame (within 10000 frames;
// ties: lower trajectory index, then earlier sample; else unchanged) and
// advances the pose cursor to it. Returns 1 when the clock moved, 0 when the
// scene has ended (first_active is then -1); 0 at once on an empty store.
int step_scene(Scene& scene);

// Moves the clock to time_ms: rewinds first when current_time is later, then
// steps at least once, until the scene ends, current_time passes time_ms or lies
// less than 100 ms before it; the pose cursor then follows to current_time (also
// when no step was taken). Returns 1 when current_time ends within 100 ms of
// time_ms, else 0.
int seek_scene(Scene& scene, int32_t time_ms);

// Samples visible at the current frame, one per trajectory in trajectory order:
// call with restart set, then unset with the index it set until it returns null
// (the index is where the scan resumes). A trajectory is visible when it has not
// ended, has at least tooShortTraj samples and the sample at its cursor lies
// within 1 frame of current_frame. Sets index to the trajectory's index. Null when
// the scene has ended. Changes nothing but the scene's query count.
const TrajPoint* next_visible_sample(const Scene& scene, bool restart, int32_t& index);

// A walk through the same visible samples in the same order, for a loop that
// visits them all (the painter, the history): it keeps its place in the clock's
// index instead of searching the index again for every sample. Start with a fresh
// walk; each call returns the next sample and sets walk.index, null at the end.
struct VisibleWalk {
    int32_t index = 0;  // trajectory index of the sample returned last
    bool started = false;
    bool in_index = false;      // past the trajectories looked at one by one
    int32_t next = 0;           // next trajectory looked at one by one
    std::size_t next_near = 0;  // next position in the clock index
};
const TrajPoint* next_visible(const Scene& scene, VisibleWalk& walk);

// The clock's whole position: the store's clock fields, every trajectory's cursor,
// the step bookkeeping, the pose cursor, the frame serial and the counts. A walk
// over the whole scene (the measurements' series) saves it first and puts it back
// after, so that the scene stands where it stood and no frame counts as new.
struct ClockPosition {
    int32_t first_active = 0;
    int32_t start_time = 0;
    int32_t current_time = 0;
    int32_t current_frame = 0;
    std::vector<int32_t> cursors;  // one per trajectory, in entry order
    SceneClockIndex index;
    int32_t pose_cursor = 0;
    uint64_t frame_serial = 0;
    ClockStats stats;
};

ClockPosition save_clock(const Scene& scene);
// Puts back a position saved from the same scene (same trajectories).
void restore_clock(Scene& scene, const ClockPosition& position);

// id of trajectory index; -1 when index < 0 or index >= entry_count.
int32_t traj_id_at(const TrajStore& store, int32_t index);
// current_time - start_time in ms (saturated to the 32-bit range).
int32_t elapsed_ms(const TrajStore& store);
