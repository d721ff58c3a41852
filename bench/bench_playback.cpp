// Playback of the bundled example in the viewer on the Qt back end (offscreen
// platform), painting every tick as the window does:
//   1. ticks per second against the nominal 100 of the 10 ms sleep (goal: at
//      least 80 % of nominal);
//   2. real-time pacing at speed 1: how far the scene's clock drifts from the
//      wall clock over the run (goal: within 2 %).
//
//   bench_playback [seconds-of-ticks] [seconds-of-real-time]     (defaults 5 and 30)
//   bench_playback --vehicles N [seconds-of-ticks]                 (default 2)
//
// Run from anywhere; the example files are found beside the sources. With
// --vehicles, the scene is instead the city of N vehicles of the paint benchmarks
// (bench/bench_scene.h), made with as many frames as the ticks can reach, and shown
// as the paint benchmarks paint it (tilted, history on); the real-time run is left
// out (its 30 s of scene would need a file of several GB).
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_scene.h"

#include "data/traj_store.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "resources/resource_ids.h"
#include "shell/frame_control.h"
#include "shell/main_window.h"
#include "viewer/plovane.h"
#include "viewer/plovane_playback.h"
#include "viewer/plovane_shell.h"

using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    double seconds = 0;    // wall clock
    int64_t frames = 0;    // frames the clock advanced (no wrap-around within a run)
    int64_t scene_ms = 0;  // scene time it advanced
};

// Plays from the scene's start for `seconds` of wall time, then stops.
Run play(shell::Plovane& viewer, double seconds) {
    const plat::Hwnd main = viewer.app.mainWindow;
    const TrajStore& clock = viewer.scene.store;
    shell::go_to_scene_start(viewer);
    int exit_code = 0;
    shell::DispatchPending(viewer, exit_code);
    const int32_t frame0 = clock.current_frame, time0 = clock.current_time;
    QTimer::singleShot(static_cast<int>(seconds * 1000),
                       [main] { plat::post_message(main, plat::WM_COMMAND, shell::PB_STOP); });
    const auto t0 = Clock::now();
    shell::StartPressed(viewer);  // returns when the loop has taken the stop
    Run r;
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count() - 0.1;  // the finish
    r.frames = clock.current_frame - frame0;
    r.scene_ms = clock.current_time - time0;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bench_scene::Config city;
    city.vehicles = 0;
    std::vector<std::string> args;
    if (!bench_scene::parse_options(argc, argv, city, args)) return 2;
    const bool synthetic = city.vehicles > 0;
    const double tick_seconds = args.size() > 0 ? std::atof(args[0].c_str()) : (synthetic ? 2 : 5);
    const double real_seconds = args.size() > 1 ? std::atof(args[1].c_str()) : 30;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    plat::qt::register_backend();
    plat::StartOptions options;
    options.backend = "qt";
    if (!plat::start_platform(options, argc, argv)) return 1;
    shell::Plovane viewer;
    if (!shell::StartShell(viewer, shell::plovane_profile())) return 1;
    std::filesystem::path city_dir;
    if (synthetic) {
        // Frames for every tick at the nominal rate, and a margin: no wrap-around.
        city.frames = static_cast<int>(tick_seconds * 100 * 1.2) + 80;
        char dir_template[] = "/tmp/bench_playback_XXXXXX";
        if (!mkdtemp(dir_template)) return 1;
        city_dir = dir_template;
        bench_scene::write_scene(city_dir, city);
        viewer.scene.clock.tooShortTraj = 20;
        shell::LoadEgoCommand(viewer, (city_dir / "bench.nav").string());
        shell::LoadMovCommand(viewer, (city_dir / "bench.traj").string());
        viewer.view.state.elevation = bench_scene::kElevation;
    } else {
        const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples/";
        shell::LoadEgoCommand(viewer, examples + "scene.nav");
        shell::LoadMovCommand(viewer, examples + "scene.traj");
    }
    if (!viewer.app.frameControl) return 1;

    const Run ticks = play(viewer, tick_seconds);
    const double per_second = ticks.frames / ticks.seconds;
    if (synthetic) {
        const plat::Size client = plat::get_client_size(viewer.app.mainWindow);
        std::printf("scene: %d vehicles, %d frames, elevation %d, client %dx%d\n", city.vehicles,
                    city.frames, bench_scene::kElevation, client.width, client.height);
    }
    std::printf("ticks per second      %7.1f   (nominal 100; ratio %.2f, goal >= 0.80)\n",
                per_second, per_second / 100.0);
    if (synthetic) {
        // Every painted frame appended its N + 1 boxes to the history, which the
        // start of the run emptied.
        std::printf("frames painted        %7lld   of %lld ticks\n",
                    static_cast<long long>(viewer.scene.history.appended / (city.vehicles + 1)),
                    static_cast<long long>(ticks.frames));
        plat::post_message(viewer.app.mainWindow, plat::WM_CLOSE);
        shell::RunMessageLoop(viewer);
        plat::stop_platform();
        std::filesystem::remove_all(city_dir);
        return 0;
    }

    shell::toggle_real_time(viewer);
    const Run real = play(viewer, real_seconds);
    const double drift = std::fabs(real.scene_ms / 1000.0 - real.seconds) / real.seconds;
    std::printf(
        "real time, speed 1    scene %.2f s in %.2f s of wall clock: drift %.2f %% "
        "(goal <= 2 %%)\n",
        real.scene_ms / 1000.0, real.seconds, 100 * drift);

    plat::post_message(viewer.app.mainWindow, plat::WM_CLOSE);
    shell::RunMessageLoop(viewer);
    plat::stop_platform();
    return 0;
}
