// The load sequences of the viewer's File menu, each taking the path the open-file
// dialog chose (or the command line gave): what is freed, loaded and set up for
// "Load Ego", "Load Org (Optional)" and "Load Mov".
#pragma once

#include <string>
#include <string_view>

#include "data/report.h"
#include "data/scene.h"
#include "data/text_input.h"
#include "platform/platform.h"

namespace shell {

// "Load Ego": frees the scene's pose track, takes the layout from the file name
// (nav_columns_for), loads the track, takes the scene origin for the TRAJ
// store's min_time and, with trajectories loaded, moves the pose cursor to the
// clock's current_time. Returns 1 when loaded; 0 on failure with the track empty and
// the loader's message on the standard error stream, ended with a line end, and in
// *failure when given.
int load_ego(Scene& scene, const std::string& path, std::string* failure = nullptr,
             const LoadProgress& progress = {});
// "Load Org (Optional)": frees the origin points, loads them and takes the scene
// origin for min_time. Returns 1 when loaded, 0 on failure (as load_ego).
int load_org(Scene& scene, const std::string& path, std::string* failure = nullptr,
             const LoadProgress& progress = {});
// "Load Mov": frees the TRAJ store, loads the file (failures reported to report),
// empties the history of earlier boxes (they were the previous store's), rewinds,
// seeks to min_time and takes the scene origin for it. Returns 1 when the
// file was loaded and the scene started, 0 on failure with the store empty.
int load_mov(Scene& scene, const std::string& path, const ErrorSink& report = print_error,
             const LoadProgress& progress = {});

// "Load Ego" and "Load Mov" of texts held in memory (a scene imported from a
// recording): the pose text in the .nav layout, the TRAJ text, read by the same
// readers and followed by the same steps as the files; name stands for the path
// in messages.
int load_ego_text(Scene& scene, std::string_view nav_text, const std::string& name,
                  std::string* failure = nullptr);
int load_mov_text(Scene& scene, std::string_view traj_text, const std::string& name,
                  const ErrorSink& report = print_error);

// The open-file dialog of "Load Ego" in both viewers: "Load Vehile Pose".
plat::FileDialogOptions ego_dialog_options();

}  // namespace shell
