// The records shared by the dataset readers and the scene builder: what a
// recording says about each vehicle (for the vehicle list), the samples of the
// vehicles a scene needs, and the options of an import.
//
// Every reader turns its format into the same terms: a y-up metric frame, the
// box centre, the forward unit vector, speed in m/s, and the time of day in ms.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class DatasetFormat {
    Auto,   // guessed from the file's header line or root element
    HighD,  // NN_tracks.csv with upper-left boxes in image orientation
    InD,    // NN_tracks.csv with centres and headings (inD, rounD, exiD)
    Ngsim,  // one CSV of front-centre positions in feet
    Fcd,    // a simulator's floating-car-data XML
};

// "highd", "ind", "ngsim", "fcd" (or "auto").
const char* format_name(DatasetFormat format);
// The format of a name as the command line writes it; false for an unknown name.
bool parse_format_name(const std::string& name, DatasetFormat& format);

// One road user of a recording, as the vehicle list shows it.
struct VehicleInfo {
    int32_t id = 0;      // the TRAJ id: the dataset's id, or the order of first appearance
    std::string name;    // the id as the dataset writes it (what --ego takes)
    std::string vclass;  // the dataset's class ("Car", "pedestrian", ...), "" when none
    int32_t first_frame = 0;
    int32_t last_frame = 0;
    int64_t first_time_ms = 0;
    int64_t last_time_ms = 0;
    int64_t samples = 0;
    double length = 0;  // metres
    double width = 0;   // metres
};

// One instant of a road user, in the scene's terms.
struct TrackSample {
    int32_t frame = 0;
    int64_t time_ms = 0;
    double x = 0, y = 0;    // box centre (the readers convert to it), metres, y up
    double fx = 0, fy = 1;  // forward unit vector
    double mx = 0, my = 0;  // motion (m/s) that gives the heading where the data has none
    double speed = 0;       // m/s
    double length = 0, width = 0;
    // Neighbours from the dataset's own columns (-1: none or not given).
    int32_t preceding = -1, following = -1;
    int32_t left_lead = -1, left_lag = -1, right_lead = -1, right_lag = -1;
    int32_t lane = 0;          // lane number where the data has one (0: none)
    bool lane_change = false;  // the data marks a lane change at this sample
};

// A road user's samples, in ascending frame order.
struct VehicleTrack {
    VehicleInfo info;
    // highD's drivingDirection (1: towards -x, 2: towards +x), 0 when unknown.
    int driving_direction = 0;
    std::vector<TrackSample> samples;
};

// Bytes read so far of the whole input, and its size (0 when unknown).
using ImportProgress = std::function<void(long long done, long long total)>;

struct ImportOptions {
    DatasetFormat format = DatasetFormat::Auto;
    std::vector<std::string> vtypes;  // files with <vType> elements (simulator input)
    // Meta files of a drone recording; "" takes those beside the tracks table.
    std::string tracks_meta, recording_meta;
    int64_t time_offset_ms = 0;  // added to every time
    double radius = -1;          // metres around the ego's centre; < 0: everywhere
    bool has_from = false;
    int64_t from_ms = 0;  // first time kept (after the offset)
    bool has_to = false;
    int64_t to_ms = 0;  // last time kept (after the offset)
    ImportProgress progress;
};

// The vehicles of a recording.
struct DatasetListing {
    DatasetFormat format = DatasetFormat::Auto;
    std::vector<VehicleInfo> vehicles;  // ascending id
    int longest = -1;                   // index of the longest-lived vehicle, -1 when none
    std::vector<std::string> warnings;  // one line each
};

// The roles of the viewer's role colours: TRAJ ids, -1 for none.
struct RoleIds {
    int32_t front = -1, lead = -1, lag = -1, rear = -1;
};

// One ego's scene, ready to be written or loaded.
struct EgoScene {
    VehicleInfo ego;
    std::string nav_text;    // the ego's pose track, .nav layout
    std::string traj_text;   // the other vehicles, TRAJ format
    RoleIds roles;           // from the neighbour columns
    std::string roles_text;  // a trajcolset.ini with those roles and the default colours
    int vehicles = 0;        // trajectories written
    int64_t samples = 0;     // TRAJ samples written
    int64_t first_time_ms = 0, last_time_ms = 0;  // of the ego's poses
    int substituted_sizes = 0;  // road users given a default size (no length or width)
    std::vector<std::string> warnings;
};
