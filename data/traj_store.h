// The trajectory store of the viewer: one TRAJ file in memory, cleaned once at
// load time (speeds recomputed, tracks smoothed), replayed by the scene clock
// (data/scene_clock.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/large_array.h"
#include "data/report.h"
#include "data/text_input.h"

// One sample in memory. The field order differs from the file's column order:
// length and width follow the ego-frame heading, just before speed. The painter
// copies whole records into its history ring.
struct TrajPoint {
    int32_t time_ms = 0;    // time of day, milliseconds (column 1)
    int32_t frame = 0;      // frame number (column 2)
    double x = 0;           // world position, metres (column 3)
    double y = 0;           // (column 4)
    double head_x = 0;      // world heading, unit vector (column 7)
    double head_y = 0;      // (column 8)
    double ego_x = 0;       // position in the ego vehicle's frame, metres (column 9)
    double ego_y = 0;       // (column 10)
    double ego_head_x = 0;  // heading in the ego vehicle's frame, unit vector (column 11)
    double ego_head_y = 0;  // (column 12)
    double length = 0;      // box extent along the heading, metres (column 5)
    double width = 0;       // box extent across the heading, metres (column 6)
    double speed = 0;       // metres per second (column 13)
};

// Index of one trajectory in the sample array.
struct TrajEntry {
    int32_t id = 0;         // id from the "tno" line
    int32_t min_frame = 0;  // smallest frame of its samples, 0 when it has none
    int32_t max_frame = 0;  // largest frame of its samples, 0 when it has none
    int32_t first = 0;      // index of its first sample in the sample array
    int32_t count = 0;      // number of its samples
    int32_t cursor = 0;     // scene clock position inside the trajectory, -1 once ended
};

// Bookkeeping of the scene clock that lets a step visit only the trajectories
// that have started, instead of every trajectory after first_active. Owned by
// data/scene_clock.cpp; cleared with the store.
struct SceneClockIndex {
    bool valid = false;                // false: rebuilt from the cursors on next use
    int32_t built_frame = 0;           // current_frame it was last brought up to date for
    int32_t built_first_active = 0;    // first_active at that moment
    std::vector<int32_t> start_order;  // trajectories with samples, by (first frame, index)
    size_t next_start = 0;             // start_order[next_start..] have not started yet
    std::vector<int32_t> live;         // started, cursor not -1, index >= first_active; ascending
    std::vector<int32_t> near;         // live or starting trajectories whose cursor sample lies
                                       // within 1 frame of current_frame; ascending
    // Scratch of a step, kept so that a step does not allocate.
    std::vector<int32_t> starting;  // trajectories starting within 1 frame, by index
    std::vector<int32_t> incoming;  // trajectories the step starts
    std::vector<int32_t> walk;      // trajectories the step walks, ascending
};

// A TRAJ store (one per scene, data/scene.h). Entry i's samples are samples[first .. first+count),
// sorted by frame ascending; entry i's first is the sum of the counts before it.
struct TrajStore {
    std::vector<TrajEntry> entries;  // one per trajectory, in file order
    int32_t entry_count = 0;         // number of trajectories (entries.size())
    LargeArray<TrajPoint> samples;   // all samples; the first sum-of-counts are used
    // The samples as read and sorted, before recompute_speeds and smooth_trajectory,
    // at the same indices; empty when there was no room for the copy.
    LargeArray<TrajPoint> raw_samples;
    int32_t sample_capacity = 0;  // data lines counted by the first pass (samples.size())
    int32_t min_frame = 0;        // smallest min_frame over the entries
    int32_t max_frame = 0;        // largest max_frame over the entries
    int32_t min_time = 0;         // smallest nonzero time_ms of the data lines, 0 if none
    int32_t max_time = 0;         // largest nonzero time_ms of the data lines, 0 if none
    // Scene clock state (data/scene_clock.h).
    int32_t first_active = 0;   // first trajectory not ended; -1 once the scene has ended
    int32_t start_time = 0;     // time_ms of the scene's first frame, ms
    int32_t current_time = 0;   // time_ms of the sample best matching current_frame, ms
    int32_t current_frame = 0;  // frame the scene stands at
    SceneClockIndex clock_index;
};

