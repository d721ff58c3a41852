// Feeds arbitrary bytes to the pose track reader (the first byte picks the
// layout), then follows the track with the pose cursor and the scene origin.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/pose_track.h"
#include "data/scene.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool nav = data[0] & 1;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    // One scene for the whole run, its pose parts as at program start for each input
    // (a new scene per input would mostly clear a history nothing here reads).
    static Scene scene;
    scene.pose = PoseTrack{};
    scene.origin = OriginTrack{};
    scene.scene_origin = SceneOrigin{};
    PoseTrack& track = scene.pose;
    uint64_t lines = 0;
    PoseReadStatus status = read_pose_text(text, nav, track.poses, track.count, lines);
    if (status != PoseReadStatus::Ok) {
        CHECK(track.count == 0 && track.poses.empty() && pose_track_loaded(track) == 0);
        return 0;
    }
    CHECK(lines > 0 && track.poses.size() == lines);
    CHECK(track.count >= 0 && static_cast<uint64_t>(track.count) <= lines);

    // Follow the track's own times, then times around them.
    for (int32_t i = 0; i < track.count; ++i) {
        int32_t t = track.poses[i].time_ms;
        advance_pose_cursor(track, t);
        CHECK(track.pose_cursor >= 0 && (track.count == 0 || track.pose_cursor < track.count));
        find_scene_origin(scene, t);
        find_scene_origin(scene, t + (t < 0 ? 99 : -99));
        CHECK(track.scene_start_index >= 0 &&
              (track.count == 0 || track.scene_start_index < track.count));
    }
    Vec2 p;
    double heading;
    get_cursor_pose(track, p, heading);
    reset_pose_cursor(track);
    CHECK(track.pose_cursor == 0);
    return 0;
}
