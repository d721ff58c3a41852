// The viewer's window on the Qt back end (offscreen platform): time from start-up
// to the first painted window, and the paint of the empty scene (grid and axes at
// the start view) through the viewer's WM_PAINT and our device context, against
// the same lines and labels drawn straight with QPainter in the same run.
//
//   bench_shell_startup [paints-per-round] [rounds]
//
// The lines and labels of the direct path are taken from one paint of the viewer
// recorded by the headless back end at the Qt window's client size, so both paths
// draw the same picture.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/qt_direct.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "shell/main_window.h"
#include "viewer/plovane.h"
#include "viewer/plovane_shell.h"

using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The lines and labels of one paint of the empty scene.
struct EmptyPicture {
    plat::Size client;
    std::vector<bench_qt::BenchLine> lines;
    std::vector<bench_qt::BenchText> texts;
};

// One start-up paint of the viewer as the headless back end records it.
bool record_empty_scene(plat::Size client, EmptyPicture& scene) {
    if (!plat::start_platform({"headless"})) return false;
    plat::headless::set_default_client_size(client);
    shell::Plovane viewer;
    if (!shell::StartShell(viewer, shell::plovane_profile())) return false;
    const plat::Hwnd main = viewer.app.mainWindow;
    scene.client = plat::get_client_size(main);
    for (const plat::headless::DrawOp& op : plat::headless::window_ops(main)) {
        if (op.op == plat::headless::Op::LineTo && op.points.size() == 2) {
            scene.lines.push_back({op.points[0].x, op.points[0].y, op.points[1].x, op.points[1].y,
                                   op.pen_info.style == plat::PenStyle::Dot});
        } else if (op.op == plat::headless::Op::Text && !op.points.empty()) {
            scene.texts.push_back({op.points[0].x, op.points[0].y, op.text});
        }
    }
    plat::destroy_window(main);
    plat::stop_platform();
    return !scene.lines.empty();
}

void paint_viewer(plat::Hwnd main) {
    plat::invalidate(main, false);
    plat::update_window(main);
}

}  // namespace

// The viewer's start on the Qt back end, its record in `viewer` (which the window
// carries, so it must outlive the window).
bool start_viewer_on_qt(shell::Plovane& viewer, int& argc, char** argv) {
    plat::StartOptions options;
    options.backend = "qt";
    if (!plat::start_platform(options, argc, argv)) return false;
    if (!shell::StartShell(viewer, shell::plovane_profile())) return false;
    plat::Msg msg;
    while (plat::peek_message(msg)) plat::dispatch_message(msg);
    return true;
}

int main(int argc, char** argv) {
    const int per_round = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    plat::qt::register_backend();

    // Start-up: the app record, toolkit, class, window, display defaults, renderer,
    // first paint, and the toolkit showing it.
    const Clock::time_point t0 = Clock::now();
    auto first = std::make_unique<shell::Plovane>();
    if (!start_viewer_on_qt(*first, argc, argv)) return 1;
    const double startup = seconds(Clock::now() - t0);
    const plat::Size client = plat::get_client_size(first->app.mainWindow);

    // The same window's picture as the headless back end records it.
    EmptyPicture scene;
    if (!record_empty_scene(client, scene)) {
        std::fprintf(stderr, "bench_shell_startup: the viewer drew no lines\n");
        return 1;
    }
    shell::Plovane viewer;
    if (!start_viewer_on_qt(viewer, argc, argv)) return 1;
    const plat::Hwnd main = viewer.app.mainWindow;
    plat::Msg msg;

    for (int i = 0; i < 10; ++i) {  // fonts, glyph caches, allocations
        paint_viewer(main);
        bench_qt::paint_direct(client.width, client.height, scene.lines, scene.texts);
    }
    double layer = 0, direct = 0;
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        const Clock::time_point a = Clock::now();
        for (int i = 0; i < per_round; ++i) paint_viewer(main);
        const Clock::time_point b = Clock::now();
        for (int i = 0; i < per_round; ++i) {
            bench_qt::paint_direct(client.width, client.height, scene.lines, scene.texts);
        }
        const Clock::time_point c = Clock::now();
        layer += seconds(b - a);
        direct += seconds(c - b);
        ratios.push_back(seconds(b - a) / seconds(c - b));
        // Let the toolkit take the window's updates between rounds, as the loop would.
        while (plat::peek_message(msg)) plat::dispatch_message(msg);
    }
    std::sort(ratios.begin(), ratios.end());
    const int paints = per_round * rounds;
    std::printf("start-up to the first painted window: %.1f ms\n", startup * 1000);
    std::printf("empty scene: %zu lines, %zu labels, client %dx%d, %d paints per path\n",
                scene.lines.size(), scene.texts.size(), client.width, client.height, paints);
    std::printf("viewer WM_PAINT (layer DC): %8.1f paints/s\n", paints / layer);
    std::printf("direct QPainter           : %8.1f paints/s\n", paints / direct);
    std::printf("overhead: %+.1f %% (ratio %.3f, median of rounds %.3f; goal <= +10 %%)\n",
                (layer / direct - 1) * 100, layer / direct, ratios[ratios.size() / 2]);

    plat::post_message(main, plat::WM_CLOSE);
    shell::RunMessageLoop(viewer);
    plat::stop_platform();
    return 0;
}
