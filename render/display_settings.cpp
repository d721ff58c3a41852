#include "render/display_settings.h"

#include "data/scene_clock.h"

namespace render {

namespace {

DisplaySettings g_settings;
int g_ego_centered = 0;

}  // namespace

DisplaySettings plovane_display_defaults() {
    return DisplaySettings{30000, 2000, 1.5, 5.0, 0, SHOW_GRID | SHOW_AXIS | SHOW_TIME_SERIES};
}

DisplaySettings vantrel_display_defaults() {
    return DisplaySettings{30000, 2000, 10.0, 5.0, 0, SHOW_GRID | SHOW_AXIS};
}

void init_display_settings(const DisplaySettings& defaults) {
    g_settings = defaults;
    reset_clock_settings();
    g_ego_centered = 0;
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

int64_t grid_lines(const DisplaySettings& settings) {
    if (settings.gridSizeX <= 0 || settings.maxRangeX < 0) return 0;
    return 2 * int64_t{settings.maxRangeX} / settings.gridSizeX + 1;
}

}  // namespace render
