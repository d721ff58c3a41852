#include "shell/display_menu.h"

#include <cmath>
#include <string_view>

#include "data/number_text.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {

namespace {

using render::DisplaySettings;

DisplayProfile make_plovane_profile() {
    DisplayProfile p;
    p.fieldCount = 8;
    p.flagItems = {{render::SHOW_GRID, resources::IDM_GRID_LINE},
                   {render::SHOW_AXIS, resources::IDM_AXIS},
                   {render::SHOW_TIME_SERIES, resources::IDM_TIME_SERIALS},
                   {render::SHOW_TRAJ_ID, resources::IDM_TRAJ_ID}};
    p.egoCenteredItem = resources::IDM_EGO_CENTERED;
    return p;
}

DisplayProfile make_vantrel_profile() {
    DisplayProfile p;
    p.fieldCount = 4;
    p.flagItems = {{render::SHOW_GRID, resources::IDM_GRID_LINE},
                   {render::SHOW_AXIS, resources::IDM_AXIS},
                   {render::SHOW_TRAJ_ID_VANTREL, resources::IDM_V_TRAJ_ID}};
    p.egoCenteredItem = 0;
    return p;
}

std::string_view field(const std::vector<std::string>& texts, std::size_t i) {
    std::string_view s = texts[i];
    return s.substr(0, kDisplayFieldMaxChars);
}

int field_count(const Shell& shell) {
    return display_profile(shell).fieldCount;
}

}  // namespace

const DisplayProfile& plovane_display_profile() {
    static const DisplayProfile profile = make_plovane_profile();
    return profile;
}

const DisplayProfile& vantrel_display_profile() {
    static const DisplayProfile profile = make_vantrel_profile();
    return profile;
}

const DisplayProfile& display_profile(const Shell& shell) {
    return shell.display ? *shell.display : plovane_display_profile();
}

void set_display_marks(Shell& shell, const DisplayProfile& profile) {
    shell.display = &profile;
    const plat::Hmenu menu = plat::get_menu(shell.app.mainWindow);
    if (!menu) return;
    const DisplaySettings& s = shell.view.settings;
    for (const FlagMenuItem& item : profile.flagItems)
        plat::check_menu_item(menu, item.menuId, (s.flags & item.bit) != 0);
    if (profile.egoCenteredItem != 0)
        plat::check_menu_item(menu, profile.egoCenteredItem, shell.view.egoCentered != 0);
}

void ToggleDisplayFlag(Shell& shell, int bit, int id) {
    const plat::Hwnd window = shell.app.mainWindow;
    DisplaySettings& s = shell.view.settings;
    s.flags ^= bit;
    plat::check_menu_item(plat::get_menu(window), id, (s.flags & bit) != 0);
    plat::invalidate(window, true);
}

void toggle_time_series(Shell& shell) {
    clear_history(shell.scene.history);
    ToggleDisplayFlag(shell, render::SHOW_TIME_SERIES, resources::IDM_TIME_SERIALS);
}

void toggle_ego_centered(Shell& shell) {
    const plat::Hwnd hwnd = shell.app.mainWindow;
    shell.view.egoCentered = shell.view.egoCentered ? 0 : 1;
    clear_history(shell.scene.history);
    plat::check_menu_item(plat::get_menu(hwnd), resources::IDM_EGO_CENTERED,
                          shell.view.egoCentered == 1);
    // The new frame shows at once, not only at the next repaint.
    plat::invalidate(hwnd, false);
}

std::vector<std::string> format_display_fields(const DisplaySettings& settings,
                                               const ClockSettings& clock, int fieldCount) {
    std::vector<std::string> texts = {
        format_int(settings.maxRangeX),        format_int(settings.gridSizeX),
        format_fixed(settings.yxFactor, 2),    format_fixed(settings.msPerMeter, 2),
        format_int(clock.frameStep),           format_int(clock.tooShortTraj),
        settings.drawHistory != 0 ? "1" : "0", format_fixed(settings.laneHalfWidth, 2),
    };
    if (fieldCount < 0) fieldCount = 0;
    if (static_cast<std::size_t>(fieldCount) < texts.size()) texts.resize(fieldCount);
    return texts;
}

