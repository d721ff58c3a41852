// The display settings the painters read: extent and spacing of the grid, the two
// scale factors of the drawing, whether old history is drawn, the layer flags and
// the ego-centred switch. One program-wide record, set to the program's defaults
// at renderer start-up and changed only by the shell's Display menu.
//
// The clock's own settings, frameStep and tooShortTraj, live with the scene clock
// (data/scene_clock.h, clock_settings()).
#pragma once

#include <cstdint>

namespace render {

// Layer flags (DisplaySettings::flags).
constexpr int SHOW_GRID = 1;             // grid lines
constexpr int SHOW_AXIS = 2;             // axes and their labels
constexpr int SHOW_TIME_SERIES = 4;      // history of earlier boxes (the viewer only)
constexpr int SHOW_TRAJ_ID = 16;         // trajectory id labels, in the viewer
constexpr int SHOW_TRAJ_ID_VANTREL = 8;  // the same flag in the labelling tool

// One program-wide record, always read and written whole.
struct DisplaySettings {
    int32_t maxRangeX = 30000;  // cm; grid and axes span -maxRangeX .. +maxRangeX
    int32_t gridSizeX = 2000;   // cm between grid lines and between axis labels
    double yxFactor = 1.5;      // ratio; outline x is multiplied by it, x labels divided
    double msPerMeter = 5.0;    // ms per cm of height on the time axis
    int32_t drawHistory = 0;    // 1: history of every trajectory; 0: only of recent ones
    int32_t flags = SHOW_GRID | SHOW_AXIS | SHOW_TIME_SERIES;  // SHOW_* bits, low 8 used
};

// The viewer's defaults: (30000, 2000, 1.5, 5.0, 0, grid | axis | time series).
DisplaySettings plovane_display_defaults();
// The labelling tool's: (30000, 2000, 10.0, 5.0, 0, grid | axis).
DisplaySettings vantrel_display_defaults();

// Start values: the record from defaults, the clock settings at theirs
// (reset_clock_settings), egoCentered 0.
void init_display_settings(const DisplaySettings& defaults);

// A copy of the record.
DisplaySettings GetDisplaySettings();
// Replaces the record whole.
void SetDisplaySettings(const DisplaySettings& settings);

// Whether trajectories are drawn relative to the ego vehicle.
int ego_centered();
void set_ego_centered(int on);  // any nonzero value stores 1

// Grid lines in each direction: one every gridSizeX from -maxRangeX while not
// beyond +maxRangeX; 0 when gridSizeX <= 0 or maxRangeX < 0.
int64_t grid_lines(const DisplaySettings& settings);

}  // namespace render
