// The load sequences of the viewer's File menu, each taking the path the open-file
// dialog chose (or the command line gave): what is freed, loaded and set up for
// "Load Ego", "Load Org (Optional)" and "Load Mov".
#pragma once

#include <string>

#include "data/text_input.h"
#include "platform/platform.h"

namespace shell {

// "Load Ego": frees the pose track, takes the layout from the file name
// (nav_columns_for), loads the track, takes the scene origin for the TRAJ
// store's min_time and, with trajectories loaded, moves the pose cursor to the
// clock's current_time. Returns 1 when loaded; 0 on failure with the track empty and
// the loader's message on the standard error stream, ended with a line end.
int load_ego(const std::string& path, const LoadProgress& progress = {});
// "Load Org (Optional)": frees the origin points, loads them and takes the scene
// origin for min_time. Returns 1 when loaded, 0 on failure (as load_ego).
int load_org(const std::string& path, const LoadProgress& progress = {});
// "Load Mov": frees the TRAJ store, loads the file (failures reported through
// report_error), rewinds, seeks to min_time and takes the scene origin for it.
// Returns 1 when the file was loaded and the scene started, 0 on failure with the
// store empty.
int load_mov(const std::string& path, const LoadProgress& progress = {});

// The open-file dialog of "Load Ego" in both viewers: "Load Vehile Pose".
plat::FileDialogOptions ego_dialog_options();

}  // namespace shell
