// The labelling tool's records: what it holds of its files (the ego pose track, the
// sample set, the Traj Gen track and, per pose, its position in the frame of the
// sample last refreshed over it) and its labelling state, gathered in one
// LabelSession. The program owns one (its app record, labelling/vantrel.h); the
// loads and the save (samples.h), the operations (labelling.h) and the painter
// (sample_painter.h) take it, or the one store they need, by reference.
//
// Record 0 of the sample set is the whole-track record: never read from a file,
// filled from the Traj Gen track, never active, so never saved, selected or
// counted as a sample. Records 1 .. count - 1 are the samples.
#pragma once

#include <cstdint>
#include <deque>
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

// What the labelling operations work with besides the files.
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

    // What the status line and the Insert key use.
    double default_length_s = 5.0;  // length of a sample that Insert adds, seconds
    int32_t shortened_on_load = 0;  // samples the last sample load cut back to end before
                                    // the next one starts
    std::string last_action;        // what the last key or command did ("start +100 ms")
};

// The state of the samples an edit can change, as undo and redo restore it.
struct EditSnapshot {
    std::vector<TrackSample> records;
    int32_t current_sample = 1;
    int32_t undo_sample = -1;  // the automatic adjustment's revert, as LabelState holds it
    int32_t undo_start_ms = 0;
    int32_t undo_end_ms = 0;
    std::string action;  // the edit that left this state behind
};

// Undo and redo over the edits since the last sample load (at most kMaxUndo each).
struct EditHistory {
    static constexpr size_t kMaxUndo = 200;
    std::deque<EditSnapshot> undo;  // oldest first
    std::deque<EditSnapshot> redo;  // the most recently undone last
};

// The journal of unsaved edits beside the sample file ("." + name + ".journal"):
// what it already holds, so that each edit appends only the records it changed.
struct JournalState {
    std::string path;                  // "" while no sample file is loaded
    bool started = false;              // the file was begun since the last load or save
    std::vector<TrackSample> written;  // the records as the journal leaves them
    bool failed = false;               // the last append could not be written
};

struct LabelSession {
    PoseTrack pose;                // the ego pose track, read with the .pos sequence numbers
    TrackSampleSet samples;        // record 0, then the samples
    TrajGenTrack traj_gen;         // the generated track record 0 stands for
    std::vector<LocalPose> local;  // one per pose of the track (sized by a pose load)
    LabelState state;
    std::string sample_path;               // the sample file loaded or last saved ("" none)
    std::vector<std::string> label_names;  // by label value; "" where none is named
    EditHistory history;
    JournalState journal;
};
