#include "shell/scene_loads.h"

#include <cstdio>

#include "data/history.h"
#include "data/pose_track.h"
#include "data/scene.h"
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

// What "Load Ego" does once the track is loaded.
int after_ego_load(Scene& scene, int loaded) {
    if (!end_line_on_failure(loaded)) return 0;
    find_scene_origin(scene, scene.store.min_time);
    // A new track starts at its first pose; the ego stands where the clock stands.
    if (traj_store_loaded(scene.store)) advance_pose_cursor(scene.pose, scene.store.current_time);
    return 1;
}

// What "Load Mov" does once the store is loaded: the scene starts at min_time,
// without the history of boxes drawn from the store before it.
int after_mov_load(Scene& scene, int loaded) {
    if (!loaded) return 0;
    clear_history(scene.history);
    const int32_t start = scene.store.min_time;
    rewind_scene(scene);
    seek_scene(scene, start);
    find_scene_origin(scene, start);
    return 1;
}

}  // namespace

int load_ego(Scene& scene, const std::string& path, std::string* failure,
             const LoadProgress& progress) {
    free_pose_track(scene.pose);
    return after_ego_load(
        scene, load_pose_track(scene.pose, path, nav_columns_for(path), failure, progress));
}

int load_ego_text(Scene& scene, std::string_view nav_text, const std::string& name,
                  std::string* failure) {
    return after_ego_load(scene, load_pose_text(scene.pose, nav_text, name, failure));
}

int load_org(Scene& scene, const std::string& path, std::string* failure,
             const LoadProgress& progress) {
    free_origin_track(scene.origin);
    if (!end_line_on_failure(load_origin_track(scene.origin, path, failure, progress))) return 0;
    find_scene_origin(scene, scene.store.min_time);
    return 1;
}

int load_mov(Scene& scene, const std::string& path, const ErrorSink& report,
             const LoadProgress& progress) {
    clear_traj_store(scene.store);
    return after_mov_load(scene, load_traj_file(scene.store, path, report, progress));
}

int load_mov_text(Scene& scene, std::string_view traj_text, const std::string& name,
                  const ErrorSink& report) {
    clear_traj_store(scene.store);
    return after_mov_load(scene, load_traj_text(scene.store, traj_text, name, report));
}

plat::FileDialogOptions ego_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Load Vehile Pose";
    o.filters = {{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}};
    o.must_exist = true;
    return o;
}

}  // namespace shell
