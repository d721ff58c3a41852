// Command line of the viewer: options, and the headless modes that load the
// files as the File menu would and print the cleaned store or the clock's
// replay.
//
//   plovane [--ego FILE] [--org FILE] [--traj FILE] [--frame-step N]
//           [--too-short N] (--summary | --dump-store | --trace-clock |
//           --snapshot OUT.png | --export-frames DIR | --script FILE)
//           [picture options]
//
// Exit status: 0 success, 1 a load failed (its message on standard error) or
// the output could not be written, 2 usage error (usage text on standard error).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "shell/snapshot.h"

enum class PlovaneMode {
    None,        // no mode option given (the window, once there is one)
    Summary,     // --summary: line 1 of --dump-store
    DumpStore,   // --dump-store: the cleaned store, one row per sample
    TraceClock,  // --trace-clock: the clock's state after the loads and after each step
    Pictures,    // --snapshot / --export-frames: PNG pictures (shell/snapshot.h)
    Script,      // --script: the viewer driven by a script (shell/plovane_script.h)
};

struct PlovaneOptions {
    std::optional<std::string> ego_path;     // --ego: pose file, loaded as "Load Ego"
    std::optional<std::string> org_path;     // --org: origin points, as "Load Org (Optional)"
    std::optional<std::string> traj_path;    // --traj: TRAJ file, as "Load Mov"
    std::optional<std::string> script_path;  // --script: the script of the script mode
    int frame_step = 1;                      // --frame-step: frames per step, at least 1
    int too_short = 20;                      // --too-short: minimum samples of a visible trajectory
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

// Resets the program's stores and settings, applies the options, loads the
// files in the order ego, org, traj, and prints the mode's output to out.
// Returns the exit status (0 or 1). Load progress is shown on standard error
// when it is a terminal and a load takes longer than a second.
int run_plovane_headless(const PlovaneOptions& options, std::FILE* out);

// Prints the three formats. Exposed for tests.
void print_store_summary(std::FILE* out);
void print_store_dump(std::FILE* out);
void print_clock_trace(std::FILE* out);

// The whole command line: parse, then --help, a usage error or the headless mode.
int plovane_cli_main(int argc, char** argv);
