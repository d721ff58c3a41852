// What the viewer tells about the selected vehicle: the texts of the modeless
// "Vehicle" panel (dialog 2600), one per line, for the scene's current frame.
#pragma once

#include <string>
#include <vector>

struct Scene;

namespace render {
struct View;
}

namespace shell {

// Lines of the panel, in order:
//   "Id: 27" (or "Id: ego")
//   "Role: lead" (front, lead, lag, rear or none, by the role colours' ids)
//   then, when the vehicle has a sample within a frame of current_frame:
//   "Size: 4.50 x 1.80 m"                       length x width
//   "Speed: 24.30 m/s (raw 24.00)"              cleaned, and as read
//   "Heading: 90.0 deg (world)"                 world heading, from the x axis
//   "Ego frame: lat 3.50 m, lon 21.40 m"        position in the ego's frame
//   "Gap: 15.20 m ahead" / "behind" / "alongside"  bumper to bumper along the
//                                               ego's heading
//   else "not visible at this frame";
//   "Time: 10:30:00:100 frame 5001"             the clock's time and frame
//   "Frames: 5000 .. 6199, 1200 samples"        of the trajectory (not for the ego)
// Nothing without a selection.
std::vector<std::string> vehicle_panel_lines(const Scene& scene, const render::View& view);

// Signed bumper-to-bumper gap (metres) along the ego's heading between the ego car
// and a box at ego-frame position lon (metres along the ego) with ego-frame heading
// (hx, hy), length and width: positive ahead of the front bumper, negative behind
// the rear bumper, 0 when they overlap along the heading.
double bumper_gap(double lon, double hx, double hy, double length, double width);

}  // namespace shell
