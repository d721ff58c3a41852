// The display settings the painters read: extent and spacing of the grid, the two
// scale factors of the drawing, whether old history is drawn, the layer flags and
// the ego-centred switch. Part of the view (render/view.h), set to the program's
// defaults at renderer start-up and changed only by the shell's Display menu.
//
// The clock's own settings, frameStep and tooShortTraj, live with the scene
// (data/scene.h, Scene::clock).
#pragma once

#include <cstdint>

namespace render {

// Layer flags (DisplaySettings::flags).
constexpr int SHOW_GRID = 1;             // grid lines
constexpr int SHOW_AXIS = 2;             // axes and their labels
constexpr int SHOW_TIME_SERIES = 4;      // history of earlier boxes (the viewer only)
constexpr int SHOW_TRAJ_ID = 16;         // trajectory id labels, in the viewer
constexpr int SHOW_TRAJ_ID_VANTREL = 8;  // the same flag in the labelling tool

// Always read and written whole.
struct DisplaySettings {
    int32_t maxRangeX = 30000;  // cm; grid and axes span -maxRangeX .. +maxRangeX
    int32_t gridSizeX = 2000;   // cm between grid lines and between axis labels
    double yxFactor = 1.5;      // ratio; outline x is multiplied by it, x labels divided
    double msPerMeter = 5.0;    // ms per cm of height on the time axis
    int32_t drawHistory = 0;    // 1: history of every trajectory; 0: only of recent ones
    int32_t flags = SHOW_GRID | SHOW_AXIS | SHOW_TIME_SERIES;  // SHOW_* bits, low 8 used
    // metres either side of the ego's axis: a vehicle ahead within it is in the
    // ego's lane (the viewer's lead vehicle, analysis/measure.h)
    double laneHalfWidth = 1.75;
};

// The viewer's defaults: (30000, 2000, 1.5, 5.0, 0, grid | axis | time series).
DisplaySettings plovane_display_defaults();
// The labelling tool's: (30000, 2000, 10.0, 5.0, 0, grid | axis).
DisplaySettings vantrel_display_defaults();

// Grid lines in each direction: one every gridSizeX from -maxRangeX while not
// beyond +maxRangeX; 0 when gridSizeX <= 0 or maxRangeX < 0.
int64_t grid_lines(const DisplaySettings& settings);

}  // namespace render
