// The viewer's app record: the shell's record (shell/shell.h) and what only the
// viewer keeps, its real-time pacing. main() owns the one instance; the window
// procedures reach it through the main window (plovane_of).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/plots.h"
#include "import/dataset.h"
#include "shell/shell.h"

namespace shell {

// Real-time pacing of playback (Display menu "Real Time", command 57).
struct Pacing {
    bool real_time = false;
    int speed_exponent = 0;    // -4 (1/16) .. 4 (16)
    int32_t moved_ms = 0;      // scene time the last tick moved the clock
    std::uint64_t due_ms = 0;  // platform clock: when the previous tick's sleep was due to end
};

// The measurements the viewer shows (viewer/plots_window.h).
struct Measuring {
    bool mark_lead = false;     // Display menu "Mark Lead" (command 75)
    plat::Hwnd plots;           // the "Plots" window; null while closed
    analysis::PlotSet series;   // what it shows
    bool stale = true;          // the series must be computed again
    int32_t vehicle = -1;       // trajectory whose speed the fifth panel shows, -1 none
    int32_t plotted_frame = 0;  // the clock's frame its cursor was last drawn at
};

struct Plovane : Shell {
    Pacing pacing;
    // The roles of a scene opened from a recording (viewer/dataset_open.h), kept
    // for the role colours a picture run reads anew; empty for the lab's files.
    std::optional<RoleIds> dataset_roles;
    Measuring measuring;
    plat::Hwnd vehiclePanel;  // the modeless "Vehicle" panel, null while closed
    std::string traj_name;    // file name of the loaded TRAJ file, for the title
};

// The viewer's record of a shell that runs the viewer's profile.
inline Plovane& plovane_of(Shell& shell) {
    return static_cast<Plovane&>(shell);
}

}  // namespace shell
