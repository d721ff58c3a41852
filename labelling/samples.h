// What the labelling tool holds of its files: the ego pose track (data/pose_track.h,
// read with the .pos layout's sequence numbers), the sample set, the Traj Gen track
// and, per pose, its position in the frame of the sample last refreshed over it.
// One of each per program, owned here; the loads and the save of the File menu.
//
// Record 0 of the sample set is the whole-track record: never read from a file,
// filled from the Traj Gen track, never active, so never saved, selected or
// counted as a sample. Records 1 .. count - 1 are the samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/pose_track.h"
#include "data/sample_files.h"

struct TrackSampleSet {
    std::vector<TrackSample> records;  // record 0, then the samples
    int32_t count = 0;                 // records, record 0 included; 0: no samples loaded
};

struct TrajGenTrack {
    std::vector<TrajGenPoint> points;
    int32_t count = 0;  // 0: no Traj Gen track loaded
};

// A pose seen from a sample's frame.
struct LocalPose {
    double rel_heading = 0;  // radians: the pose's heading less the frame's heading
    double local_x = 0;      // the pose's position in the frame, the track's units
    double local_y = 0;
};

TrackSampleSet& sample_set();
TrajGenTrack& traj_gen_track();
// One entry per pose of the track (resized by a pose load).
std::vector<LocalPose>& local_poses();

int samples_loaded();   // 1 when count > 0
int traj_gen_loaded();  // 1 when count > 0
// Release the array; count becomes 0.
void free_samples();
void free_traj_gen();
// All three stores and the local poses released; the pose track too.
void free_labelling_stores();

// "Load Ego" of the labelling tool: the layout from the file's name; a file that
// cannot be read leaves the previous track; otherwise the track is replaced (an
// empty one when the file holds no pose). On success the pose period and the
// margin are recomputed and every sample is refreshed. Failures are written to the
// standard error stream as the viewer's loads write them (a line end follows).
int load_vantrel_pose_track(const std::string& path);

// Reads a sample file into a new sample set; the labelling state is left as it
// was. Failures through report_error (data/report.h): "Open TRAJ file failure."
// (state unchanged), "Invalid TRAJ file." (no samples loaded afterwards). Returns 1
// when loaded.
int load_sample_file(const std::string& path);

// Reads a Traj Gen file into the Traj Gen track and fills the whole-track record
// from it. Failures on standard error (a line end follows): "Open data failure :
// <path>" (nothing changes), "Invalid data : <path>" and "Memory failure : <n>
// records" (the track is empty).
int load_traj_gen(const std::string& path);
// The message of the latest failed Traj Gen load.
const std::string& last_traj_gen_failure();

// Record 0 from a Traj Gen track, only while samples are loaded: start, end, the
// first and last point indices, their count and label 4; it stays inactive.
void set_whole_track_record(int32_t start_ms, int32_t end_ms, int32_t first, int32_t last);
// set_whole_track_record from the loaded Traj Gen track (when there is one).
void whole_track_record_from_traj_gen();

// The pose at index i, null outside the track; its local view likewise.
const PoseRecord* pose_at(int32_t i);
LocalPose* local_pose_at(int32_t i);
// The record at cursor, advancing the cursor; null when the set is empty or the
// cursor lies outside [0, count).
const TrackSample* next_sample_record(int32_t& cursor);
// The Traj Gen point at i; null outside the track.
const TrajGenPoint* traj_gen_point_at(int32_t i);

// Writes the active samples to base + ".txt" and, with a pose track loaded, one
// pose file per active sample, base + "0.nav", base + "1.nav", ... (the numbers
// count active samples only): each pose of the sample, its heading corrected by
// the sample's heading_offset. Every file is written whole or not at all (the
// file it would replace stays). Stops at the first file that cannot be written;
// files written before stay.
struct SaveOutcome {
    bool saved = false;           // every file was written
    std::string failure_caption;  // what could not be written: base for the sample file,
                                  // the export's name for an export ("" when saved)
    int exports = 0;              // pose files written
};
SaveOutcome save_samples(const std::string& base);
