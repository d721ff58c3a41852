// The labelling operations on a session (labelling/label_session.h): every sample's
// frame anchored on the ego pose track, the poses of a sample in that frame,
// stepping from sample to sample, correcting a sample's start, end and heading by
// hand or by the automatic adjustment, deleting samples, the Settings of the
// current sample and the margin, and the playback step of the overview.
// Operations whose conditions fail (nothing loaded, labelling off, no current
// active sample) silently do nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "labelling/label_session.h"

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
// it); before the first pose the first, after the last the last. None without a
// pose.
std::optional<PoseLookup> lookup_pose_at(const PoseTrack& track, int32_t t);
// The same, searching from pose `hint` onwards when that pose is earlier than t
// (the whole track otherwise): a refresh of samples in time order finds each
// sample's start near the previous one's.
std::optional<PoseLookup> lookup_pose_from(const PoseTrack& track, int32_t t, int32_t hint);

// After a pose load: the mean pose interval over poses 1 .. n-2 (with fewer than 4
// poses, or equal times there, over the whole track; else unchanged), then
// margin_poses from margin_s.
void update_pose_period(LabelSession& session);

// The frame of sample k (its origin and heading from the pose at its start when it
// has none yet), its first and last pose and their count, and the local view of
// its poses and of margin_poses poses around them (refresh_sample), or of its own
// poses alone for every sample (refresh_all_samples).
void refresh_sample(LabelSession& session, int32_t k);
void refresh_all_samples(LabelSession& session);

// Labelling on or off (needs a pose track and samples): on refreshes the current
// sample, off sorts the samples by start. Returns whether it acted.
bool toggle_labelling(LabelSession& session);
// What the arrow keys change (1 start, 2 end, 3 heading), while labelling.
// Returns whether it acted.
bool set_edit_mode(LabelSession& session, int32_t mode);
// Moves the current sample's start (mode 1, re-anchoring its frame at the new start
// with its heading correction kept; without a pose the frame stays) or end (mode 2)
// by 100 ms * k.
void shift_sample_time(LabelSession& session, int32_t k);
// Turns the current sample's frame and its exported headings by 0.001 rad * k.
void turn_sample_frame(LabelSession& session, int32_t k);
// Snaps the current sample's start to where the vehicle leaves the frame's origin
// and its end to where it stops moving (along the frame's first axis); the old
// times are kept for revert_sample.
void auto_adjust_sample(LabelSession& session);
// Undoes the last automatic adjustment of the current sample, once.
void revert_sample(LabelSession& session);
// The previous / next active sample, wrapping once; -1 when none is left.
void previous_sample(LabelSession& session);
void next_sample(LabelSession& session);
// Marks the current sample deleted: it is no longer saved, exported or selected.
void delete_sample(LabelSession& session);
// Sets the current sample's label (0 .. 255). Returns whether it changed.
bool set_sample_label(LabelSession& session, int32_t label);
// The time a new sample starts at: 100 ms after the current active sample's end
// while labelling; otherwise the time the overview stands at (the start of the
// first record not yet drawn out plus the time drawn of it), or the first pose's
// time. 0 without a pose track.
int32_t insert_time_ms(const LabelSession& session);
// Adds an active sample of default_length_s seconds starting at start_ms, label 0,
// the next free identifier, where its start keeps the samples in order; its end is
// cut back to 100 ms before the next sample's start. It becomes the current sample
// and the samples are refreshed as after a load. Returns false (nothing changes)
// without a pose track and samples, or when less than 100 ms would be left.
bool add_sample(LabelSession& session, int32_t start_ms);
// Splits the current sample at its middle: it ends 100 ms before the middle, a new
// sample (the next free identifier, the same label and heading correction) runs
// from the middle to the old end. The new one becomes current; the samples are
// refreshed as after a load. False when the sample is shorter than 400 ms.
bool split_sample(LabelSession& session);
// Every active sample, in record order, and the position of record k among them
// (1-based; 0 when k is not an active sample).
int32_t active_sample_count(const TrackSampleSet& set);
int32_t active_position(const TrackSampleSet& set, int32_t k);
// The Settings dialog's Ok: the first active sample with sample_id becomes current
// (when there is one), the margin is set, the current sample refreshed.
void apply_sample_settings(LabelSession& session, int32_t sample_id, double margin_s);

// The overview's playback step.
void reset_play_step(LabelSession& session);
// Two poses further; false when no record has more poses than the step.
bool advance_play_step(LabelSession& session);
// The time the overview stands at, relative to the start of the first record not
// yet drawn out; 0 when there is none.
int32_t play_elapsed_ms(const LabelSession& session);
