#include "viewer/traj_color_dialog.h"

#include <string>
#include <string_view>

#include "data/number_text.h"
#include "render/role_colours.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {
namespace {

// What separates the numbers of a field.
constexpr std::string_view kFieldSeparators = ", \t";

std::string format_colour(RgbColour c) {
    return format_int(c.r) + "," + format_int(c.g) + "," + format_int(c.b);
}

void fill_fields(plat::Hwnd dlg, const RoleColours& c) {
    using namespace resources;
    plat::set_dlg_item_text(dlg, IDC_FRONT_ID, format_int(c.frontid));
    plat::set_dlg_item_text(dlg, IDC_FRONT_COL, format_colour(c.frontcol));
    plat::set_dlg_item_text(dlg, IDC_LEAD_ID, format_int(c.leadid));
    plat::set_dlg_item_text(dlg, IDC_LEAD_COL, format_colour(c.leadcol));
    plat::set_dlg_item_text(dlg, IDC_LAG_ID, format_int(c.lagid));
    plat::set_dlg_item_text(dlg, IDC_LAG_COL, format_colour(c.lagcol));
    plat::set_dlg_item_text(dlg, IDC_REAR_ID, format_int(c.rearid));
    plat::set_dlg_item_text(dlg, IDC_REAR_COL, format_colour(c.rearcol));
    plat::set_dlg_item_text(dlg, IDC_SPEED_MIN, format_fixed(c.speedmin, 2));
    plat::set_dlg_item_text(dlg, IDC_SPEED_MAX, format_fixed(c.speedmax, 2));
    plat::set_dlg_item_text(dlg, IDC_EGO_COL, format_colour(c.egocol));
    plat::check_dlg_button(dlg, IDC_TRAJ_COL_ON, c.trajcolseton != 0);
}

// Fields are read like the values of a key line, so an empty field or a short
// colour keeps the member as it was.
void read_fields(plat::Hwnd dlg, RoleColours& c) {
    using namespace resources;
    auto field = [dlg](int id) { return plat::get_dlg_item_text(dlg, id, kRoleFieldMaxChars); };
    auto read_id = [&](int id, int32_t& member) {
        read_id_value(field(id), kFieldSeparators, member);
    };
    auto read_col = [&](int id, RgbColour& member) {
        read_colour_value(field(id), kFieldSeparators, member);
    };
    auto read_speed = [&](int id, double& member) {
        read_real_value(field(id), kFieldSeparators, member);
    };
    read_id(IDC_FRONT_ID, c.frontid);
    read_col(IDC_FRONT_COL, c.frontcol);
    read_id(IDC_LEAD_ID, c.leadid);
    read_col(IDC_LEAD_COL, c.leadcol);
    read_id(IDC_LAG_ID, c.lagid);
    read_col(IDC_LAG_COL, c.lagcol);
    read_id(IDC_REAR_ID, c.rearid);
    read_col(IDC_REAR_COL, c.rearcol);
    read_speed(IDC_SPEED_MIN, c.speedmin);
    read_speed(IDC_SPEED_MAX, c.speedmax);
    read_col(IDC_EGO_COL, c.egocol);
}

}  // namespace

bool TrajColorSettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    if (end_on_cancel(dlg, message, wparam)) return true;
    Shell& shell = shell_of(dlg);
    RoleColours& colours = shell.view.roles.colours;
    if (message == plat::WM_INITDIALOG) {
        fill_fields(dlg, colours);
        return true;
    }
    if (message != plat::WM_COMMAND || plat::loword(wparam) != plat::IDOK) return false;
    if (plat::is_dlg_button_checked(dlg, resources::IDC_TRAJ_COL_ON)) {
        colours.trajcolseton = 1;
        read_fields(dlg, colours);
        render::recreate_role_pens(shell.view.roles);
    } else {
        colours.trajcolseton = 0;
    }
    plat::invalidate(shell.app.mainWindow, false);
    plat::end_dialog(dlg, 1);
    return true;
}

plat::LRESULT run_traj_color_dialog(Shell& shell) {
    return plat::dialog_box(resources::IDD_TRAJ_COLOR, shell.app.mainWindow, &TrajColorSettingProc);
}

}  // namespace shell
