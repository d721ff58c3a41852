// The display settings of the viewers: extent and spacing of the grid, the two
// scale factors of the drawing, whether old history is drawn, the layer flags of
// the "Display" menu with their check marks, and the ego-centred switch. Also the
// text of the "Display Setting" dialog's fields (formatting and parsing); the
// dialog itself is the shell's.
//
// The clock's own settings, frameStep and tooShortTraj, live with the scene clock
// (data/scene_clock.h, clock_settings()); the dialog edits them too.
//
// The two programs differ only in a DisplayProfile: their defaults, the dialog's
// field count, the bit of the trajectory-id flag and which menu items show which
// flag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/scene_clock.h"
#include "platform/platform.h"

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

// A menu item that shows one flag's check mark and toggles it.
struct FlagMenuItem {
    int bit = 0;     // SHOW_* bit
    int menuId = 0;  // command id of the item
};

// What differs between the two programs' settings.
struct DisplayProfile {
    DisplaySettings defaults;             // the record at start
    int fieldCount = 7;                   // dialog fields 2101 .. 2100 + fieldCount (7 or 4)
    int trajIdBit = SHOW_TRAJ_ID;         // bit of the trajectory-id flag
    std::vector<FlagMenuItem> flagItems;  // items whose marks follow flags
    int egoCenteredItem = 0;              // item marked while egoCentered is 1; 0: none
};

// The viewer: (30000, 2000, 1.5, 5.0, 0, 7), seven fields, items 51, 52, 53, 56, 54.
const DisplayProfile& plovane_display_profile();
// The labelling tool: (30000, 2000, 10.0, 5.0, 0, 3), four fields, items 51, 52, 53(id).
const DisplayProfile& vantrel_display_profile();
// The profile of the last init_display_settings (the viewer's before any).
const DisplayProfile& display_profile();

// Start values: the record from the profile's defaults, the clock settings at
// theirs (reset_clock_settings), egoCentered 0; then the check marks of window's
// menu: each flag item marked exactly when its bit is set, the ego-centred item
// exactly when egoCentered is 1. A null window or one without a menu gets no marks.
void init_display_settings(const DisplayProfile& profile, plat::Hwnd window);

// A copy of the record.
DisplaySettings GetDisplaySettings();
// Replaces the record whole.
void SetDisplaySettings(const DisplaySettings& settings);

// Whether trajectories are drawn relative to the ego vehicle (menu item 54).
int ego_centered();
void set_ego_centered(int on);  // any nonzero value stores 1

// Flips `bit` in flags, sets the check mark of menu item `id` of window exactly
// when the bit is now set, and invalidates window's client area with erase.
void ToggleDisplayFlag(plat::Hwnd window, int bit, int id);

// ---- The fields of the "Display Setting" dialog --------------------------------------

constexpr int kFirstDisplayField = 2101;  // ids run 2101 .. 2100 + fieldCount
// Characters of a field the dialog reads (a 32-byte buffer).
constexpr std::size_t kDisplayFieldMaxChars = 31;
// Most grid lines in each direction the dialog accepts.
constexpr int64_t kMaxGridLines = 10000;

// Grid lines in each direction: one every gridSizeX from -maxRangeX while not
// beyond +maxRangeX; 0 when gridSizeX <= 0 or maxRangeX < 0.
int64_t grid_lines(const DisplaySettings& settings);

// The texts of the fields in id order: maxRangeX "%d", gridSizeX "%d", yxFactor
// "%.2f", msPerMeter "%.2f", frameStep "%d", tooShortTraj "%d", drawHistory as "1"
// or "0"; the first fieldCount of them. Independent of the C locale.
std::vector<std::string> format_display_fields(const DisplaySettings& settings,
                                               const ClockSettings& clock, int fieldCount);

struct ParsedDisplayFields {
    DisplaySettings settings;  // current record with the fields' values (flags kept)
    ClockSettings clock;       // current clock settings with fields 2105, 2106
    int refusedId = 0;         // id of the first refused field; 0 when all are accepted
    std::string refusal;       // why, for a message box; empty when accepted
};

// Reads the texts of fields 2101 .. 2100 + texts.size() (at most 7), each cut to
// kDisplayFieldMaxChars, as C's conversions read them: leading blanks skipped, the
// longest numeric prefix taken, 0 when there is none; integers saturate at the
// 32-bit range; drawHistory becomes 1 for any nonzero number. Fields beyond the
// texts keep the current values. Refused: a Grid Size X, Y:X Factor or
// Millisec:Meter Factor that is not a number greater than 0 (the grid would never
// advance; the drawing divides by the factors), and a Grid Size X that makes more
// than kMaxGridLines grid lines across the range.
ParsedDisplayFields parse_display_fields(const std::vector<std::string>& texts,
                                         const DisplaySettings& current,
                                         const ClockSettings& clock);

}  // namespace render
