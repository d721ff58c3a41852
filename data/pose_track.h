// Ego pose tracks and origin points of the viewer, and their time lookups: the
// pose cursor that follows the scene clock, and the scene origin that fixes the
// frame of the top-down view.
//
// Pose file: text lines; a data line has at least 3 characters counting its
// line end and starts with '0'..'9'; tokens split at runs of " ,\t\n".
//   .nav layout: time_ms aux1 aux2 heading x y aux3
//   .pos layout: seq_no time_ms aux1 aux2 heading x y aux3
// Origin point file, same line rule: ignored time_ms ignored ignored x y heading.
// Tokens after the last column are ignored. Headings in radians, positions in
// metres, times in milliseconds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/geometry.h"
#include "data/text_input.h"

struct Scene;

// One pose; an origin point leaves aux1, aux2 and aux3 at 0.
struct PoseRecord {
    int32_t time_ms = 0;  // time of day, milliseconds
    double aux1 = 0;      // carried, not interpreted
    double aux2 = 0;      // carried, not interpreted
    double heading = 0;   // radians
    double x = 0;         // metres
    double y = 0;         // metres
    double aux3 = 0;      // carried, not interpreted
    int32_t seq_no =
        0;  // first column of the .pos layout (0 for .nav); the labelling tool keeps it
};

// An ego pose track.
struct PoseTrack {
    std::vector<PoseRecord> poses;  // allocated for every data line; the first count are used
    int32_t count = 0;              // poses stored, in file order
    int32_t pose_cursor = 0;        // index of the ego pose at the scene clock's time
    int32_t scene_start_index = 0;  // index of the pose last taken as scene origin
};

// Origin points.
struct OriginTrack {
    std::vector<PoseRecord> points;  // allocated for every data line; the first count are used
    int32_t count = 0;               // points stored, in file order
};

// Frame of the top-down view: a world point p is shown at R(-heading)(p - (x, y)).
struct SceneOrigin {
    double x = 0;        // metres
    double y = 0;        // metres
    double heading = 0;  // radians
};

// The layout a file name asks for: 1 (.nav columns) when its extension, trailing
// digits cut off, begins with "nav" in any letter case (track.NAV3), else 0 (.pos
// columns: track.pos, track.txt, track).
int nav_columns_for(const std::string& path);

// 1 when the track holds at least one record.
int pose_track_loaded(const PoseTrack& track);
int origin_track_loaded(const OriginTrack& track);
// Release the array; count (and pose_cursor, scene_start_index) become 0. The
// scene origin keeps its value.
void free_pose_track(PoseTrack& track);
void free_origin_track(OriginTrack& track);

// Outcome of reading pose or origin text.
enum class PoseReadStatus {
    Ok,            // possibly with no record stored: reading stops at the first short line
    NoData,        // no data line
    OutOfMemory,   // the record array could not be allocated
    Invalid,       // a line longer than kMaxLineLength, or an integer field outside the
                   // 32-bit range (fault says which)
    TooManyLines,  // more data lines than a 32-bit count holds
};

// Reads pose text in the .nav layout (nav true) or the .pos layout into out
// (replacing its contents). Counts the data lines, allocates that many records,
// then stores records in file order until the first data line that lacks a
// column (a .pos line without a time token included): the records before it stay.
// A time or sequence number outside the 32-bit range on a line read makes the text
// Invalid, and so does any line longer than kMaxLineLength; fault (when given) is
// then set to the line and what is wrong ("time out of range", "sequence number out
// of range"; "too many lines" at line 0 with TooManyLines). Unless Ok, out is empty.
// lines is set to the data-line count. meter may be null.
PoseReadStatus read_pose_text(std::string_view text, bool nav, std::vector<PoseRecord>& out,
                              int32_t& count, uint64_t& lines, ProgressMeter* meter = nullptr,
                              TextFault* fault = nullptr);
// The same for origin point text, whose time is its second column; a data line with
// fewer than 7 columns stops reading.
PoseReadStatus read_origin_text(std::string_view text, std::vector<PoseRecord>& out, int32_t& count,
                                uint64_t& lines, ProgressMeter* meter = nullptr,
                                TextFault* fault = nullptr);

// Loads the pose file at path into track, in the .nav layout (nav nonzero) or the
// .pos layout. Returns 1 when loaded (even if a short line stopped reading early),
// 0 on failure with the track empty and one of these written to the standard error
// stream, without line end, and to *failure when given: "Open data failure :
// <path>" (the file cannot be opened or read, or no memory for its text), "Invalid
// data : <path>" (no data line, or none that holds a pose), "Memory failure : <n>
// records". A faulty line (Invalid) or too many lines adds a second line to "Invalid
// data : <path>" naming the file, the line and the fault ("Invalid data :
// run.nav\nrun.nav: line 7: time out of range").
//
// keep_on_open_failure (the labelling tool's load): a file that cannot be opened or
// read leaves the previous track as it was; once the file is read, the track is
// replaced, by an empty one when the file holds no pose.
int load_pose_track(PoseTrack& track, const std::string& path, int nav,
                    std::string* failure = nullptr, const LoadProgress& progress = {},
                    bool keep_on_open_failure = false);
// Loads pose text held in memory, in the .nav layout, into track as load_pose_track
// loads a file: the same records and the same messages, with name standing for the
// path ("Invalid data : <name>").
int load_pose_text(PoseTrack& track, std::string_view text, const std::string& name,
                   std::string* failure = nullptr);
// The same for origin points, into track.
int load_origin_track(OriginTrack& track, const std::string& path, std::string* failure = nullptr,
                      const LoadProgress& progress = {});

// pose_cursor = 0 when a pose track is loaded.
void reset_pose_cursor(PoseTrack& track);

// Moves pose_cursor forward toward the pose nearest to time_ms (equal distances
// keep the earlier pose); never moves it back. Returns 1 when it stands on the
// nearest pose, 0 when no track is loaded or it ran to the last pose.
int advance_pose_cursor(PoseTrack& track, int32_t time_ms);

// Takes the scene origin for time_ms (nothing when time_ms is 0): with origin
// points loaded, the nearest of them in time (ties: the first); otherwise, with
// at least two poses, the pose nearest in time, unless time_ms lies after the
// last pose or 100 ms or more before the first; a pose taken also becomes the
// scene start pose (scene_start_index).
void find_scene_origin(Scene& scene, int32_t time_ms);

// x, y, heading of the pose at pose_cursor; zeros when no track is loaded.
void get_cursor_pose(const PoseTrack& track, Vec2& position, double& heading);
// time_ms of pose index; 0 when index lies outside the track.
int32_t pose_time(const PoseTrack& track, int32_t index);
