#include "render/display_settings.h"

#include <cmath>

#include "data/number_text.h"

namespace render {

namespace {

DisplayProfile make_plovane_profile() {
    DisplayProfile p;
    p.defaults =
        DisplaySettings{30000, 2000, 1.5, 5.0, 0, SHOW_GRID | SHOW_AXIS | SHOW_TIME_SERIES};
    p.fieldCount = 7;
    p.trajIdBit = SHOW_TRAJ_ID;
    p.flagItems = {{SHOW_GRID, 51}, {SHOW_AXIS, 52}, {SHOW_TIME_SERIES, 53}, {SHOW_TRAJ_ID, 56}};
    p.egoCenteredItem = 54;
    return p;
}

DisplayProfile make_vantrel_profile() {
    DisplayProfile p;
    p.defaults = DisplaySettings{30000, 2000, 10.0, 5.0, 0, SHOW_GRID | SHOW_AXIS};
    p.fieldCount = 4;
    p.trajIdBit = SHOW_TRAJ_ID_VANTREL;
    p.flagItems = {{SHOW_GRID, 51}, {SHOW_AXIS, 52}, {SHOW_TRAJ_ID_VANTREL, 53}};
    p.egoCenteredItem = 0;
    return p;
}

const DisplayProfile* g_profile = nullptr;
DisplaySettings g_settings;
int g_ego_centered = 0;

std::string_view field(const std::vector<std::string>& texts, std::size_t i) {
    std::string_view s = texts[i];
    return s.substr(0, kDisplayFieldMaxChars);
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

const DisplayProfile& display_profile() {
    return g_profile ? *g_profile : plovane_display_profile();
}

void init_display_settings(const DisplayProfile& profile, plat::Hwnd window) {
    g_profile = &profile;
    g_settings = profile.defaults;
    reset_clock_settings();
    g_ego_centered = 0;
    const plat::Hmenu menu = plat::get_menu(window);
    if (!menu) return;
    for (const FlagMenuItem& item : profile.flagItems) {
        plat::check_menu_item(menu, item.menuId, (g_settings.flags & item.bit) != 0);
    }
    if (profile.egoCenteredItem != 0) {
        plat::check_menu_item(menu, profile.egoCenteredItem, g_ego_centered != 0);
    }
}

DisplaySettings GetDisplaySettings() {
    return g_settings;
}
void SetDisplaySettings(const DisplaySettings& settings) {
    g_settings = settings;
}

int ego_centered() {
    return g_ego_centered;
}
void set_ego_centered(int on) {
    g_ego_centered = on != 0 ? 1 : 0;
}

void ToggleDisplayFlag(plat::Hwnd window, int bit, int id) {
    DisplaySettings s = GetDisplaySettings();
    s.flags ^= bit;
    plat::check_menu_item(plat::get_menu(window), id, (s.flags & bit) != 0);
    SetDisplaySettings(s);
    plat::invalidate(window, true);
}

int64_t grid_lines(const DisplaySettings& settings) {
    if (settings.gridSizeX <= 0 || settings.maxRangeX < 0) return 0;
    return 2 * int64_t{settings.maxRangeX} / settings.gridSizeX + 1;
}

std::vector<std::string> format_display_fields(const DisplaySettings& settings,
                                               const ClockSettings& clock, int fieldCount) {
    std::vector<std::string> texts = {
        format_int(settings.maxRangeX),        format_int(settings.gridSizeX),
        format_fixed(settings.yxFactor, 2),    format_fixed(settings.msPerMeter, 2),
        format_int(clock.frameStep),           format_int(clock.tooShortTraj),
        settings.drawHistory != 0 ? "1" : "0",
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
    } else if (n > 1 && grid_lines(out.settings) > kMaxGridLines) {
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
    return out;
}

}  // namespace render
