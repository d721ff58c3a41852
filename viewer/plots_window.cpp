#include "viewer/plots_window.h"

#include "analysis/measure.h"
#include "analysis/overlay.h"
#include "analysis/plots.h"
#include "data/scene.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "viewer/plovane_playback.h"

namespace shell {

namespace {

// The four measured panels are computed again only when the measurements changed;
// a new selection only swaps the fifth.
void refresh_series(Plovane& viewer) {
    Measuring& m = viewer.measuring;
    const int32_t selected = selected_vehicle_for_plots(viewer);
    if (!m.stale && selected == m.vehicle) return;
    if (m.stale) {
        m.series = analysis::make_plot_set(
            analysis::measure_scene(viewer.scene, viewer.view.settings.laneHalfWidth));
        m.vehicle = -1;
        m.stale = false;
    }
    if (m.vehicle >= 0) m.series.panels.pop_back();
    m.vehicle = selected;
    if (selected >= 0)
        m.series.panels.push_back(
            analysis::vehicle_speed_panel(viewer.scene.store, selected, m.series));
}

void paint_plots(Plovane& viewer, plat::Hwnd hwnd) {
    plat::PaintStruct ps;
    const plat::Dc dc = plat::begin_paint(hwnd, ps);
    if (!dc) return;
    refresh_series(viewer);
    const plat::Size client = plat::get_client_size(hwnd);
    const int32_t frame = viewer.scene.store.current_frame;
    render::paint_off_screen(dc, client, [&viewer, client, frame](plat::Dc mem) {
        analysis::draw_plots(mem, client, viewer.measuring.series, frame);
    });
    viewer.measuring.plotted_frame = frame;
    plat::end_paint(hwnd, ps);
}

plat::LRESULT PlotsProc(plat::Hwnd hwnd, unsigned message, plat::WPARAM wparam,
                        plat::LPARAM lparam) {
    void* data = plat::get_window_data(hwnd);
    if (!data) return plat::def_window_proc(hwnd, message, wparam, lparam);
    Plovane& viewer = plovane_of(*static_cast<Shell*>(data));
    switch (message) {
        case plat::WM_PAINT:
            paint_plots(viewer, hwnd);
            return 0;
        case plat::WM_SIZE:
            plat::invalidate(hwnd, false);
            return 0;
        case plat::WM_LBUTTONDOWN:
            click_plots(viewer, plat::get_x_lparam(lparam), plat::get_y_lparam(lparam));
            return 0;
        case plat::WM_DESTROY:
            if (viewer.measuring.plots == hwnd) viewer.measuring.plots = plat::Hwnd{};
            return 0;
        default:
            return plat::def_window_proc(hwnd, message, wparam, lparam);
    }
}

}  // namespace

int32_t selected_vehicle_for_plots(const Plovane& viewer) {
    const int32_t selected = viewer.view.inspect.selected;
    return selected >= 0 && selected < viewer.scene.store.entry_count ? selected : -1;
}

void paint_plovane_measured(Plovane& viewer, plat::Dc dc, plat::Size client) {
    const bool ready = scene_ready(viewer.scene) != 0;
    render::paint_off_screen(dc, client, [&viewer, client, ready](plat::Dc mem) {
        render::draw_scene(mem, viewer.scene, viewer.view, client);
        if (!ready) return;
        const analysis::Measure m =
            analysis::measure_now(viewer.scene, viewer.view.settings.laneHalfWidth);
        if (viewer.measuring.mark_lead) analysis::draw_lead_mark(mem, viewer.scene, viewer.view, m);
        analysis::draw_live_line(mem, client, m);
    });
    render::record_history(viewer.scene, viewer.view);
    const Measuring& m = viewer.measuring;
    if (m.plots && m.plotted_frame != viewer.scene.store.current_frame)
        plat::invalidate(m.plots, false);
}

void toggle_mark_lead(Plovane& viewer) {
    Measuring& m = viewer.measuring;
    m.mark_lead = !m.mark_lead;
    plat::check_menu_item(plat::get_menu(viewer.app.mainWindow), resources::IDM_MARK_LEAD,
                          m.mark_lead);
    plat::invalidate(viewer.app.mainWindow, false);
}

void open_plots_window(Plovane& viewer) {
    Measuring& m = viewer.measuring;
    if (!m.plots) {
        plat::WindowClass cls;
        cls.name = kPlotsClass;
        cls.proc = &PlotsProc;
        cls.icon_id = resources::IDI_APP;
        plat::register_class(cls);  // false once registered: the class stays
        m.stale = true;
        m.plots = plat::create_window(kPlotsClass, kPlotsTitle, kPlotsWidth, kPlotsHeight,
                                      viewer.app.mainWindow, static_cast<Shell*>(&viewer));
        if (!m.plots) return;
    }
    plat::show_window(m.plots);
    plat::invalidate(m.plots, false);
}

void measurements_changed(Plovane& viewer) {
    viewer.measuring.stale = true;
    if (viewer.measuring.plots) plat::invalidate(viewer.measuring.plots, false);
}

bool click_plots(Plovane& viewer, int x, int y) {
    Measuring& m = viewer.measuring;
    if (!m.plots) return false;
    refresh_series(viewer);
    const std::optional<size_t> row =
        analysis::row_at_point(m.series, plat::get_client_size(m.plots), x, y);
    if (!row) return false;
    // The row's frame is reached by jumping there, as Frame # and Jump do.
    jump_to_frame(viewer, static_cast<int64_t>(m.series.frames[*row]));
    plat::invalidate(m.plots, false);
    return true;
}

}  // namespace shell
