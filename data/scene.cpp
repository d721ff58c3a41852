#include "data/scene.h"

int scene_ready(const Scene& scene) {
    return pose_track_loaded(scene.pose) && traj_store_loaded(scene.store) ? 1 : 0;
}
