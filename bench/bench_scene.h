// The scene both paint benchmarks paint, and its recording: the ego driving along
// +y at 25 m/s, 100 vehicles in five lanes around it (20 per lane, 12 m apart, at
// 15 to 34 m/s, all seen on every frame), painted at 960 x 640 in a tilted view at
// frame 51 with the history full (5000 boxes, the "Time Serials" view).
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "data/history.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "shell/scene_loads.h"

namespace bench_scene {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 960, kHeight = 640;
constexpr int kVehicles = 100;
constexpr int kFrames = 60;  // samples per trajectory
constexpr int kElevation = 30;

inline double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Writes bench.nav and bench.traj into dir.
inline void write_scene(const std::filesystem::path& dir) {
    std::ofstream nav(dir / "bench.nav");
    for (int t = 0; t <= kFrames * 100 + 2000; t += 100)
        nav << 36000000 + t << " 0 0 0 0 " << 25.0 * t / 1000 << " 0\n";
    std::ofstream traj(dir / "bench.traj");
    char line[200];
    for (int v = 0; v < kVehicles; ++v) {
        traj << "tno=" << 1000 + v << "\n";
        const int lane = v % 5;
        const double x = (lane - 2) * 3.5, y0 = (v / 5 - 10) * 12.0;
        const double speed = 15 + (v % 20);
        for (int f = 1; f <= kFrames; ++f) {
            const int t = (f - 1) * 100;
            const double y = y0 + speed * t / 1000, ego_y = y - 25.0 * t / 1000;
            std::snprintf(line, sizeof line, "%d,%d,%.3f,%.3f,4.6,1.9,0,1,%.3f,%.3f,0,1,%.2f\n",
                          36000000 + t, 5000 + f, x, y, x, ego_y, speed);
            traj << line;
        }
    }
}

// The clock at frame 51 with the history filled (5050 boxes appended) by painting
// every frame before it and recording its boxes, as playback would (a paint, then
// record_history, then a step). The history starts empty, no trajectory drawn yet.
// Returns the filled ring.
inline std::unique_ptr<HistoryRing> play_to_frame_50(Scene& scene, const render::View& view,
                                                     plat::Dc target) {
    scene.history = HistoryRing{};
    rewind_scene(scene);
    while (scene.store.current_frame < 5051) {
        render::paint_scene(scene, view, target, plat::Size{kWidth, kHeight});
        render::record_history(scene, view);
        step_scene(scene);
    }
    return std::make_unique<HistoryRing>(scene.history);
}

// One paint as during playback, where every paint shows a frame the clock has just
// moved to: the scene painted, then its boxes appended to the history. The ring is
// put back to `ring` first (outside any timing), so that every such paint draws the
// same 5000 history boxes and appends the frame's 101 again.
inline void restore_history(Scene& scene, const HistoryRing& ring) {
    scene.history = ring;  // same sizes: copies, allocates nothing
}
inline void paint_and_record(Scene& scene, const render::View& view, plat::Dc target) {
    render::paint_scene(scene, view, target, plat::Size{kWidth, kHeight});
    render::record_history(scene, view);
}

inline void start_renderer(Scene& scene, render::View& view) {
    render::renderer_startup(view);
    scene.clock.tooShortTraj = 20;
    render::ResetView(view.state, plat::Size{kWidth, kHeight}, render::kPlovaneInitialScale);
    render::BuildTrigTables();
    view.state.elevation = kElevation;
}

// Loads bench.nav and bench.traj of dir into scene as the File menu does.
inline bool load_scene(Scene& scene, const std::filesystem::path& dir) {
    return shell::load_ego(scene, (dir / "bench.nav").string()) &&
           shell::load_mov(scene, (dir / "bench.traj").string());
}

// The drawing calls of one paint of the scene in dir, recorded on the headless
// back end (started and stopped here); false when the platform or a load fails.
// Leaves the scene loaded in `scene`, its clock at frame 51.
inline bool record_paint(const std::filesystem::path& dir, Scene& scene,
                         std::vector<plat::DrawOp>& recorded) {
    plat::StartOptions headless;
    headless.backend = "headless";
    if (!plat::start_platform(headless)) return false;
    render::View view;
    start_renderer(scene, view);
    if (!load_scene(scene, dir)) return false;
    play_to_frame_50(scene, view, plat::Dc{});
    plat::Dc canvas = plat::create_canvas(kWidth, kHeight);
    render::paint_scene(scene, view, canvas, plat::Size{kWidth, kHeight});
    recorded = plat::headless::canvas_ops(canvas);
    plat::delete_dc(canvas);
    render::renderer_shutdown(view);
    plat::stop_platform();
    return true;
}

}  // namespace bench_scene
