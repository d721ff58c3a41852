// One scene as the viewers hold it: the TRAJ store with the clock's fields, the
// clock's settings and counts, the ego pose track with its cursor, the origin
// points, the scene origin and the history of drawn boxes. A program owns one
// (its app record); loaders, clock operations and painters take it by reference,
// so that a second scene (an imported dataset, a comparison) is just another
// instance.
#pragma once

#include <cstdint>

#include "data/history.h"
#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

struct Scene {
    TrajStore store;           // the TRAJ file in memory and the clock's position in it
    ClockSettings clock;       // frameStep, tooShortTraj (Display Setting)
    mutable ClockStats stats;  // counts of the replay benchmark; queries count too
    PoseTrack pose;            // the ego pose track and its cursor
    OriginTrack origin;        // optional origin points
    SceneOrigin scene_origin;  // frame of the top-down view
    HistoryRing history;       // boxes drawn, for the Time Serials view
    // Bumped by every clock operation that moves or resets the clock (rewind, step,
    // seek): the history records a frame once per value.
    uint64_t frame_serial = 1;
};

// 1 when both the pose track and the trajectories are loaded: the scene can play.
int scene_ready(const Scene& scene);
