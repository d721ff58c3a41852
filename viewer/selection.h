// Inspecting a vehicle in the viewer: selecting a box by a click (or the ego by
// key E), the "Vehicle" panel about it, following it, the Display items Follow
// Selected, Reset View, Time From Now and Show Raw, and zooming about a point.
// The selection and the switches live in the view (render::Inspection); the panel's
// handle in the viewer's record.
#pragma once

#include <cstdint>
#include <string>

#include "data/traj_store.h"
#include "platform/platform.h"
#include "viewer/plovane.h"

namespace shell {

// Selects trajectory index (render::kSelectEgo the ego, render::kSelectNone
// clears): the panel opens (or closes on clear) and shows it, clearing turns
// Follow Selected off; the main window repaints.
void select_box(Plovane& viewer, int32_t index);
// The selection a script or the command line names: "ego", "none" or a trajectory
// id; false when no trajectory of the store has that id.
bool selection_index(const TrajStore& store, const std::string& name, int32_t& index);
// select_box of the selection named so; false (nothing changes) for an unknown id.
bool select_by_name(Plovane& viewer, const std::string& name);
// The selection as the dump line and --select name it: the trajectory id, -1 none,
// -2 the ego.
int32_t selected_id(const Shell& shell);

// A left click at client (x, y): selects the box under it (render::pick_box).
void PlovaneClick(Shell& shell, int x, int y);

// Menu item "Follow Selected" (key F): flips following, with its check mark; on
// only while something is selected.
void toggle_follow(Plovane& viewer);
// Menu item "Reset View" (key R): the start-up view for the present client size,
// the drags cleared, Follow Selected off (it would move the view away at once).
void reset_view(Shell& shell);
// Menu items "Time From Now" and "Show Raw": flip the switch and its check mark.
void toggle_time_from_now(Shell& shell);
void toggle_show_raw(Shell& shell);

// The panel's lines for the present frame (vehicle_panel_lines); nothing while it
// is closed.
void refresh_vehicle_panel(Plovane& viewer);
// Closes the panel (a new scene, the window going).
void close_vehicle_panel(Plovane& viewer);

// Before a paint: with Follow Selected on, the view's origin moves so that the
// selected box stands at the centre of a client area of that size.
void follow_selection(Shell& shell, plat::Size client);

}  // namespace shell
