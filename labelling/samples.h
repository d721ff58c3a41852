// The labelling tool's stores (labelling/label_session.h): their loads, the lookups
// into them, the whole-track record, and the save of the File menu.
//
// Each load only loads: what follows it (the pose period and the refresh of the
// samples after a pose load, the refresh after a sample load, record 0 after a
// Traj Gen load) is the File menu command's (labelling/vantrel_shell.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/report.h"
#include "data/text_input.h"
#include "labelling/label_session.h"

// 1 when count > 0.
int samples_loaded(const TrackSampleSet& set);
int traj_gen_loaded(const TrajGenTrack& track);
// Release the array; count becomes 0.
void free_samples(TrackSampleSet& set);
void free_traj_gen(TrajGenTrack& track);
// The pose track, the sample set, the Traj Gen track and the local poses released;
// the labelling state stays.
void free_labelling_stores(LabelSession& session);

// "Load Ego" of the labelling tool, into session.pose: the layout from the file's
// name; a file that cannot be read leaves the previous track (and the samples'
// local views of it); otherwise the track is replaced (an empty one when the file
// holds no pose) and the local views start afresh, one per pose. Failures are
// written to the standard error stream as the viewer's loads write them (a line
// end follows), and to *failure when given. Returns 1 when loaded.
int load_vantrel_pose_track(LabelSession& session, const std::string& path,
                            std::string* failure = nullptr, const LoadProgress& progress = {});

// Reads a sample file into a new sample set. Failures go to report: "Open TRAJ
// file failure." (the set unchanged), "Invalid TRAJ file." with a second line
// naming the file and what failed ("run.txt: no sample line", "run.txt: line 4:
// start time out of range"; no samples loaded afterwards). The samples cut back
// to end before the next one starts go to *shortened when given. Returns 1 when
// loaded.
int load_sample_file(TrackSampleSet& set, const std::string& path,
                     const ErrorSink& report = print_error,
                     std::vector<ShortenedSample>* shortened = nullptr);

// Reads a Traj Gen file into the track. Failures on standard error (a line end
// follows) and in *failure when given: "Open data failure : <path>" (nothing
// changes), "Invalid data : <path>" and "Memory failure : <n> records" (the track
// is empty); a faulty line or too many lines adds a second line to "Invalid data"
// naming the file, the line and the fault, as load_pose_track does. Returns 1 when
// loaded.
int load_traj_gen(TrajGenTrack& track, const std::string& path, std::string* failure = nullptr);

// Record 0, only while samples are loaded: start, end, the first and last point
// indices, their count and label 4; it stays inactive.
void set_whole_track_record(TrackSampleSet& set, int32_t start_ms, int32_t end_ms, int32_t first,
                            int32_t last);
// set_whole_track_record from the session's Traj Gen track (when there is one).
void whole_track_record_from_traj_gen(LabelSession& session);

// The pose at index i, null outside the track.
const PoseRecord* pose_at(const PoseTrack& track, int32_t i);
// The local view of pose i, null outside the track; the views are first resized
// to the track when they are not one per pose.
LocalPose* local_pose_at(LabelSession& session, int32_t i);
// The same without resizing: null outside the track or the views.
const LocalPose* local_pose_at(const LabelSession& session, int32_t i);
// The record at cursor, advancing the cursor; null when the set is empty or the
// cursor lies outside [0, count).
const TrackSample* next_sample_record(const TrackSampleSet& set, int32_t& cursor);
// The Traj Gen point at i; null outside the track.
const TrajGenPoint* traj_gen_point_at(const TrajGenTrack& track, int32_t i);

// Writes the active samples to base + ".txt" and, with a pose track loaded, one
// pose file per active sample, base + "0.nav", base + "1.nav", ... (the numbers
// count active samples only): each pose of the sample, its heading corrected by
// the sample's heading_offset. The files are a set, written all or none: each goes
// to a temporary file first, and only when all are complete are they renamed into
// place, the sample file last; a failure removes the temporary files and leaves
// every old file as it was. After a save, the pose exports of the same base that
// the save it replaced wrote beyond the new count are removed (those numbered from
// the new count up to the old sample file's count whose poses lie in the window of
// that file's sample of the same number).
struct SaveOutcome {
    bool saved = false;           // every file was written
    std::string failure_caption;  // what could not be written: base for the sample file,
                                  // the export's name for an export ("" when saved)
    std::string failure;          // "<file>: <reason>" ("" when saved)
    int exports = 0;              // pose files written
};
SaveOutcome save_samples(const LabelSession& session, const std::string& base);
