// Feeds arbitrary bytes to the origin point reader and takes scene origins
// from the points.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/pose_track.h"
#include "data/scene.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // One scene for the whole run, its pose parts as at program start for each input
    // (a new scene per input would mostly clear a history nothing here reads).
    static Scene scene;
    scene.pose = PoseTrack{};
    scene.origin = OriginTrack{};
    scene.scene_origin = SceneOrigin{};
    OriginTrack& points = scene.origin;
    uint64_t lines = 0;
    PoseReadStatus status = read_origin_text(text, points.points, points.count, lines);
    if (status != PoseReadStatus::Ok) {
        CHECK(points.count == 0 && points.points.empty() && origin_track_loaded(points) == 0);
        return 0;
    }
    CHECK(lines > 0 && points.points.size() == lines);
    CHECK(points.count >= 0 && static_cast<uint64_t>(points.count) <= lines);
    for (int32_t i = 0; i < points.count; ++i) {
        const PoseRecord& p = points.points[i];
        CHECK(p.aux1 == 0 && p.aux2 == 0 && p.aux3 == 0);
        if (p.time_ms == 0) continue;
        find_scene_origin(scene, p.time_ms);
        // The origin is a point at that time (the first such point).
        bool found = false;
        for (int32_t j = 0; j < points.count && !found; ++j) {
            const PoseRecord& q = points.points[j];
            found = q.time_ms == p.time_ms;
            if (found) {
                const SceneOrigin& o = scene.scene_origin;
                CHECK((o.x == q.x || (o.x != o.x && q.x != q.x)) &&
                      (o.y == q.y || (o.y != o.y && q.y != q.y)));
            }
        }
        CHECK(found);
    }
    return 0;
}
