// The scene the paint benchmarks paint, and its recording: the ego driving along
// +y at 25 m/s and N vehicles around it (default 100), all seen on every frame,
// painted in a tilted view at frame 51 with the history full (5000 boxes, the "Time
// Serials" view), at 960 x 640 unless told otherwise.
//
// The vehicles come in blocks of 100: five lanes 3.5 m apart, 20 vehicles per lane
// 12 m apart, at 15 to 34 m/s. One block is the original scene; more blocks make a
// city of parallel roads, laid out as a grid of blocks 20 m apart across and 300 m
// apart along the roads, centred on the ego, so that some of them lie on the
// picture and most, for a large N, beyond its edges.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
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

constexpr int kFrames = 60;  // samples per trajectory of the paint benchmarks
constexpr int kElevation = 30;

// What a benchmark paints: set from its command line (parse_options).
struct Config {
    int vehicles = 100;
    int width = 960, height = 640;
    int frames = kFrames;  // samples per trajectory
    plat::Size size() const { return plat::Size{width, height}; }
};

// Reads "--vehicles N" and "--size WxH" out of the arguments and leaves the others,
// in their order, in `positional`. False (with a message) on a malformed option.
inline bool parse_options(int argc, char** argv, Config& config,
                          std::vector<std::string>& positional) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--vehicles" && i + 1 < argc) {
            config.vehicles = std::atoi(argv[++i]);
            if (config.vehicles < 1) {
                std::fprintf(stderr, "--vehicles needs a positive count\n");
                return false;
            }
        } else if (arg == "--size" && i + 1 < argc) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w < 64 || h < 64) {
                std::fprintf(stderr, "--size needs WIDTHxHEIGHT, each at least 64\n");
                return false;
            }
            config.width = w;
            config.height = h;
        } else {
            positional.push_back(arg);
        }
    }
    return true;
}

inline double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Writes bench.nav and bench.traj into dir.
inline void write_scene(const std::filesystem::path& dir, const Config& config) {
    std::ofstream nav(dir / "bench.nav");
    for (int t = 0; t <= config.frames * 100 + 2000; t += 100)
        nav << 36000000 + t << " 0 0 0 0 " << 25.0 * t / 1000 << " 0\n";
    std::ofstream traj(dir / "bench.traj");
    char line[200];
    const int blocks = (config.vehicles + 99) / 100;
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(blocks))));
    const int rows = (blocks + columns - 1) / columns;
    for (int v = 0; v < config.vehicles; ++v) {
        traj << "tno=" << 1000 + v << "\n";
        const int block = v / 100, column = block % columns, row = block / columns;
        const double block_x = (column - (columns - 1) / 2.0) * 20.0;
        const double block_y = (row - (rows - 1) / 2.0) * 300.0;
        const int lane = v % 5;
        const double x = block_x + (lane - 2) * 3.5, y0 = block_y + (v % 100 / 5 - 10) * 12.0;
        const double speed = 15 + (v % 20);
        for (int f = 1; f <= config.frames; ++f) {
            const int t = (f - 1) * 100;
            const double y = y0 + speed * t / 1000, ego_y = y - 25.0 * t / 1000;
            std::snprintf(line, sizeof line, "%d,%d,%.3f,%.3f,4.6,1.9,0,1,%.3f,%.3f,0,1,%.2f\n",
                          36000000 + t, 5000 + f, x, y, x, ego_y, speed);
            traj << line;
        }
    }
}

// The clock at frame 51 with the history filled (50 (N + 1) boxes appended) by painting
// every frame before it and recording its boxes, as playback would (a paint, then
// record_history, then a step). The history starts empty, no trajectory drawn yet.
// Returns the filled ring.
inline std::unique_ptr<HistoryRing> play_to_frame_50(Scene& scene, const render::View& view,
                                                     plat::Dc target, const Config& config) {
    scene.history = HistoryRing{};
    rewind_scene(scene);
    while (scene.store.current_frame < 5051) {
        render::paint_scene(scene, view, target, config.size());
        render::record_history(scene, view);
        step_scene(scene);
    }
    return std::make_unique<HistoryRing>(scene.history);
}

// One paint as during playback, where every paint shows a frame the clock has just
// moved to: the scene painted, then its boxes appended to the history. The ring is
// put back to `ring` first (outside any timing), so that every such paint draws the
// same 5000 history boxes and appends the frame's N + 1 again.
inline void restore_history(Scene& scene, const HistoryRing& ring) {
    scene.history = ring;  // same sizes: copies, allocates nothing
}
inline void paint_and_record(Scene& scene, const render::View& view, plat::Dc target,
                             const Config& config) {
    render::paint_scene(scene, view, target, config.size());
    render::record_history(scene, view);
}

inline void start_renderer(Scene& scene, render::View& view, const Config& config) {
    render::renderer_startup(view);
    scene.clock.tooShortTraj = 20;
    render::ResetView(view.state, config.size(), render::kPlovaneInitialScale);
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
// Leaves the scene loaded in `scene`, its clock at frame 51. every_box, when
// given, gets the calls of the same picture with no box left out, those beyond
// the picture included (draw_scene without the picture's size): what a program
// that leaves the clipping to the system would draw.
inline bool record_paint(const std::filesystem::path& dir, const Config& config, Scene& scene,
                         std::vector<plat::DrawOp>& recorded,
                         std::vector<plat::DrawOp>* every_box = nullptr) {
    plat::StartOptions headless;
    headless.backend = "headless";
    if (!plat::start_platform(headless)) return false;
    render::View view;
    start_renderer(scene, view, config);
    if (!load_scene(scene, dir)) return false;
    play_to_frame_50(scene, view, plat::Dc{}, config);
    plat::Dc canvas = plat::create_canvas(config.width, config.height);
    render::paint_scene(scene, view, canvas, config.size());
    recorded = plat::headless::canvas_ops(canvas);
    plat::delete_dc(canvas);
    if (every_box) {
        canvas = plat::create_canvas(config.width, config.height);
        render::paint_off_screen(canvas, config.size(), [&scene, &view](plat::Dc mem) {
            render::draw_scene(mem, scene, view);
        });
        *every_box = plat::headless::canvas_ops(canvas);
        plat::delete_dc(canvas);
    }
    render::renderer_shutdown(view);
    plat::stop_platform();
    return true;
}

}  // namespace bench_scene
