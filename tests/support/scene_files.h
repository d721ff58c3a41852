// Loading a pose track and a TRAJ file into a scene the way the
// viewer's "Load Ego" and "Load Mov" leave them (the clock started one step after
// the first frame, the scene origin taken), for tests below the shell.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "data/geometry.h"
#include "data/pose_track.h"
#include "data/report.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

namespace test_support {

// Both files must load; a failure fails the calling test.
inline void load_scene_files(Scene& scene, const std::string& ego_path,
                             const std::string& traj_path) {
    ASSERT_EQ(load_pose_track(scene.pose, ego_path, nav_columns_for(ego_path)), 1) << ego_path;
    ASSERT_EQ(load_traj_file(scene.store, traj_path, print_error), 1) << traj_path;
    rewind_scene(scene);
    seek_scene(scene, scene.store.min_time);
    find_scene_origin(scene, scene.store.min_time);
}

}  // namespace test_support
