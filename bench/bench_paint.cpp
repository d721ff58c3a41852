// Cost of a scene paint at 960 x 640: 100 visible vehicles (or N, see
// bench/bench_scene.h) and a full history of 5000 boxes (the "Time Serials" view)
// in a tilted view, painted by paint_scene
// through the Qt device context the way WM_PAINT paints (window DC, off-screen DC
// and bitmap, one block copy), against the very same drawing calls made straight
// with QPainter (a fresh off-screen image, the polygons, lines and texts, one copy
// onto a kept window image), alternating in rounds in the same run. The direct
// calls are the ones a paint of the same state records on the headless back end.
//
// Also counts the operator-new allocations of one paint against those of a bare
// off-screen picture (create, select, copy, delete), and those of the painter alone
// (the same paint with no platform running, where every drawing call does nothing):
// a paint may allocate nothing but its picture.
//
//   bench_paint [paints-per-round] [rounds] [--vehicles N] [--size WxH]
//
// This file talks to QPainter itself only for the reference drawing.
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench/bench_scene.h"
#include "bench/qt_direct.h"
#include "data/history.h"
#include "data/pose_track.h"
#include "data/scene.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "shell/scene_loads.h"

// ---- Allocation count ------------------------------------------------------------------

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace bench_scene;
using plat::headless::DrawOp;
using plat::headless::Op;

// ---- The reference: the recorded calls straight on QPainter ---------------------------

// One recorded paint prepared for QPainter: Qt points, pens and strings made once.
struct DirectScene {
    struct Item {
        Op op;
        int pen = -1, brush = -1;  // indices into pens/brushes; -1 keeps the previous
        std::vector<QPoint> points;
        QString text;
        QColor text_color;
    };
    std::vector<QPen> pens;
    std::vector<QColor> brushes;
    std::vector<Item> items;
    int polygons = 0, lines = 0, texts = 0, ellipses = 0;
};

DirectScene prepare(const std::vector<DrawOp>& ops) {
    DirectScene s;
    plat::PenInfo pen{};
    plat::BrushInfo brush{};
    bool have_pen = false, have_brush = false;
    for (const DrawOp& op : ops) {
        if (op.op == Op::BitBlt || op.op == Op::MoveTo) continue;
        DirectScene::Item item;
        item.op = op.op;
        if (op.op != Op::Text && (!have_pen || !(op.pen_info == pen))) {
            pen = op.pen_info;
            have_pen = true;
            s.pens.push_back(bench_qt::pen(pen));
            item.pen = static_cast<int>(s.pens.size()) - 1;
        }
        if ((op.op == Op::Polygon || op.op == Op::Ellipse) &&
            (!have_brush || !(op.brush_info == brush))) {
            brush = op.brush_info;
            have_brush = true;
            s.brushes.push_back(QColor(brush.color.r, brush.color.g, brush.color.b));
            item.brush = static_cast<int>(s.brushes.size()) - 1;
        }
        for (plat::Point p : op.points) item.points.push_back(QPoint(p.x, p.y));
        if (op.op == Op::Text) {
            item.text = QString::fromStdString(op.text);
            item.text_color = QColor(op.text_color.r, op.text_color.g, op.text_color.b);
            have_pen = false;  // text drawing changes the painter's pen
        }
        s.polygons += op.op == Op::Polygon;
        s.lines += op.op == Op::LineTo;
        s.texts += op.op == Op::Text;
        s.ellipses += op.op == Op::Ellipse;
        s.items.push_back(std::move(item));
    }
    return s;
}

