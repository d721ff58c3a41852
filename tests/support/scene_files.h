// Loading a pose track and a TRAJ file into the program's stores the way the
// viewer's "Load Ego" and "Load Mov" leave them (the clock started one step after
// the first frame, the scene origin taken), for tests below the shell.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "data/geometry.h"
#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"

namespace test_support {

// Both files must load; a failure fails the calling test.
inline void load_scene_files(const std::string& ego_path, const std::string& traj_path) {
    free_pose_track();
    set_nav_columns(nav_columns_for(ego_path));
    ASSERT_EQ(load_pose_track(ego_path), 1) << ego_path;
    free_traj_store();
    ASSERT_EQ(load_traj_file(traj_path), 1) << traj_path;
    rewind_scene();
    seek_scene(traj_store().min_time);
    find_scene_origin(traj_store().min_time);
}

}  // namespace test_support
