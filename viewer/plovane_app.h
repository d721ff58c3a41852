// The viewer's window mode: `plovane [--ego FILE] [--org FILE] [--traj FILE]
// [--frame-step N] [--too-short N]` without a headless mode opens the main window
// with the files loaded as the File menu would load them (ego, org, traj).
#pragma once

#include "viewer/plovane_cli.h"

namespace shell {

// Starts the platform on a back end that shows windows (unless SCENE_PLATFORM names
// another), opens the window, loads the files and runs the message loop. Returns
// the loop's exit code (0 after Exit or the close box); 0 when the window cannot
// be made; 1, with a line on standard error, when the platform cannot start (no
// display).
int run_plovane_window(Plovane& viewer, const PlovaneOptions& options, int& argc, char** argv);

// The whole program: valid options without a headless mode (and without --help)
// open the window; everything else is the headless command line
// (plovane_cli_main), which never starts the toolkit.
int plovane_main(int argc, char** argv);

}  // namespace shell
