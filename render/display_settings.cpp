#include "render/display_settings.h"

namespace render {

DisplaySettings plovane_display_defaults() {
    return DisplaySettings{30000, 2000, 1.5, 5.0, 0, SHOW_GRID | SHOW_AXIS | SHOW_TIME_SERIES,
                           1.75};
}

DisplaySettings vantrel_display_defaults() {
    return DisplaySettings{30000, 2000, 10.0, 5.0, 0, SHOW_GRID | SHOW_AXIS, 1.75};
}

int64_t grid_lines(const DisplaySettings& settings) {
    if (settings.gridSizeX <= 0 || settings.maxRangeX < 0) return 0;
    return 2 * int64_t{settings.maxRangeX} / settings.gridSizeX + 1;
}

}  // namespace render
