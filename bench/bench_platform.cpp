// Cost of the platform layer's device context over plain QPainter.
//
// Paints an empty scene's worth of drawing (the default grid, 31 + 31 dotted lines,
// the two axes and their 62 labels, as the viewer's top view shows them) at 960 x 640
// through our Qt device context, the way the viewer's WM_PAINT does it (off-screen
// DC and bitmap, block copy to the window), and the same picture drawn straight with
// QPainter, alternating paint by paint in the same run. Prints paints per second
// of both and the overhead ratio.
//
//   bench_platform [paints-per-path]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/qt_direct.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"

using namespace plat;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWidth = 960, kHeight = 640;

struct Scene {
    std::vector<bench_qt::BenchLine> lines;
    std::vector<bench_qt::BenchText> texts;
};

// The top view at the start of the viewer: azimuth 270, elevation 0, scale 0.045,
// world origin at the client centre; world y runs right, world x down.
Point to_screen(int x, int y) {
    const double s = 0.045;
    return Point{static_cast<int>(kWidth / 2 + y * s),
                 static_cast<int>((kHeight - 20) / 2 + x * s)};
}

Scene default_scene() {
    Scene scene;
    const int R = 30000, G = 2000;
    for (int b = -R; b <= R; b += G) {
        Point a = to_screen(-R, b), c = to_screen(R, b);
        scene.lines.push_back({a.x, a.y, c.x, c.y, true});
        a = to_screen(b, -R);
        c = to_screen(b, R);
        scene.lines.push_back({a.x, a.y, c.x, c.y, true});
    }
    Point a = to_screen(-R, 0), c = to_screen(R, 0);
    scene.lines.push_back({a.x, a.y, c.x, c.y, false});
    a = to_screen(0, -R);
    c = to_screen(0, R);
    scene.lines.push_back({a.x, a.y, c.x, c.y, false});
    for (int i = -R; i <= R; i += G) {
        char label[32];
        std::snprintf(label, sizeof label, i == R ? "%d(m)" : "%d",
                      static_cast<int>(i / 100 / 1.5));
        const Point p = to_screen(i, 0);
        const int n = static_cast<int>(std::string(label).size());
        scene.texts.push_back({p.x - 10 * n, p.y + 5, label});
        std::snprintf(label, sizeof label, i == R ? "%d(m)" : "%d", i / 100);
        const Point q = to_screen(0, i);
        scene.texts.push_back({q.x - 10 * n, q.y + 5, label});
    }
    return scene;
}

struct Tools {
    Pen grid, axis;
};

void paint_layer(Hwnd h, const Scene& scene, const Tools& tools) {
    PaintStruct ps;
    const Dc dc = begin_paint(h, ps);
    const Dc mem = create_compatible_dc(dc);
    const Bitmap bmp = create_compatible_bitmap(dc, kWidth, kHeight);
    const Bitmap old_bmp = select_object(mem, bmp);
    fill_rect(mem, Rect{0, 0, kWidth, kHeight}, stock_brush(StockBrush::Black));
    set_bk_mode(mem, BkMode::Transparent);
    const Pen old_pen = select_object(mem, tools.grid);
    bool grid = true;
    for (const bench_qt::BenchLine& l : scene.lines) {
        if (l.grid != grid) {
            select_object(mem, l.grid ? tools.grid : tools.axis);
            grid = l.grid;
        }
        move_to(mem, l.x1, l.y1);
        line_to(mem, l.x2, l.y2);
    }
    set_text_color(mem, rgb(128, 128, 128));
    for (const bench_qt::BenchText& t : scene.texts) text_out(mem, t.x, t.y, t.text);
    bit_blt(dc, 0, 0, kWidth, kHeight, mem, 0, 0);
    select_object(mem, old_pen);
    select_object(mem, old_bmp);
    delete_object(bmp);
    delete_dc(mem);
    end_paint(h, ps);
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qt::register_backend();
    StartOptions options;
    options.backend = "qt";
    if (!start_platform(options, argc, argv)) return 1;
    WindowClass cls;
    cls.name = "BenchClass";
    cls.proc = def_window_proc;
    if (!register_class(cls)) return 1;
    const Hwnd h = create_window("BenchClass", "bench", kWidth, kHeight);
    const Scene scene = default_scene();
    const Tools tools{create_pen(PenStyle::Dot, 1, rgb(0, 0, 255)),
                      create_pen(PenStyle::Solid, 2, rgb(128, 128, 128))};

    // Warm up both paths (fonts, glyph caches, allocations).
    for (int i = 0; i < 10; ++i) {
        paint_layer(h, scene, tools);
        bench_qt::paint_direct(kWidth, kHeight, scene.lines, scene.texts);
    }
    // Paints alternate one by one, each path going first half of the time, and the
    // medians are compared: a paint that another process interrupted lands in the
    // tail and does not move them.
    std::vector<double> layer_times, direct_times;
    for (int i = 0; i < paints; ++i) {
        for (int half = 0; half < 2; ++half) {
            const bool layer_now = (i + half) % 2 == 0;
            const auto t0 = Clock::now();
            if (layer_now)
                paint_layer(h, scene, tools);
            else
                bench_qt::paint_direct(kWidth, kHeight, scene.lines, scene.texts);
            (layer_now ? layer_times : direct_times).push_back(seconds(Clock::now() - t0));
        }
    }
    const double layer = percentile(layer_times, 0.5), direct = percentile(direct_times, 0.5);
    std::printf("scene: %zu lines, %zu texts, %dx%d; %d paints per path\n", scene.lines.size(),
                scene.texts.size(), kWidth, kHeight, paints);
    std::printf("layer DC       : %8.1f paints/s (median paint %.3f ms)\n", 1 / layer, layer * 1e3);
    std::printf("direct QPainter: %8.1f paints/s (median paint %.3f ms)\n", 1 / direct,
                direct * 1e3);
    std::printf("overhead ratio : %.3f of medians, %.3f of first quartiles (goal <= 1.10)\n",
                layer / direct, percentile(layer_times, 0.25) / percentile(direct_times, 0.25));
    delete_object(tools.grid);
    delete_object(tools.axis);
    destroy_window(h);
    stop_platform();
    return 0;
}
