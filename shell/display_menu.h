// The "Display" menu of both viewers: the check marks of the layer toggles, the
// toggles themselves, and the modal "Display Setting" dialog (2100) that edits the
// display settings (render/display_settings.h) and the clock's frame step and
// minimum trajectory length (data/scene_clock.h).
//
// The two programs differ only in a DisplayProfile: the dialog's field count and
// which menu items show which flag (their defaults are the renderer's).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/scene_clock.h"
#include "platform/platform.h"
#include "render/display_settings.h"
#include "shell/shell.h"

namespace shell {

// A menu item that shows one flag's check mark and toggles it.
struct FlagMenuItem {
    int bit = 0;     // render::SHOW_* bit
    int menuId = 0;  // command id of the item
};

// What differs between the two programs' Display menus.
struct DisplayProfile {
    int fieldCount = 8;                   // dialog fields 2101 .. 2100 + fieldCount (8 or 4)
    std::vector<FlagMenuItem> flagItems;  // items whose marks follow flags
    int egoCenteredItem = 0;              // item marked while egoCentered is 1; 0: none
};

// The viewer: eight fields, items 51, 52, 53, 56 and 54.
const DisplayProfile& plovane_display_profile();
// The labelling tool: four fields, items 51, 52 and 53.
const DisplayProfile& vantrel_display_profile();
// The profile of the shell's last set_display_marks (the viewer's before any).
const DisplayProfile& display_profile(const Shell& shell);

// The check marks at start, after the renderer set the defaults: each flag item of
// the main window's menu marked exactly when its bit is set, the ego-centred item
// exactly when egoCentered is 1. Remembers the profile for the dialog.
void set_display_marks(Shell& shell, const DisplayProfile& profile);

// Flips `bit` in flags, sets the check mark of menu item `id` of the main window
// exactly when the bit is now set, and invalidates its client area with erase.
void ToggleDisplayFlag(Shell& shell, int bit, int id);
// Menu command 53 "Time Serials" of the viewer: clears the scene's history, then
// ToggleDisplayFlag(SHOW_TIME_SERIES, 53).
void toggle_time_series(Shell& shell);
// Menu command 54 "Ego Centered": flips egoCentered, clears the history, sets
// the check mark of item 54 exactly when it is on and repaints without erase.
void toggle_ego_centered(Shell& shell);

// ---- The fields of the "Display Setting" dialog --------------------------------------

constexpr int kFirstDisplayField = 2101;  // ids run 2101 .. 2100 + fieldCount
// Characters of a field the dialog reads (a 32-byte buffer).
constexpr std::size_t kDisplayFieldMaxChars = 31;
// Most grid lines in each direction the dialog accepts.
constexpr int64_t kMaxGridLines = 10000;

// The texts of the fields in id order: maxRangeX "%d", gridSizeX "%d", yxFactor
// "%.2f", msPerMeter "%.2f", frameStep "%d", tooShortTraj "%d", drawHistory as "1"
// or "0", laneHalfWidth "%.2f"; the first fieldCount of them. Independent of the C
// locale.
std::vector<std::string> format_display_fields(const render::DisplaySettings& settings,
                                               const ClockSettings& clock, int fieldCount);

struct ParsedDisplayFields {
    render::DisplaySettings settings;  // current record with the fields' values (flags kept)
    ClockSettings clock;               // current clock settings with fields 2105, 2106
    int refusedId = 0;                 // id of the first refused field; 0 when all are accepted
    std::string refusal;               // why, for a message box; empty when accepted
};

// Reads the texts of fields 2101 .. 2100 + texts.size() (at most 8), each cut to
// kDisplayFieldMaxChars, as C's conversions read them: leading blanks skipped, the
// longest numeric prefix taken, 0 when there is none; integers saturate at the
// 32-bit range; drawHistory becomes 1 for any nonzero number. Fields beyond the
// texts keep the current values. Refused: a Grid Size X, Y:X Factor or
// Millisec:Meter Factor that is not a number greater than 0 (the grid would never
// advance; the drawing divides by the factors), a Lane Half Width that is not a
// number greater than 0, and a Grid Size X that makes more
// than kMaxGridLines grid lines across the range.
ParsedDisplayFields parse_display_fields(const std::vector<std::string>& texts,
                                         const render::DisplaySettings& current,
                                         const ClockSettings& clock);

// ---- The dialog --------------------------------------------------------------------

// Caption of the message box that refuses a field.
constexpr const char* kDisplaySettingCaption = "Display Setting";

// Procedure of dialog 2100 (the shell is the dialog's window data). WM_INITDIALOG
// fills the profile's fields (2101 ..); OK reads them: a refused field gets a
// message box naming it and the dialog stays open with the user's text; otherwise
// the view's settings and the scene's clock settings are stored, the main window
// is repainted without erase and the dialog ends with 1. Cancel and the close box
// end it with 2 and change nothing.
bool DisplaySettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);

// Runs dialog 2100 modally over the main window; returns its result (1 OK, 2 Cancel).
plat::LRESULT RunDisplaySettingDialog(Shell& shell);

}  // namespace shell