// Outcome of reading TRAJ text.
enum class TrajReadStatus {
    Ok,
    Invalid,       // an empty text, no "tno" line or no data line, or a faulty line
                   // (fault says which)
    OutOfMemory,   // the arrays or a working copy could not be allocated
    TooManyLines,  // more headers or data lines than a 32-bit count holds
};

// Reads TRAJ text into store, which is freed first: two passes over text (count,
// allocate exactly, parse), per-trajectory sort by frame, a copy of the samples as
// read (raw_samples), then recompute_speeds
// and smooth_trajectory. Data lines before the first "tno" line belong to no
// trajectory: they are counted in sample_capacity but not stored, and their times
// stay out of [min_time, max_time]. A data line with fewer than 13 fields is
// dropped, but its nonzero time widens the time range. Unless Ok, the store is
// left empty. meter (may be null) gets the parse position added to its total's
// first half (see LoadProgress). A line longer than kMaxLineLength, or a time, frame
// or trajectory id outside the 32-bit range makes the text Invalid. Unless Ok or
// OutOfMemory, fault (when given) is set to the line and what is wrong (line 0 for
// the whole text: "empty file", "no tno line", "no data line", "too many lines").
// threads: how many threads count and parse blocks of the text's lines and clean
// runs of its trajectories; 0 takes one per core for a text of a few megabytes and
// more, one for a smaller one. The store, the outcome and the fault are the same
// for any count.
TrajReadStatus read_traj_text(std::string_view text, TrajStore& store,
                              ProgressMeter* meter = nullptr, TextFault* fault = nullptr,
                              int threads = 0);

// Message of a failed load, as the user sees it.
inline constexpr std::string_view kTrajOpenFailure = "Open TRAJ file failure.";
inline constexpr std::string_view kTrajInvalid = "Invalid TRAJ file.";
inline constexpr std::string_view kTrajOutOfMemory = "Out of memory reading TRAJ file.";

// Reads the TRAJ file at path into store, freeing what it held first. Returns 1
// on success. On failure returns 0 with the store empty, after reporting
// kTrajOpenFailure (the file cannot be opened or read), kTrajInvalid or
// kTrajOutOfMemory to report (data/report.h); kTrajInvalid has a second line naming
// the file, the line and the fault ("Invalid TRAJ file.\nrun.traj: line 7: frame out
// of range", "Invalid TRAJ file.\nrun.traj: no tno line"). progress may be empty.
// threads as for read_traj_text. The file's text is no longer held once the copy
// of the samples as read is made (its memory becomes that copy), so the two are
// never held at once.
int load_traj_file(TrajStore& store, const std::string& path, const ErrorSink& report,
                   const LoadProgress& progress = {}, int threads = 0);

// Loads TRAJ text held in memory into store as load_traj_file loads a file: the
// same store and the same reports, with name standing for the path.
int load_traj_text(TrajStore& store, std::string_view text, const std::string& name,
                   const ErrorSink& report);

// 1 when the store holds at least one trajectory, else 0.
int traj_store_loaded(const TrajStore& store);

// Releases both arrays of the store and resets it to empty: no entries, no
// samples, clock and ranges zero.
void clear_traj_store(TrajStore& store);

// Order by frame: 1 when a's frame is larger, -1 when smaller, 0 when equal.
int compare_by_frame(const TrajPoint& a, const TrajPoint& b);

// Recomputes the speeds of one trajectory's samples (time-ordered neighbours
// within 1000 ms, at most 5 on each side): sample j of 1..count-2 gets the
// distance over the time of its neighbour window, or, with no neighbour on
// either side, the speed of sample j-1; then sample 0 takes sample 1's speed.
// The last sample, and the only sample of a one-sample trajectory, keep theirs.
void recompute_speeds(TrajPoint* samples, int32_t count);

// Smooths one trajectory of at least 3 samples in place (shorter ones are left
// alone): sizes averaged over the middle 60 %, positions and speeds averaged over
// a symmetric window of neighbours, headings from the smoothed positions, and
// the ego-frame columns re-expressed so that the ego pose implied by each
// sample is kept. work must have room for count samples.
void smooth_trajectory(TrajPoint* samples, int32_t count, TrajPoint* work);
