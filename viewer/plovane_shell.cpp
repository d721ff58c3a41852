#include "viewer/plovane_shell.h"

#include <filesystem>

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
#include "shell/scene_loads.h"
#include "viewer/dataset_open.h"
#include "viewer/plots_window.h"
#include "viewer/plovane_playback.h"
#include "viewer/selection.h"
#include "viewer/traj_color_dialog.h"
#include "viewer/video_export.h"

namespace shell {

namespace {

// The renderer's start-up, then the check marks of the Display menu.
void plovane_startup(Shell& shell) {
    plovane_of(shell).pacing = Pacing{};
    render::renderer_startup(shell.view);
    set_display_marks(shell, plovane_display_profile());
}

void plovane_shutdown(Shell& shell) {
    close_vehicle_panel(plovane_of(shell));
    render::renderer_shutdown(shell.view);
    free_pose_track(shell.scene.pose);
    clear_traj_store(shell.scene.store);
}

ShellProfile make_profile() {
    ShellProfile p;
    p.className = "PlovaneClass";
    p.title = "Plovane";
    p.width = 960;
    p.height = 640;
    p.menuId = resources::IDR_MAIN_MENU;
    p.iconId = resources::IDI_APP;
    p.accelTableId = resources::IDR_PLOVANE_ACCELERATORS;
    p.initialScale = render::kPlovaneInitialScale;
    p.resources = &plovane_resources();
    p.startup = &plovane_startup;
    p.shutdown = &plovane_shutdown;
    p.paint = &paint_plovane;
    p.command = &PlovaneCommand;
    p.key = &PlovaneKey;
    p.click = &PlovaneClick;
    p.playback = &plovane_playback_profile();
    return p;
}

// A user of the window does not see the standard error stream: a failed pose or
// origin load shows its message as TRAJ load failures do.
int show_pose_failure(Shell& shell, int loaded, const std::string& failure) {
    if (!loaded) plat::message_box(shell.app.mainWindow, failure, "Error");
    return loaded;
}

std::optional<std::string> ask_path(Shell& shell, const plat::FileDialogOptions& options,
                                    const std::optional<std::string>& given) {
    if (given) return given;
    return plat::open_file_dialog(shell.app.mainWindow, options);
}

}  // namespace

const plat::ResourceSet& plovane_resources() {
    static const plat::ResourceSet set = [] {
        plat::ResourceSet s = resources::plovane();
        s.dialogs.push_back(load_progress_template());
        s.dialogs.push_back(video_progress_template());
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

int load_pose_track_dialog(Shell& shell, const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(shell, ego_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    std::string failure;
    {
        LoadProgressWindow progress(shell.app.mainWindow, *chosen);
        loaded = load_ego(shell.scene, *chosen, &failure, progress.callback());
    }
    return show_pose_failure(shell, loaded, failure);
}

int load_origin_track_dialog(Shell& shell, const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(shell, org_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    std::string failure;
    {
        LoadProgressWindow progress(shell.app.mainWindow, *chosen);
        loaded = load_org(shell.scene, *chosen, &failure, progress.callback());
    }
    return show_pose_failure(shell, loaded, failure);
}

int load_traj_file_dialog(Shell& shell, const std::optional<std::string>& path,
                          std::string* loaded_path) {
    const std::optional<std::string> chosen = ask_path(shell, traj_dialog_options(), path);
    if (!chosen) return 0;
    if (loaded_path) *loaded_path = *chosen;
    LoadProgressWindow progress(shell.app.mainWindow, *chosen);
    return load_mov(shell.scene, *chosen, error_sink(shell), progress.callback());
}

void AfterLoad(Shell& shell, int loaded) {
    measurements_changed(plovane_of(shell));  // a failed load empties what it loads
    if (!loaded) return;
    // A selection names a trajectory of the scene that was.
    if (shell.view.inspect.selected != render::kSelectNone)
        select_box(plovane_of(shell), render::kSelectNone);
    // A file dialog closing uncovers the window, which the toolkit repaints from its
    // own copy; ask for the new scene instead.
    plat::invalidate(shell.app.mainWindow, false);
    if (scene_ready(shell.scene)) {
        DestroyFrameControl(shell);
        CreateFrameControl(shell);
    }
}

void LoadEgoCommand(Shell& shell, const std::optional<std::string>& path) {
    AfterLoad(shell, load_pose_track_dialog(shell, path));
}

void LoadMovCommand(Shell& shell, const std::optional<std::string>& path) {
    std::string chosen;
    const int loaded = load_traj_file_dialog(shell, path, &chosen);
    if (loaded) {
        Plovane& viewer = plovane_of(shell);
        viewer.traj_name = std::filesystem::u8path(chosen).filename().u8string();
        plat::set_window_text(viewer.app.mainWindow, plovane_title(viewer));
    }
    AfterLoad(shell, loaded);
}

void LoadOrgCommand(Shell& shell, const std::optional<std::string>& path) {
    if (!load_origin_track_dialog(shell, path)) plat::invalidate(shell.app.mainWindow, true);
}

void paint_plovane(Shell& shell, plat::Dc dc, plat::Size client) {
    follow_selection(shell, client);
    paint_plovane_measured(plovane_of(shell), dc, client);
    refresh_vehicle_panel(plovane_of(shell));
}

void PlovaneCommand(Shell& shell, int id) {
    switch (id) {
        case resources::IDM_LOAD_EGO:
            LoadEgoCommand(shell);
            break;
        case resources::IDM_LOAD_MOV:
            LoadMovCommand(shell);
            break;
        case resources::IDM_LOAD_ORG:
            LoadOrgCommand(shell);
            break;
        case resources::IDM_EXPORT_VIDEO:
            export_video_command(shell);
            break;
        case resources::IDM_ABOUT:
            RunAboutDialog(shell);
            break;
        case resources::IDM_EXIT:
            plat::post_message(shell.app.mainWindow, plat::WM_CLOSE);
            break;
        case resources::IDM_DISPLAY_SETTING:
            if (RunDisplaySettingDialog(shell) == 1) measurements_changed(plovane_of(shell));
            break;
        case resources::IDM_GRID_LINE:
            ToggleDisplayFlag(shell, render::SHOW_GRID, resources::IDM_GRID_LINE);
            break;
        case resources::IDM_AXIS:
            ToggleDisplayFlag(shell, render::SHOW_AXIS, resources::IDM_AXIS);
            break;
        case resources::IDM_TRAJ_ID:
            ToggleDisplayFlag(shell, render::SHOW_TRAJ_ID, resources::IDM_TRAJ_ID);
            break;
        case resources::IDM_TIME_SERIALS:
            toggle_time_series(shell);
            break;
        case resources::IDM_EGO_CENTERED:
            toggle_ego_centered(shell);
            break;
        case resources::IDM_SET_TRAJ_COL:
            run_traj_color_dialog(shell);
            break;
        case resources::IDM_REAL_TIME:
            toggle_real_time(plovane_of(shell));
            break;
        case resources::IDM_OPEN_DATASET:
            OpenDatasetCommand(plovane_of(shell));
            break;
        case resources::IDM_MARK_LEAD:
            toggle_mark_lead(plovane_of(shell));
            break;
        case resources::IDM_PLOTS:
            open_plots_window(plovane_of(shell));
            break;
        case resources::IDM_FOLLOW_SELECTED:
            toggle_follow(plovane_of(shell));
            break;
        case resources::IDM_RESET_VIEW:
            reset_view(shell);
            break;
        case resources::IDM_TIME_FROM_NOW:
            toggle_time_from_now(shell);
            break;
        case resources::IDM_SHOW_RAW:
            toggle_show_raw(shell);
            break;
        default:
            // Playback codes 230..233 land here when no playback loop takes them.
            break;
    }
}

}  // namespace shell
