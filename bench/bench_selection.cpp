// Cost of inspecting a vehicle while playing: the paint of the benchmark scene
// (bench_scene.h: 100 visible vehicles, 5000 history boxes, tilted) with a vehicle
// selected, the view following it and the samples as read drawn beside the cleaned
// ones, against the plain paint of the same frame, alternating in rounds in the same
// run on the Qt back end (offscreen), each as WM_PAINT paints during playback.
// Also prints the memory the samples as read take.
//
//   bench_selection [paints-per-round] [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/bench_scene.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "render/pick.h"
#include "render/scene_painter.h"
#include "render/view.h"

namespace {

using namespace bench_scene;

const Config kScene;  // the default scene: 100 vehicles at 960 x 640
constexpr int kWidth = 960, kHeight = 640;

double paint_once(plat::Hwnd h, Scene& scene, render::View& view, const HistoryRing& ring) {
    restore_history(scene, ring);
    const auto t0 = Clock::now();
    plat::PaintStruct ps;
    const plat::Dc dc = plat::begin_paint(h, ps);
    // What the viewer's paint adds: the view follows the selection first.
    if (view.inspect.follow) render::centre_on_selection(view, scene, plat::Size{kWidth, kHeight});
    paint_and_record(scene, view, dc, kScene);
    plat::end_paint(h, ps);
    return seconds(Clock::now() - t0);
}

}  // namespace

int main(int argc, char** argv) {
    const int per_round = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    char dir_template[] = "/tmp/bench_selection_XXXXXX";
    if (!mkdtemp(dir_template)) return 1;
    const std::filesystem::path dir(dir_template);
    write_scene(dir, kScene);
    std::filesystem::current_path(dir);

    plat::qt::register_backend();
    plat::StartOptions qt;
    qt.backend = "qt";
    if (!plat::start_platform(qt, argc, argv)) return 1;
    plat::WindowClass cls;
    cls.name = "BenchInspect";
    cls.proc = plat::def_window_proc;
    if (!plat::register_class(cls)) return 1;
    const plat::Hwnd h = plat::create_window("BenchInspect", "bench", kWidth, kHeight);

    Scene scene;
    render::View plain, inspect;
    start_renderer(scene, plain, kScene);
    start_renderer(scene, inspect, kScene);
    if (!load_scene(scene, dir)) return 1;
    const std::unique_ptr<HistoryRing> ring = play_to_frame_50(scene, plain, plat::Dc{}, kScene);
    // The middle one of the visible vehicles.
    std::vector<int32_t> visible;
    int32_t index = 0;
    for (auto s = next_visible_sample(scene, true, index); s;
         s = next_visible_sample(scene, false, index))
        visible.push_back(index);
    if (visible.empty()) return 1;
    inspect.inspect.selected = visible[visible.size() / 2];
    inspect.inspect.follow = true;
    inspect.inspect.show_raw = true;

    for (int i = 0; i < 5; ++i) {
        paint_once(h, scene, plain, *ring);
        paint_once(h, scene, inspect, *ring);
    }
    double t_plain = 0, t_inspect = 0;
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        double p = 0, q = 0;
        for (int i = 0; i < per_round; ++i) p += paint_once(h, scene, plain, *ring);
        for (int i = 0; i < per_round; ++i) q += paint_once(h, scene, inspect, *ring);
        t_plain += p;
        t_inspect += q;
        ratios.push_back(q / p);
    }
    std::sort(ratios.begin(), ratios.end());

    const int paints = per_round * rounds;
    const std::size_t samples = scene.store.samples.size();
    std::printf("scene: %zu visible vehicles, %d history boxes, elevation %d, %dx%d\n",
                visible.size(), kHistorySize, kElevation, kWidth, kHeight);
    std::printf("plain paint           : %8.1f paints/s\n", paints / t_plain);
    std::printf("selected+follow+raw   : %8.1f paints/s\n", paints / t_inspect);
    std::printf("inspect ratio         : %.3f (median of rounds %.3f, goal <= 1.2)\n",
                t_inspect / t_plain, ratios[ratios.size() / 2]);
    std::printf("samples as read       : %zu samples x %zu bytes = %.2f MB beside the cleaned\n",
                samples, sizeof(TrajPoint),
                static_cast<double>(samples * sizeof(TrajPoint)) / (1024.0 * 1024.0));

    render::renderer_shutdown(plain);
    render::renderer_shutdown(inspect);
    plat::destroy_window(h);
    plat::stop_platform();
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
