#include "analysis/overlay.h"

#include "data/scene_clock.h"
#include "render/scene_painter.h"

namespace analysis {

namespace {

constexpr plat::Color kStripColour = plat::rgb(30, 30, 30);
constexpr plat::Color kLineColour = plat::rgb(230, 230, 230);
constexpr plat::Color kMarkColour = plat::rgb(255, 220, 0);
constexpr int kMarkHalfWidth = 6;  // pixels
constexpr int kMarkHeight = 9;
constexpr int kMarkLift = 3;  // pixels between the mark's tip and the box

}  // namespace

void draw_live_line(plat::Dc dc, plat::Size client, const Measure& m) {
    if (client.width <= 0 || client.height < kLiveLineHeight) return;
    const plat::Brush strip = plat::create_solid_brush(kStripColour);
    plat::fill_rect(dc, plat::Rect{0, client.height - kLiveLineHeight, client.width, client.height},
                    strip);
    plat::delete_object(strip);
    const plat::BkMode kept_mode = plat::set_bk_mode(dc, plat::BkMode::Transparent);
    const plat::Color kept_colour = plat::set_text_color(dc, kLineColour);
    plat::text_out(dc, 6, client.height - kLiveLineHeight + 2, live_text(m));
    plat::set_text_color(dc, kept_colour);
    plat::set_bk_mode(dc, kept_mode);
}

void draw_lead_mark(plat::Dc dc, const Scene& scene, const render::View& view, const Measure& m) {
    const TrajStore& st = scene.store;
    if (m.lead_index < 0 || m.lead_index >= st.entry_count) return;
    const TrajEntry& e = st.entries[static_cast<size_t>(m.lead_index)];
    if (e.cursor < 0 || e.cursor >= e.count) return;
    const TrajPoint& s = st.samples[static_cast<size_t>(e.first + e.cursor)];
    const plat::Rect box = render::sample_screen_bounds(scene, view, s);
    const int x = (box.left + box.right) / 2;
    const int tip = box.top - kMarkLift;
    const plat::Point triangle[3] = {
        {x, tip}, {x - kMarkHalfWidth, tip - kMarkHeight}, {x + kMarkHalfWidth, tip - kMarkHeight}};
    const plat::Pen pen = plat::create_pen(plat::PenStyle::Solid, 1, kMarkColour);
    const plat::Brush brush = plat::create_solid_brush(kMarkColour);
    const plat::Pen kept_pen = plat::select_object(dc, pen);
    const plat::Brush kept_brush = plat::select_object(dc, brush);
    plat::polygon(dc, triangle, 3);
    plat::select_object(dc, kept_pen);
    plat::select_object(dc, kept_brush);
    plat::delete_object(pen);
    plat::delete_object(brush);
}

}  // namespace analysis
