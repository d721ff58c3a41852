// The labelling operations: every sample's frame anchored on the ego pose track,
// the poses of a sample in that frame, stepping from sample to sample, correcting a
// sample's start, end and heading by hand or by the automatic adjustment, deleting
// samples, the Settings of the current sample and the margin, and the playback
// step of the overview. Operations whose conditions fail (nothing loaded,
// labelling off, no current active sample) silently do nothing.
#pragma once

#include <cstdint>

// The program's labelling state.
struct LabelState {
    bool labelling = false;      // labelling mode; the keys act only while it is on
    int32_t current_sample = 1;  // index of the sample worked on; -1 none
    int32_t edit_mode = 1;       // what the arrow keys change: 1 start, 2 end, 3 heading
    int32_t undo_sample = -1;    // index whose times the last automatic adjustment saved
    int32_t undo_start_ms = 0;   // saved start_ms
    int32_t undo_end_ms = 0;     // saved end_ms
    double margin_s = 5.0;       // seconds of poses shown and processed around the sample
    int32_t margin_poses = 50;   // the margin in poses: trunc(margin_s / pose_period_s)
    double pose_period_s = 0.1;  // mean time between two poses of the track, seconds
    int32_t play_step = 0;       // pose steps the overview has advanced
    bool unsaved = false;        // samples changed since the last sample load or save
};

LabelState& label_state();
void reset_label_state();

// One step of wrapping: above 3.1415926535 less 6.283185307, then below
// -3.1415926535 plus 6.283185307 (not a full reduction).
double wrap_angle(double a);

// The interpolated ego pose at a time, and the nearest pose's index.
struct PoseLookup {
    double heading = 0;
    double x = 0;
    double y = 0;
    int32_t nearest = 0;
};
// The pose at time t: an exact pose, or the interpolation between the poses
// around t (a heading step of more than 0.785398163375 rad after wrapping is not
// interpolated; the nearest index is the earlier pose only when t is nearer to
// it); before the first pose the first, after the last the last. Fails only
// without a pose track, leaving the last lookup as it was.
bool lookup_pose_at(int32_t t);
// The same, searching from pose `hint` onwards when that pose is earlier than t
// (the whole track otherwise): a refresh of samples in time order finds each
// sample's start near the previous one's.
bool lookup_pose_from(int32_t t, int32_t hint);
const PoseLookup& last_lookup();

// After a pose load: the mean pose interval over poses 1 .. n-2 (with fewer than 4
// poses, or equal times there, over the whole track; else unchanged), then
// margin_poses from margin_s.
void update_pose_period();

// The frame of sample k (its origin and heading from the pose at its start when it
// has none yet), its first and last pose and their count, and the local view of
// its poses and of margin_poses poses around them (refresh_sample), or of its own
// poses alone for every sample (refresh_all_samples).
void refresh_sample(int32_t k);
void refresh_all_samples();

// Labelling on or off (needs a pose track and samples): on refreshes the current
// sample, off sorts the samples by start. Returns whether it acted.
bool toggle_labelling();
// What the arrow keys change (1 start, 2 end, 3 heading), while labelling.
// Returns whether it acted.
bool set_edit_mode(int32_t mode);
// Moves the current sample's start (mode 1, re-anchoring its frame at the new start
// with its heading correction kept) or end (mode 2) by 100 ms * k.
void shift_sample_time(int32_t k);
// Turns the current sample's frame and its exported headings by 0.001 rad * k.
void turn_sample_frame(int32_t k);
// Snaps the current sample's start to where the vehicle leaves the frame's origin
// and its end to where it stops moving (along the frame's first axis); the old
// times are kept for revert_sample.
void auto_adjust_sample();
// Undoes the last automatic adjustment of the current sample, once.
void revert_sample();
// The previous / next active sample, wrapping once; -1 when none is left.
void previous_sample();
void next_sample();
// Marks the current sample deleted: it is no longer saved, exported or selected.
void delete_sample();
// The Settings dialog's Ok: the first active sample with sample_id becomes current
// (when there is one), the margin is set, the current sample refreshed.
void apply_sample_settings(int32_t sample_id, double margin_s);

// The overview's playback step.
void reset_play_step();
// Two poses further; false when no record has more poses than the step.
bool advance_play_step();
// The time the overview stands at, relative to the start of the first record not
// yet drawn out; 0 when there is none.
int32_t play_elapsed_ms();
