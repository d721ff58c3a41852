// The scene painter of the viewer: grid, axes, the history of earlier boxes, every
// vehicle visible at the current frame and the ego car, painted off screen and
// copied to the window in one step. Also the renderer's start-up and shutdown.
#pragma once

#include "platform/platform.h"

namespace render {

// Paints the whole client area (client.width x client.height pixels) of the main
// window into `target`, through an off-screen picture copied once at the end.
// Called for WM_PAINT between begin_paint and end_paint. Without a pose track or
// without trajectories only the grid and axes are drawn and the history is left
// alone. A client size of zero in either direction draws nothing.
void paint_scene(plat::Dc target, plat::Size client);

// Start-up of the renderer, once, while the main window is created: display-setting
// defaults and check marks of the window's menu, the drawing resources, the zero
// model pose, the role colours from "trajcolset.ini", the per-trajectory table.
void renderer_startup(plat::Hwnd main_window);
// Deletes the drawing resources, then the role-colour pens and brush. Safe to call
// without a start-up and twice.
void renderer_shutdown();

// Empties the history ring (entries stay in memory but are no longer drawn).
void clear_history();
// Menu command 53 "Time Serials": clears the history, flips SHOW_TIME_SERIES, sets
// the check mark of item 53 and repaints `hwnd` with erase.
void toggle_time_series(plat::Hwnd hwnd);
// Menu command 54 "Ego Centered": flips egoCentered, clears the history and sets the
// check mark of item 54 exactly when it is on. Requests no repaint.
void toggle_ego_centered(plat::Hwnd hwnd);

}  // namespace render
