// The history of a scene: every box the viewer has drawn, the latest
// kHistorySize of them, which the "Time Serials" view draws again at the time
// heights of their own times. Owned by the scene (data/scene.h).
//
// Who writes it: record_history (render/scene_painter.h) appends the boxes of a
// frame once, after the first paint that showed it; clear_history empties it
// (a load, a wrap-around at the end of playback, the Time Serials toggle).
// Nothing else changes it; a paint only reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/traj_store.h"

constexpr int kHistorySize = 5000;
constexpr int32_t kEgoOwner = -1;  // owner of an ego entry

// In an entry, ego_x, ego_y, ego_head_x and ego_head_y hold the plane position and
// heading the box was drawn at. An ego entry has time_ms, that position and heading,
// length and width; its other fields are zero.
struct HistoryRing {
    // The boxes drawn; entry k in slot k mod kHistorySize.
    std::vector<TrajPoint> boxes = std::vector<TrajPoint>(kHistorySize);
    // Trajectory index of each box, kEgoOwner for the ego car.
    std::vector<int32_t> owners = std::vector<int32_t>(kHistorySize);
    int32_t appended = 0;  // entries appended since the last clear (see history_append)
    // current_frame of the latest recorded paint that drew trajectory index i; grows
    // to the loaded file's entry_count, never shrinks, cleared only with the scene.
    std::vector<int32_t> last_drawn = std::vector<int32_t>(kInitialLastDrawn);
    // The clock's frame_serial (data/scene.h) whose boxes were appended last (0:
    // none since the last clear); a paint of that frame again appends nothing.
    uint64_t recorded_serial = 0;

    static constexpr std::size_t kInitialLastDrawn = 5000;
};

// Appends one entry and returns it. appended never overflows: past a large multiple
// of kHistorySize it steps back by whole rings and keeps counting a full ring.
TrajPoint& history_append(HistoryRing& ring, const TrajPoint& box, int32_t owner);
// Number of entries draw_history draws: min(appended, kHistorySize).
int history_size(const HistoryRing& ring);
// Slot of the n-th drawn entry, n = 0 the oldest.
int history_slot(const HistoryRing& ring, int n);
// Empties the ring (entries stay in memory but are no longer drawn); the next
// record_history appends the frame on screen again.
void clear_history(HistoryRing& ring);

// current_frame of the latest recorded paint that drew trajectory index i; 0 for an
// index never drawn or outside the table.
int32_t last_drawn(const HistoryRing& ring, int32_t index);