ParsedDisplayFields parse_display_fields(const std::vector<std::string>& texts,
                                         const DisplaySettings& current,
                                         const ClockSettings& clock) {
    ParsedDisplayFields out;
    out.settings = current;
    out.clock = clock;
    const std::size_t n = texts.size();
    if (n > 0) out.settings.maxRangeX = parse_int(field(texts, 0));
    if (n > 1) out.settings.gridSizeX = parse_int(field(texts, 1));
    if (n > 2) out.settings.yxFactor = parse_real(field(texts, 2));
    if (n > 3) out.settings.msPerMeter = parse_real(field(texts, 3));
    if (n > 4) out.clock.frameStep = parse_int(field(texts, 4));
    if (n > 5) out.clock.tooShortTraj = parse_int(field(texts, 5));
    if (n > 6) out.settings.drawHistory = parse_int(field(texts, 6)) != 0 ? 1 : 0;
    if (n > 7) out.settings.laneHalfWidth = parse_real(field(texts, 7));

    auto refuse = [&out](int id, const std::string& text) {
        if (out.refusedId != 0) return;
        out.refusedId = id;
        out.refusal = text;
    };
    auto not_positive = [](const char* label) {
        return std::string(label) + " must be a number greater than 0.";
    };
    if (n > 1 && out.settings.gridSizeX <= 0) {
        refuse(kFirstDisplayField + 1, not_positive("Grid Size X [cm]"));
    } else if (n > 1 && render::grid_lines(out.settings) > kMaxGridLines) {
        // Each line is drawn on every paint: a 2 km range with a 1 cm grid would
        // hold the program for minutes per picture.
        refuse(kFirstDisplayField + 1,
               "Grid Size X [cm] is too small for Max Range X [cm]: at most " +
                   std::to_string(kMaxGridLines) + " grid lines.");
    }
    // "not greater than 0" also catches NaN; an infinite factor flattens the drawing.
    if (n > 2 && !(out.settings.yxFactor > 0 && std::isfinite(out.settings.yxFactor))) {
        refuse(kFirstDisplayField + 2, not_positive("Y:X Factor"));
    }
    if (n > 3 && !(out.settings.msPerMeter > 0 && std::isfinite(out.settings.msPerMeter))) {
        refuse(kFirstDisplayField + 3, not_positive("Millisec:Meter Factor"));
    }
    if (n > 7 && !(out.settings.laneHalfWidth > 0 && std::isfinite(out.settings.laneHalfWidth))) {
        refuse(kFirstDisplayField + 7, not_positive("Lane Half Width [m]"));
    }
    return out;
}

bool DisplaySettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    if (end_on_cancel(dlg, message, wparam)) return true;
    Shell& shell = shell_of(dlg);
    const DisplaySettings current = shell.view.settings;
    if (message == plat::WM_INITDIALOG) {
        const std::vector<std::string> texts =
            format_display_fields(current, shell.scene.clock, field_count(shell));
        for (std::size_t i = 0; i < texts.size(); ++i)
            plat::set_dlg_item_text(dlg, kFirstDisplayField + static_cast<int>(i), texts[i]);
        return true;
    }
    if (message != plat::WM_COMMAND || plat::loword(wparam) != plat::IDOK) return false;
    std::vector<std::string> texts;
    for (int i = 0; i < field_count(shell); ++i)
        texts.push_back(
            plat::get_dlg_item_text(dlg, kFirstDisplayField + i, kDisplayFieldMaxChars));
    const ParsedDisplayFields parsed = parse_display_fields(texts, current, shell.scene.clock);
    if (parsed.refusedId != 0) {
        plat::message_box(dlg, parsed.refusal, kDisplaySettingCaption);
        return true;
    }
    shell.scene.clock = parsed.clock;
    shell.view.settings = parsed.settings;
    plat::invalidate(shell.app.mainWindow, false);
    plat::end_dialog(dlg, 1);
    return true;
}

plat::LRESULT RunDisplaySettingDialog(Shell& shell) {
    return plat::dialog_box(resources::IDD_DISPLAY_SETTING, shell.app.mainWindow,
                            &DisplaySettingProc);
}

}  // namespace shell