// A paint as a direct QPainter program would make it: a fresh picture filled black,
// the drawing, one copy onto the window's image.
void paint_direct(const DirectScene& s, QImage& window, const QFont& font, int ascent,
                  const Config& config) {
    QImage picture(config.width, config.height, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter p(&picture);
        p.setFont(font);
        p.setBackgroundMode(Qt::TransparentMode);
        for (const DirectScene::Item& item : s.items) {
            if (item.pen >= 0) p.setPen(s.pens[static_cast<size_t>(item.pen)]);
            if (item.brush >= 0) p.setBrush(s.brushes[static_cast<size_t>(item.brush)]);
            switch (item.op) {
                case Op::Polygon:
                    p.drawPolygon(item.points.data(), static_cast<int>(item.points.size()),
                                  Qt::OddEvenFill);
                    break;
                case Op::LineTo:
                    p.drawLine(item.points[0], item.points[1]);
                    break;
                case Op::Ellipse:
                    p.drawEllipse(QRect(item.points[0], item.points[1] - QPoint(1, 1)));
                    break;
                case Op::Text:
                    p.setPen(item.text_color);
                    p.drawText(item.points[0].x(), item.points[0].y() + ascent, item.text);
                    break;
                default:
                    break;
            }
        }
    }
    QPainter w(&window);
    w.setCompositionMode(QPainter::CompositionMode_Source);
    w.drawImage(0, 0, picture);
}

// ---- The layer: paint_scene on the window, as WM_PAINT does -----------------------------

// The viewer's WM_PAINT during playback: the scene painted, then the frame's boxes
// recorded in the history (see paint_and_record).
void paint_layer(plat::Hwnd h, Scene& scene, const render::View& view, const Config& config) {
    plat::PaintStruct ps;
    const plat::Dc dc = plat::begin_paint(h, ps);
    paint_and_record(scene, view, dc, config);
    plat::end_paint(h, ps);
}

// The bare off-screen picture of a paint, for the allocation baseline.
void bare_picture(plat::Hwnd h, const Config& config) {
    plat::PaintStruct ps;
    const plat::Dc dc = plat::begin_paint(h, ps);
    const plat::Dc mem = plat::create_compatible_dc(dc);
    const plat::Bitmap bmp = plat::create_compatible_bitmap(dc, config.width, config.height);
    const plat::Bitmap old = plat::select_object(mem, bmp);
    plat::bit_blt(dc, 0, 0, config.width, config.height, mem, 0, 0);
    plat::select_object(mem, old);
    plat::delete_dc(mem);
    plat::delete_object(bmp);
    plat::end_paint(h, ps);
}

}  // namespace

