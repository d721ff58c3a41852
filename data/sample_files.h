// The labelling tool's own files, as pure readers and writers (text in, records
// out; records in, lines out):
//
// Sample file: one sample a line, fields split at runs of " ,\t\n":
//   [sample_id] start_ms end_ms label origin_x origin_y frame_heading heading_offset
// The identifier column is there when the first field of the first data line is
// below 10000 (a millisecond time is not). A data line begins with a decimal
// digit; other lines are skipped; missing fields read as 0; a label keeps its low
// 8 bits. Written back tab-separated, "%d\t%d\t%d\t%d\t%.3f\t%.3f\t%.3f\t%.3f\n",
// with the identifier column.
//
// Traj Gen file: points of a generated trajectory in a sample's frame, one a line:
//   time_ms x y
// A data line has at least 3 characters counting its line end and begins with a
// decimal digit.
//
// Per-sample pose export: a pose file in the .nav layout,
//   "%d\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\n" of time_ms, aux1, aux2,
// heading + the sample's heading_offset, x, y, aux3.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/pose_track.h"

// One sample: a time window of the ego track with its class label and frame.
struct TrackSample {
    int32_t start_ms = 0;       // start, milliseconds (the pose track's time base)
    int32_t end_ms = 0;         // end, milliseconds
    int32_t first_pose = 0;     // index of the pose nearest start_ms (derived)
    int32_t last_pose = 0;      // index of the last pose not later than end_ms (derived)
    int32_t sample_id = 0;      // identifier shown to the user and written to the file
    int32_t pose_count = 0;     // last_pose - first_pose + 1 (derived)
    uint8_t label = 0;          // class value, 0 .. 255; selects the drawing colour
    double origin_x = 0;        // origin of the sample's frame, the pose track's units
    double origin_y = 0;        //
    double frame_heading = 0;   // heading of the sample's frame, radians
    double heading_offset = 0;  // manual heading correction, radians, added to exported headings
    int32_t active = 0;         // 1 a live sample; 0 deleted, and the whole-track record
};

// One point of a generated trajectory, in a sample's frame.
struct TrajGenPoint {
    double x = 0;         // the pose track's units
    double y = 0;         //
    int32_t time_ms = 0;  // milliseconds
};

// Order of two samples by start: -1 when a starts earlier, 1 later, 0 at the same time.
int compare_by_start(const TrackSample& a, const TrackSample& b);

enum class SampleReadStatus {
    Ok,
    NoData,        // no data line
    OutOfMemory,   // the records could not be allocated
    Invalid,       // a line longer than kMaxLineLength, or an identifier, time or label
                   // outside the 32-bit range (fault says which)
    TooManyLines,  // more data lines than the 32-bit count of records holds
};

// A sample whose end a read cut back because the next sample starts before it ends.
struct ShortenedSample {
    int32_t sample_id = 0;
    int32_t old_end_ms = 0;  // as the file has it
    int32_t new_end_ms = 0;  // as read: the next start - 100
};

// Reads sample text into records (replacing them): record 0, all zero, then one
// record per data line, active, sorted by start_ms, each ending at least 100 ms
// before the next starts (an end at or after the next start is cut back to that
// start - 100; each sample so cut is listed in *shortened when given, in start
// order). Unless Ok, records is empty and fault (when given) tells what is wrong:
// the line and "start time out of range" (also "sample id", "end time", "label"),
// or line 0 and "no sample line" or "too many lines".
SampleReadStatus read_sample_text(std::string_view text, std::vector<TrackSample>& records,
                                  TextFault* fault = nullptr,
                                  std::vector<ShortenedSample>* shortened = nullptr);

// Reads Traj Gen text into points (replacing them); lines is set to the number of
// data lines. NoData (points empty) when there is none; Invalid and TooManyLines
// (points empty, fault set when given) as read_pose_text has them, the time being
// the integer field.
PoseReadStatus read_traj_gen_text(std::string_view text, std::vector<TrajGenPoint>& points,
                                  uint64_t& lines, TextFault* fault = nullptr);

// The sample file's line of a sample.
std::string sample_file_line(const TrackSample& sample);
// The pose export's line of a pose of a sample whose heading correction is heading_offset.
std::string pose_export_line(const PoseRecord& pose, double heading_offset);
