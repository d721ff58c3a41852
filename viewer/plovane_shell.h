// The viewer's shell: its profile (class "PlovaneClass", title "Plovane",
// 960 x 640, menu 10, accelerator table 102 (the File and Setting items' shortcuts,
// Ctrl+D: Open Dataset), zoom 0.045) and its menu commands. A loaded TRAJ file's
// name follows the title.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "shell/main_window.h"
#include "viewer/plovane.h"

namespace shell {

const ShellProfile& plovane_profile();

// The viewer's resources: those of resources/ plus the load progress window.
const plat::ResourceSet& plovane_resources();

// WM_COMMAND of the main window:
//   20 Load Ego, 21 Load Mov (each followed by the after-load rule), 22 Load Org
//   (cancelled or failed: repaint with erase), 23 About, 24 Exit (posts WM_CLOSE),
//   50 Display Setting, 51/52/56 grid, axis and trajectory-id toggles, 53 time
//   series, 54 ego-centred, 55 Traj Color Setting, 57 Real Time, 27 Open Dataset
//   (viewer/dataset_open.h). Anything else, the playback codes 230 to 233
//   included, is ignored.
void PlovaneCommand(Shell& shell, int id);

// The three loads of the File menu. Without a path, the open-file dialog asks for
// one (cancel: 0, nothing changes). A load running longer than half a second shows
// the progress window. Return 1 when the file was loaded.
int load_pose_track_dialog(Shell& shell, const std::optional<std::string>& path = std::nullopt);
int load_origin_track_dialog(Shell& shell, const std::optional<std::string>& path = std::nullopt);
// The TRAJ load also gives the path it loaded from (when loaded_path is given).
int load_traj_file_dialog(Shell& shell, const std::optional<std::string>& path = std::nullopt,
                          std::string* loaded_path = nullptr);

// Commands 20, 22 and 21 in full (load, then what the command does after it), with
// the path given instead of asked when there is one. Used by the menu and by the
// command line.
void LoadEgoCommand(Shell& shell, const std::optional<std::string>& path = std::nullopt);
void LoadOrgCommand(Shell& shell, const std::optional<std::string>& path = std::nullopt);
void LoadMovCommand(Shell& shell, const std::optional<std::string>& path = std::nullopt);

// After a load of command 20 or 21: when it succeeded, the selection is cleared and,
// when both a pose track and trajectories are loaded, the Frame Control dialog is
// replaced.
void AfterLoad(Shell& shell, int loaded);

// WM_PAINT of the viewer: the view follows the selected box (Follow Selected), the
// scene is painted (render/scene_painter.h), its boxes recorded in the history
// once per frame, and the Vehicle panel shows the frame painted.
void paint_plovane(Shell& shell, plat::Dc dc, plat::Size client);

// The file dialogs' options, as the loads ask for them.
plat::FileDialogOptions org_dialog_options();
plat::FileDialogOptions traj_dialog_options();

}  // namespace shell
