#include "shell/scene_loads.h"

#include <cstdio>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

namespace shell {

namespace {

// The pose loaders write their failure without a line end; nothing else ends
// that line.
int end_line_on_failure(int loaded) {
    if (!loaded) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    return loaded;
}

}  // namespace

int load_ego(const std::string& path, const LoadProgress& progress) {
    free_pose_track();
    set_nav_columns(nav_columns_for(path));
    if (!end_line_on_failure(load_pose_track(path, progress))) return 0;
    find_scene_origin(traj_store().min_time);
    // A new track starts at its first pose; the ego stands where the clock stands.
    if (traj_store_loaded()) advance_pose_cursor(current_time());
    return 1;
}

int load_org(const std::string& path, const LoadProgress& progress) {
    free_origin_track();
    if (!end_line_on_failure(load_origin_track(path, progress))) return 0;
    find_scene_origin(traj_store().min_time);
    return 1;
}

int load_mov(const std::string& path, const LoadProgress& progress) {
    free_traj_store();
    if (!load_traj_file(path, progress)) return 0;
    const int32_t start = traj_store().min_time;
    rewind_scene();
    seek_scene(start);
    find_scene_origin(start);
    return 1;
}

plat::FileDialogOptions ego_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Load Vehile Pose";
    o.filters = {{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}};
    o.must_exist = true;
    return o;
}

}  // namespace shell