int main(int argc, char** argv) {
    Config config;
    std::vector<std::string> args;
    if (!parse_options(argc, argv, config, args)) return 2;
    const int per_round = args.size() > 0 ? std::max(1, std::atoi(args[0].c_str())) : 20;
    const int rounds = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 10;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    char dir_template[] = "/tmp/bench_paint_XXXXXX";
    if (!mkdtemp(dir_template)) return 1;
    const std::filesystem::path dir(dir_template);
    write_scene(dir, config);
    // The role colours come from the program's defaults, not from a file here.
    std::filesystem::current_path(dir);

    // 1. Record the calls of one paint on the headless back end.
    plat::qt::register_backend();
    Scene scene;
    std::vector<DrawOp> recorded, every_box;
    if (!bench_scene::record_paint(dir, config, scene, recorded, &every_box)) return 1;

    // 2. The same state on the Qt back end.
    plat::StartOptions qt;
    qt.backend = "qt";
    if (!plat::start_platform(qt, argc, argv)) return 1;
    plat::WindowClass cls;
    cls.name = "BenchPaint";
    cls.proc = plat::def_window_proc;
    if (!plat::register_class(cls)) return 1;
    const plat::Hwnd h = plat::create_window("BenchPaint", "bench", config.width, config.height);
    const plat::Size client = plat::get_client_size(h);
    render::View view;
    start_renderer(scene, view, config);
    const std::unique_ptr<HistoryRing> ring = play_to_frame_50(scene, view, plat::Dc{}, config);
    const int visible = [&scene] {
        int n = 0, index = 0;
        for (auto s = next_visible_sample(scene, true, index); s;
             s = next_visible_sample(scene, false, index))
            ++n;
        return n;
    }();

    const DirectScene direct = prepare(recorded);
    const DirectScene direct_every_box = prepare(every_box);
    QImage window(config.width, config.height, QImage::Format_RGB32);
    window.fill(Qt::black);
    const QFont font = bench_qt::canvas_font();
    const int ascent = QFontMetrics(font).ascent();

    // Each layer paint appends N + 1 entries; the ring is put back before each so that
    // every paint draws the same 5000 history boxes.
    auto layer_once = [&]() {
        restore_history(scene, *ring);
        const auto t0 = Clock::now();
        paint_layer(h, scene, view, config);
        return seconds(Clock::now() - t0);
    };
    auto direct_once = [&]() {
        const auto t0 = Clock::now();
        paint_direct(direct, window, font, ascent, config);
        return seconds(Clock::now() - t0);
    };
    // The same picture drawn with every box, those beyond the picture left to
    // QPainter's clipping.
    auto every_box_once = [&]() {
        const auto t0 = Clock::now();
        paint_direct(direct_every_box, window, font, ascent, config);
        return seconds(Clock::now() - t0);
    };
    for (int i = 0; i < 5; ++i) {
        layer_once();
        direct_once();
    }
    every_box_once();

    double layer = 0, reference = 0, reference_every_box = 0;
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        double l = 0, d = 0;
        for (int i = 0; i < per_round; ++i) l += layer_once();
        for (int i = 0; i < per_round; ++i) d += direct_once();
        for (int i = 0; i < per_round; ++i) reference_every_box += every_box_once();
        layer += l;
        reference += d;
        ratios.push_back(l / d);
    }
    std::sort(ratios.begin(), ratios.end());

    // Allocations of one paint against those of its bare off-screen picture.
    restore_history(scene, *ring);
    bare_picture(h, config);
    long before = g_allocations;
    bare_picture(h, config);
    const long bare = g_allocations - before;
    before = g_allocations;
    paint_layer(h, scene, view, config);
    const long painted = g_allocations - before;
    before = g_allocations;
    direct_once();
    const long direct_allocs = g_allocations - before;

    const int paints = per_round * rounds;
    std::printf("scene: %d visible vehicles, %d history boxes, elevation %d, client %dx%d\n",
                visible, kHistorySize, kElevation, client.width, client.height);
    std::printf(
        "calls per paint: %d polygons, %d lines, %d texts, %d ellipses; %d paints per path\n",
        direct.polygons, direct.lines, direct.texts, direct.ellipses, paints);
    std::printf("paint_scene via Qt DC : %8.1f paints/s (goal >= 60)\n", paints / layer);
    std::printf("direct QPainter       : %8.1f paints/s\n", paints / reference);
    std::printf("overhead ratio        : %.3f (median of rounds %.3f, goal <= 1.15)\n",
                layer / reference, ratios[ratios.size() / 2]);
    std::printf("direct, every box     : %8.1f paints/s (%d polygons, none left out); ratio %.3f\n",
                paints / reference_every_box, direct_every_box.polygons,
                layer / reference_every_box);
    std::printf(
        "allocations per paint : %ld (bare off-screen picture: %ld, direct QPainter: %ld)\n",
        painted, bare, direct_allocs);

    render::renderer_shutdown(view);
    plat::destroy_window(h);
    plat::stop_platform();

    // The renderer's own share: with no platform running every drawing call is a
    // no-op, so what is left is the painter's own work.
    restore_history(scene, *ring);
    before = g_allocations;
    paint_and_record(scene, view, plat::Dc{}, config);
    const long own = g_allocations - before;
    const auto t0 = Clock::now();
    for (int i = 0; i < 20; ++i) {
        restore_history(scene, *ring);
        paint_and_record(scene, view, plat::Dc{}, config);
    }
    std::printf("painter alone         : %.2f ms per paint, %ld allocations\n",
                seconds(Clock::now() - t0) / 20 * 1000, own);

    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
