// The File menu's load sequences: what each frees, loads and sets up.
#include "shell/scene_loads.h"

#include <gtest/gtest.h>

#include <string>

#include "data/pose_track.h"
#include "data/report.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "tests/support/temp_folder.h"

namespace {

// Trajectory 3 at frames 5..25, time 1000 + 100 * frame.
std::string traj_text() {
    std::string text = "tno=3\n";
    for (int f = 5; f <= 25; ++f)
        text +=
            std::to_string(1000 + 100 * f) + "," + std::to_string(f) + ",0,0,4,2,0,1,0,0,0,1,5\n";
    return text;
}

void ignore_report(std::string_view) {}

class SceneLoads : public testing::Test {
  protected:
    test_support::TempFolder dir;
    Scene scene;
};

}  // namespace

TEST_F(SceneLoads, LoadMovStartsTheScene) {
    std::string ego = dir.write("ego.nav", "1400 0 0 0.5 10 20 0\n1500 0 0 0.6 11 21 0\n");
    std::string traj = dir.write("scene.traj", traj_text());
    ASSERT_EQ(shell::load_ego(scene, ego), 1);
    EXPECT_EQ(scene.scene_origin.x, 0);  // no TRAJ data yet: min_time is 0
    ASSERT_EQ(shell::load_mov(scene, traj), 1);
    EXPECT_EQ(scene.store.min_time, 1500);
    EXPECT_EQ(scene.store.current_frame, 6);  // one step past the first frame
    EXPECT_EQ(scene.scene_origin.x, 11);
    EXPECT_EQ(scene.pose.scene_start_index, 1);

    std::string org = dir.write("org.txt", "0 1400 0 0 -1 -2 0.25\n");
    ASSERT_EQ(shell::load_org(scene, org), 1);
    EXPECT_EQ(scene.scene_origin.x, -1);
    EXPECT_EQ(scene.scene_origin.heading, 0.25);
    EXPECT_EQ(scene.pose.scene_start_index, 1);
}

TEST_F(SceneLoads, LoadEgoChoosesLayoutFromName) {
    std::string text = "7 1000 0 0 0.5 10 20 0\n";
    ASSERT_EQ(shell::load_ego(scene, dir.write("track.pos", text)), 1);
    EXPECT_EQ(scene.pose.poses[0].time_ms, 1000);
    ASSERT_EQ(shell::load_ego(scene, dir.write("track.NAV2", text)), 1);
    EXPECT_EQ(scene.pose.poses[0].time_ms, 7);
}

TEST_F(SceneLoads, FailedLoadMovLeavesStoreEmpty) {
    ASSERT_EQ(shell::load_mov(scene, dir.write("scene.traj", traj_text())), 1);
    EXPECT_EQ(shell::load_mov(scene, dir.file("no_such.traj"), ignore_report), 0);
    EXPECT_EQ(traj_store_loaded(scene.store), 0);
    EXPECT_EQ(step_scene(scene), 0);
}

// The ego stands where the clock stands: a track loaded after the trajectories
// starts from the pose at the clock's time, not its first pose (which may lie
// seconds, tens of metres, behind the scene).
TEST_F(SceneLoads, LoadEgoAfterTheTrajectoriesPutsTheEgoAtTheClock) {
    std::string ego;
    for (int t = 1000; t <= 4000; t += 100) ego += std::to_string(t) + " 0 0 0 0 0 0\n";
    ASSERT_EQ(shell::load_mov(scene, dir.write("scene.traj", traj_text())), 1);
    ASSERT_EQ(scene.store.current_time, 1600);
    ASSERT_EQ(shell::load_ego(scene, dir.write("ego.nav", ego)), 1);
    EXPECT_EQ(pose_time(scene.pose, scene.pose.pose_cursor), 1600);
}
