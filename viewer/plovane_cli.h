// Command line of the viewer: options, and the headless modes that load the
// files as the File menu would and print the cleaned store or the clock's
// replay.
//
//   plovane [--ego FILE] [--org FILE] [--traj FILE] [RECORDING [--ego-id ID]]
//           [--frame-step N] [--too-short N] [--lane-half-width M] (--summary |
//           --dump-store | --trace-clock | --metrics OUT.csv | --snapshot OUT.png |
//           --export-frames DIR | --script FILE) [picture options]
//
// Exit status: 0 success, 1 a load failed (its message on standard error) or
// the output could not be written, 2 usage error (usage text on standard error).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "data/scene.h"
#include "viewer/plovane.h"
#include "viewer/snapshot.h"

enum class PlovaneMode {
    None,        // no mode option given (the window, once there is one)
    Summary,     // --summary: line 1 of --dump-store
    DumpStore,   // --dump-store: the cleaned store, one row per sample
    TraceClock,  // --trace-clock: the clock's state after the loads and after each step
    Metrics,     // --metrics: the measurements at the same steps, as CSV (analysis/measure.h)
    Pictures,    // --snapshot / --export-frames: PNG pictures (shell/snapshot.h)
    Script,      // --script: the viewer driven by a script (shell/plovane_script.h)
};

struct PlovaneOptions {
    std::optional<std::string> ego_path;      // --ego: pose file, loaded as "Load Ego"
    std::optional<std::string> org_path;      // --org: origin points, as "Load Org (Optional)"
    std::optional<std::string> traj_path;     // --traj: TRAJ file, as "Load Mov"
    std::optional<std::string> script_path;   // --script: the script of the script mode
    std::optional<std::string> metrics_path;  // --metrics: the CSV file to write
    std::optional<std::string>
        dataset_path;                   // a recording (.csv, .xml): its scene, as Open Dataset
    std::optional<std::string> ego_id;  // --ego-id: the recording's ego vehicle
    double lane_half_width = 1.75;      // --lane-half-width: metres, the lead's lane (above 0)
    int frame_step = 1;                 // --frame-step: frames per step, at least 1
    int too_short = 20;                 // --too-short: minimum samples of a visible trajectory
    PlovaneMode mode = PlovaneMode::None;
    shell::SnapshotOptions pictures;  // --snapshot, --export-frames and their options
    bool help = false;                // --help / -h: print the usage and exit 0
    bool version = false;             // --version: print the version and exit 0
};

extern const char* const kPlovaneUsage;

// Parses argv[1..argc). Returns true, or false with error set to a one-line
// reason (an unknown option, a missing or malformed value, an option given
// twice, two modes).
bool parse_plovane_options(int argc, char** argv, PlovaneOptions& options, std::string& error);

// Applies the clock options to the scene and loads the files in the order ego,
// org, traj as the File menu would; a recording's scene first, for the vehicle
// --ego-id names or, without it, the longest-lived one (said on standard error).
// Returns 0, or 1 when a load failed (its message on standard error). Load
// progress is shown on standard error when it is a terminal and a load takes
// longer than a second.
int load_plovane_files(shell::Plovane& viewer, const PlovaneOptions& options);

// The ego of the recording options name: --ego-id, or the longest-lived vehicle,
// which a line on standard error names. False (its reason on standard error) when
// the recording cannot be listed.
bool choose_dataset_ego(const PlovaneOptions& options, std::string& ego);

// Loads the files into the viewer's fresh record and prints the mode's output to
// out. Returns the exit status (0 or 1).
int run_plovane_headless(shell::Plovane& viewer, const PlovaneOptions& options, std::FILE* out);

// Prints the three formats. Exposed for tests. The trace steps the clock to the end.
void print_store_summary(const Scene& scene, std::FILE* out);
void print_store_dump(const Scene& scene, std::FILE* out);
void print_clock_trace(Scene& scene, std::FILE* out);
// Writes the measurements at the steps --trace-clock prints (from where the clock
// stands, then after each step) to path through the atomic writer: the header
// "frame,time_ms,ego_speed,lead_id,gap_m,thw_s,ttc_s", one row per step. Returns 0,
// or 1 with the reason on standard error (the file is then left as it was).
int write_metrics(Scene& scene, double lane_half_width, const std::string& path);

// The whole command line: parse, then --help, a usage error or the headless mode,
// each with a fresh record of the viewer.
int plovane_cli_main(int argc, char** argv);
