// From the samples of a recording's vehicles to one ego's scene: the rules the
// formats share (the heading where the data has none, the shift from the front
// bumper to the box centre, the order and uniqueness of samples) and the texts
// written for the viewers (the ego's .nav pose track, the TRAJ file of the
// others, the role colours).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/dataset.h"

// Below this speed (m/s) the direction of motion does not give a heading.
inline constexpr double kHeadingMinSpeed = 0.5;

// Sets every sample's forward vector from its motion (mx, my): the direction of
// motion while faster than kHeadingMinSpeed; slower, the last such direction; a
// vehicle that has not yet moved faster takes its first later direction; one that
// never does takes (fallback_x, fallback_y).
void resolve_headings(std::vector<TrackSample>& samples, double fallback_x, double fallback_y);

// Moves each sample's position from the front bumper's centre to the box centre:
// half its length back along its forward vector.
void shift_front_to_centre(std::vector<TrackSample>& samples);

// Sorts the samples by frame and keeps the first of samples that share a frame;
// returns how many were dropped.
int64_t sort_samples(std::vector<TrackSample>& samples);

// Fills the list fields of info (frames, times, samples, size of the first
// sample) from the samples.
void describe_track(VehicleTrack& track);

// The roles around an ego: front and rear from its neighbours at its first
// sample; lead and lag from the lane it moves into at its first lane change,
// or from the left lane when it changes none.
RoleIds find_roles(const std::vector<TrackSample>& ego);

// A "trajcolset.ini" with the roles, the viewer's default colours and speed
// range, and role colours on.
std::string role_colours_text(const RoleIds& roles);

// The ego's scene from its track and the others (any order; the ego is skipped
// where it appears among them): the samples of the others at the ego's frames,
// inside the options' time window and radius. False, with error set, when the
// ego keeps no sample or a time does not fit the files' millisecond field.
bool build_ego_scene(const VehicleTrack& ego, const std::vector<VehicleTrack>& others,
                     const ImportOptions& options, EgoScene& scene, std::string& error);

// Appends value as "%.<decimals>f" prints it in the C locale.
void append_fixed(std::string& out, double value, int decimals);
// "hh:mm:ss.mmm" of a time of day in ms.
std::string clock_text(int64_t ms);
