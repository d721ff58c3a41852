// What the viewer measures in a scene at each frame: the ego's speed, its lead
// vehicle, the gap to it, the time headway (THW) and the time to collision (TTC).
//
// At each frame, from the stored (cleaned) samples visible at that frame and the ego
// pose at the clock's time:
// - ego speed: from the ego pose track, the distance between the poses around the
//   clock's time divided by their time difference (central difference; one-sided
//   at the ends);
// - lead vehicle: among the visible samples with ego_y > 0 and |ego_x| <= the lane
//   half width, the one with the smallest ego_y (ties: the earlier trajectory);
//   none when no sample qualifies;
// - gap [m]: ego_y(lead) - length(lead)/2 - 4.2/2 (the ego car's drawn length);
// - THW [s]: gap / ego speed when the ego speed is above 0.1 m/s, else none;
// - TTC [s]: gap / (ego speed - lead speed) when the ego is faster than the lead,
//   else none (the gap does not close);
// - a gap at or below 0 is a contact: THW and TTC are 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/scene.h"

namespace analysis {

constexpr double kDefaultLaneHalfWidth = 1.75;  // metres
constexpr double kMinHeadwaySpeed = 0.1;        // m/s: slower, THW is none

// The measurements at one frame. A value that does not exist is nullopt.
struct Measure {
    int32_t frame = 0;    // current_frame
    int32_t time_ms = 0;  // current_time
    std::optional<double> ego_speed;
    int32_t lead_id = -1;     // trajectory id; -1 when there is no lead
    int32_t lead_index = -1;  // its trajectory index; -1 when there is no lead
    std::optional<double> lead_speed;
    std::optional<double> gap;  // metres
    std::optional<double> thw;  // seconds
    std::optional<double> ttc;  // seconds
};

// The ego speed at pose `index`: between poses index-1 and index+1, or index and its
// one neighbour at an end of the track. None with fewer than two poses, an index
// outside the track or poses whose times do not increase.
std::optional<double> ego_speed_at(const PoseTrack& track, int32_t index);

// Whether a sample is a candidate lead: ahead (ego_y > 0) and within the lane.
bool in_ego_lane(const TrajPoint& sample, double lane_half_width);

// Gap, THW and TTC from the lead's position and speeds, as defined above; fills the
// three fields of m (leaves them none when lead_ego_y is not given).
void relate_to_lead(Measure& m, double lead_ego_y, double lead_length);

// The measurements at the scene's current frame. Changes nothing but the scene's
// query count.
Measure measure_now(const Scene& scene, double lane_half_width);

// The measurements at every clock step from where the clock stands now: the current
// frame, then after each step_scene until the scene ends. The clock is left where
// it stood (save_clock / restore_clock).
std::vector<Measure> measure_series(Scene& scene, double lane_half_width);
// The same from the scene's start, as a load leaves the clock (rewind, then seek to
// the first time): the series the plots show.
std::vector<Measure> measure_scene(Scene& scene, double lane_half_width);

// ---- Text --------------------------------------------------------------------------

// The CSV header: "frame,time_ms,ego_speed,lead_id,gap_m,thw_s,ttc_s\n".
extern const char* const kMetricsHeader;
// One CSV row: numbers with six decimals, empty fields for none, ending in '\n'.
std::string metrics_row(const Measure& m);
// The live line: "Lead 12  Gap 23.4 m  THW 1.25 s  TTC 4.10 s", a dash for none.
std::string live_text(const Measure& m);
// The script dump's part: " lead=%d gap=%.3f thw=%.3f ttc=%.3f", -1 and empty for none.
std::string dump_text(const Measure& m);

}  // namespace analysis
