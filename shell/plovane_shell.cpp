#include "shell/plovane_shell.h"

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"
#include "shell/display_menu.h"
#include "shell/frame_control.h"
#include "shell/load_progress.h"
#include "shell/plovane_playback.h"
#include "shell/scene_loads.h"
#include "shell/traj_color_dialog.h"

namespace shell {

namespace {

// The renderer's start-up, then the check marks of the Display menu.
void plovane_startup(plat::Hwnd main_window) {
    reset_plovane_playback();
    render::renderer_startup();
    set_display_marks(plovane_display_profile(), main_window);
}

void plovane_shutdown() {
    render::renderer_shutdown();
    free_pose_track();
    free_traj_store();
}

ShellProfile make_profile() {
    ShellProfile p;
    p.className = "PlovaneClass";
    p.title = "Plovane";
    p.width = 960;
    p.height = 640;
    p.menuId = resources::IDR_MAIN_MENU;
    p.iconId = resources::IDI_APP;
    p.accelTableId = 0;
    p.initialScale = render::kPlovaneInitialScale;
    p.resources = &plovane_resources();
    p.startup = &plovane_startup;
    p.shutdown = &plovane_shutdown;
    p.paint = &render::paint_scene;
    p.command = &PlovaneCommand;
    p.key = &PlovaneKey;
    p.playback = &plovane_playback_profile();
    return p;
}

// A user of the window does not see the standard error stream: a failed pose or
// origin load shows its message as TRAJ load failures do.
int show_pose_failure(int loaded) {
    if (!loaded) plat::message_box(app_state().mainWindow, last_pose_load_failure(), "Error");
    return loaded;
}

std::optional<std::string> ask_path(const plat::FileDialogOptions& options,
                                    const std::optional<std::string>& given) {
    if (given) return given;
    return plat::open_file_dialog(app_state().mainWindow, options);
}

}  // namespace

const plat::ResourceSet& plovane_resources() {
    static const plat::ResourceSet set = [] {
        plat::ResourceSet s = resources::plovane();
        s.dialogs.push_back(load_progress_template());
        return s;
    }();
    return set;
}

const ShellProfile& plovane_profile() {
    static const ShellProfile profile = make_profile();
    return profile;
}

plat::FileDialogOptions org_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Load Origin Point File";
    o.filters = {{"Origin Point File(*.txt)", "*.txt"}};
    o.must_exist = true;
    return o;
}

plat::FileDialogOptions traj_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Load TRAJ File";
    o.filters = {{"TRAJ data file(*.traj)", "*.traj*"}, {"All files(*.*)", "*.*"}};
    o.must_exist = true;
    return o;
}

int load_pose_track_dialog(const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(ego_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    {
        LoadProgressWindow progress(app_state().mainWindow, *chosen);
        loaded = load_ego(*chosen, progress.callback());
    }
    return show_pose_failure(loaded);
}

int load_origin_track_dialog(const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(org_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    {
        LoadProgressWindow progress(app_state().mainWindow, *chosen);
        loaded = load_org(*chosen, progress.callback());
    }
    return show_pose_failure(loaded);
}

int load_traj_file_dialog(const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(traj_dialog_options(), path);
    if (!chosen) return 0;
    LoadProgressWindow progress(app_state().mainWindow, *chosen);
    return load_mov(*chosen, progress.callback());
}

void AfterLoad(int loaded) {
    if (!loaded) return;
    // A file dialog closing uncovers the window, which the toolkit repaints from its
    // own copy; ask for the new scene instead.
    plat::invalidate(app_state().mainWindow, false);
    if (pose_track_loaded() && traj_store_loaded()) {
        DestroyFrameControl();
        CreateFrameControl();
    }
}

void LoadEgoCommand(const std::optional<std::string>& path) {
    AfterLoad(load_pose_track_dialog(path));
}

void LoadMovCommand(const std::optional<std::string>& path) {
    AfterLoad(load_traj_file_dialog(path));
}

void LoadOrgCommand(const std::optional<std::string>& path) {
    if (!load_origin_track_dialog(path)) plat::invalidate(app_state().mainWindow, true);
}

void PlovaneCommand(plat::Hwnd hwnd, int id) {
    switch (id) {
        case resources::IDM_LOAD_EGO:
            LoadEgoCommand();
            break;
        case resources::IDM_LOAD_MOV:
            LoadMovCommand();
            break;
        case resources::IDM_LOAD_ORG:
            LoadOrgCommand();
            break;
        case resources::IDM_ABOUT:
            RunAboutDialog();
            break;
        case resources::IDM_EXIT:
            plat::post_message(hwnd, plat::WM_CLOSE);
            break;
        case resources::IDM_DISPLAY_SETTING:
            RunDisplaySettingDialog(hwnd);
            break;
        case resources::IDM_GRID_LINE:
            ToggleDisplayFlag(hwnd, render::SHOW_GRID, resources::IDM_GRID_LINE);
            break;
        case resources::IDM_AXIS:
            ToggleDisplayFlag(hwnd, render::SHOW_AXIS, resources::IDM_AXIS);
            break;
        case resources::IDM_TRAJ_ID:
            ToggleDisplayFlag(hwnd, render::SHOW_TRAJ_ID, resources::IDM_TRAJ_ID);
            break;
        case resources::IDM_TIME_SERIALS:
            toggle_time_series(hwnd);
            break;
        case resources::IDM_EGO_CENTERED:
            toggle_ego_centered(hwnd);
            break;
        case resources::IDM_SET_TRAJ_COL:
            run_traj_color_dialog(hwnd);
            break;
        case resources::IDM_REAL_TIME:
            toggle_real_time(hwnd);
            break;
        default:
            // Playback codes 230..233 land here when no playback loop takes them.
            break;
    }
}

}  // namespace shell
