// The labelling tool's command line:
//
//   vantrel [--ego FILE] [--samples FILE] [--trajgen FILE] [--script FILE]
//
// The files load in the order ego, samples, Traj Gen, exactly as the File menu's
// commands 20, 21 and 22 load them. Without --script the window opens with them
// loaded. With --script the tool runs on the headless back end (shell/script.h)
// and takes the script's lines:
//   command N [PATH]   WM_COMMAND N; PATH answers its file dialog (20, 21, 22 open;
//                      23 the save's base name)
//   key NAME           PageUp, PageDown, Left, Right, Shift+Left, Shift+Right,
//                      Delete, A, R, Ctrl+D, Ctrl+S, Ctrl+E, Ctrl+Y, 0 .. 9,
//                      Insert, N, Ctrl+Z, Ctrl+Shift+Z
//   settings ID MARGIN command 64 with the Settings dialog answered and Ok
//   play N             N playback ticks of the overview, without sleeping
//   dump               the labelling state and every record (vantrel_dump)
//   snapshot PNG       the picture of the client area
// It never asks about unsaved edits nor restores a journal. Message boxes go to
// standard error. A script that ends with unsaved edits leaves their journal.
//
// Exit status: 0 success; 1 a load given on the command line failed (the script
// does not run); 2 a usage error or a script line it does not know.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "labelling/vantrel.h"

namespace labelling {

struct VantrelOptions {
    std::optional<std::string> ego_path;      // --ego: pose file, as "Load Ego"
    std::optional<std::string> samples_path;  // --samples: sample file, as "Load Samples"
    std::optional<std::string> trajgen_path;  // --trajgen: Traj Gen file, as "Load Traj Gen"
    std::optional<std::string> script_path;   // --script: run headless with this script
    bool help = false;                        // --help / -h
    bool version = false;                     // --version
};

extern const char* const kVantrelUsage;

// Parses argv[1..argc); false with error set to a one-line reason.
bool parse_vantrel_options(int argc, char** argv, VantrelOptions& options, std::string& error);

// `dump`: line 1 `# count=%d current_sample=%d labelling=%d edit_mode=%d
// margin_s=%.6f margin_poses=%d pose_period_s=%.6f play_step=%d play_elapsed_ms=%d
// undo_sample=%d label=%d undo=%d redo=%d journal=%d` (the current sample's label,
// -1 none; the undo and redo steps; 1 while the journal holds unsaved edits), line 2 the column
// names, then one row per record 0 .. count-1:
// index,sample_id,start_ms,end_ms,first_pose,last_pose,pose_count,label,origin_x,
// origin_y,frame_heading,heading_offset,active (reals with six decimals).
void vantrel_dump(const LabelSession& session, std::FILE* out);

// The script mode on a fresh record; returns the exit status.
int run_vantrel_script(Vantrel& app, const VantrelOptions& options, std::FILE* out);

// The whole program: it owns the one Vantrel record.
int vantrel_main(int argc, char** argv);

}  // namespace labelling
