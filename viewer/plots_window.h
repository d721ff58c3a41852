// The viewer's measurements on screen: the live line and the lead's mark over the
// scene picture, Display -> "Mark Lead" (command 75), and Display -> "Plots"
// (command 76), a modeless window of time plots over the whole scene
// (analysis/plots.h) whose cursor follows the clock and where a click seeks the
// scene as Jump does.
#pragma once

#include "platform/platform.h"
#include "viewer/plovane.h"

namespace shell {

constexpr const char* kPlotsClass = "PlovanePlotsClass";
constexpr const char* kPlotsTitle = "Plots";
constexpr int kPlotsWidth = 720;  // pixels, the window's first size
constexpr int kPlotsHeight = 560;

// The speed plot of the vehicle the user selected, when one is: the trajectory
// index whose speed the plots window shows as a fifth panel, -1 for none (nothing
// or the ego selected).
int32_t selected_vehicle_for_plots(const Plovane& viewer);

// WM_PAINT of the viewer: the scene, then with a scene loaded the lead's mark (when
// "Mark Lead" is on) and the live line, through one off-screen picture; the
// history recorded once per frame; the plots window asked to repaint when the
// clock has moved since it last drew.
void paint_plovane_measured(Plovane& viewer, plat::Dc dc, plat::Size client);

// Command 75: flips the lead mark, sets its check mark, repaints.
void toggle_mark_lead(Plovane& viewer);
// Command 76: opens the plots window, or brings it up when open.
void open_plots_window(Plovane& viewer);
// After a load or a Display Setting: the series is computed again when the plots
// window next paints.
void measurements_changed(Plovane& viewer);

// A click in the plots window at client (x, y): seeks to the row under it through
// jump_to_frame. False when the window is not open or the point is in no panel.
bool click_plots(Plovane& viewer, int x, int y);

}  // namespace shell
