#include "viewer/selection.h"

#include <string>
#include <vector>

#include "data/number_text.h"
#include "data/scene_clock.h"
#include "render/pick.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "viewer/vehicle_panel.h"

namespace shell {

namespace {

void check(Shell& shell, int id, bool on) {
    plat::check_menu_item(plat::get_menu(shell.app.mainWindow), id, on);
}

void set_follow(Shell& shell, bool on) {
    shell.view.inspect.follow = on;
    check(shell, resources::IDM_FOLLOW_SELECTED, on);
}

bool VehiclePanelProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam) {
    switch (message) {
        case plat::WM_INITDIALOG:
            return true;
        case plat::WM_KEYDOWN:
            // The panel takes the focus when it opens: its keys are the main window's.
            plat::send_message(shell_of(dlg).app.mainWindow, message, wparam, lparam);
            return true;
        case plat::WM_CLOSE:
            // The close box closes the panel; the selection stays.
            close_vehicle_panel(plovane_of(shell_of(dlg)));
            return true;
        default:
            return false;
    }
}

void open_vehicle_panel(Plovane& viewer) {
    if (viewer.vehiclePanel) return;
    viewer.vehiclePanel =
        plat::create_dialog(resources::IDD_VEHICLE, viewer.app.mainWindow, &VehiclePanelProc);
    if (viewer.vehiclePanel) plat::show_window(viewer.vehiclePanel, true);
}

}  // namespace

void select_box(Plovane& viewer, int32_t index) {
    viewer.view.inspect.selected = index;
    // The plots' fifth panel follows the selection.
    if (viewer.measuring.plots) plat::invalidate(viewer.measuring.plots, false);
    if (index == render::kSelectNone) {
        set_follow(viewer, false);
        close_vehicle_panel(viewer);
    } else {
        open_vehicle_panel(viewer);
        refresh_vehicle_panel(viewer);
    }
    plat::invalidate(viewer.app.mainWindow, false);
}

bool selection_index(const TrajStore& store, const std::string& name, int32_t& index) {
    if (name == "none" || name == "ego") {
        index = name == "ego" ? render::kSelectEgo : render::kSelectNone;
        return true;
    }
    int id = 0;
    if (!parse_whole_int(name, id)) return false;
    for (int32_t i = 0; i < store.entry_count; ++i) {
        if (store.entries[static_cast<std::size_t>(i)].id != id) continue;
        index = i;
        return true;
    }
    return false;
}

bool select_by_name(Plovane& viewer, const std::string& name) {
    int32_t index = render::kSelectNone;
    if (!selection_index(viewer.scene.store, name, index)) return false;
    select_box(viewer, index);
    return true;
}

int32_t selected_id(const Shell& shell) {
    const int32_t sel = shell.view.inspect.selected;
    if (sel < 0) return sel;
    return traj_id_at(shell.scene.store, sel);
}

void PlovaneClick(Shell& shell, int x, int y) {
    select_box(plovane_of(shell), render::pick_box(shell.scene, shell.view, plat::Point{x, y}));
}

void toggle_follow(Plovane& viewer) {
    set_follow(viewer,
               !viewer.view.inspect.follow && viewer.view.inspect.selected != render::kSelectNone);
    plat::invalidate(viewer.app.mainWindow, false);
}

void reset_view(Shell& shell) {
    const double scale = shell.profile ? shell.profile->initialScale : render::kPlovaneInitialScale;
    render::ResetView(shell.view.state, plat::get_client_size(shell.app.mainWindow), scale);
    shell.view.drags = render::Drags{};
    // Following would move the view away again at once.
    set_follow(shell, false);
    plat::invalidate(shell.app.mainWindow, true);
}

void toggle_time_from_now(Shell& shell) {
    bool& on = shell.view.inspect.time_from_now;
    on = !on;
    check(shell, resources::IDM_TIME_FROM_NOW, on);
    plat::invalidate(shell.app.mainWindow, true);
}

void toggle_show_raw(Shell& shell) {
    bool& on = shell.view.inspect.show_raw;
    on = !on;
    check(shell, resources::IDM_SHOW_RAW, on);
    plat::invalidate(shell.app.mainWindow, true);
}

void refresh_vehicle_panel(Plovane& viewer) {
    if (!viewer.vehiclePanel) return;
    const std::vector<std::string> lines = vehicle_panel_lines(viewer.scene, viewer.view);
    for (int i = 0; i < resources::kVehicleLines; ++i) {
        const std::string text =
            static_cast<std::size_t>(i) < lines.size() ? lines[static_cast<std::size_t>(i)] : "";
        const plat::Hwnd dlg = viewer.vehiclePanel;
        if (plat::get_dlg_item_text(dlg, resources::IDC_VEHICLE_LINE + i) != text)
            plat::set_dlg_item_text(dlg, resources::IDC_VEHICLE_LINE + i, text);
    }
}

void close_vehicle_panel(Plovane& viewer) {
    if (!viewer.vehiclePanel) return;
    plat::destroy_window(viewer.vehiclePanel);
    viewer.vehiclePanel = plat::Hwnd{};
}

void follow_selection(Shell& shell, plat::Size client) {
    if (shell.view.inspect.follow) render::centre_on_selection(shell.view, shell.scene, client);
}

}  // namespace shell
