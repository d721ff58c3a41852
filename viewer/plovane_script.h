// The viewer's script mode: `plovane [files] --script FILE` runs the viewer on the
// headless back end, loads the files as the File menu would, then runs the script
// (shell/script.h). Lines:
//   command N [PATH]  WM_COMMAND N to the main window; PATH answers its file dialog
//   button NAME       a click on the Frame Control button Start, Stop, Step or Jump
//   frame TEXT        the user replaces the text of the Frame # box with TEXT
//   key NAME          a key press with the main window focused: Escape, Space,
//                     Left, Right, Home, Up, Down, E, F, R; Return is typed in the
//                     Frame # box
//   click X Y         a left press and release at client (X, Y)
//   wheel N X Y       N notches of the wheel (positive zooms in) at client (X, Y)
//   select ID         selects trajectory ID (ego: the ego, none: clears)
//   wait N            inside playback: the script resumes when N more sleeps of the
//                     playback code have begun; outside it does nothing
//   dump              one line of the playback state (plovane_dump_line)
//   snapshot PNG      the picture of the client area
//   plot X Y          a click in the plots window at client X, Y (nothing when closed)
// Message boxes are printed to standard error; dialogs a script cannot answer are
// cancelled.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "shell/script.h"
#include "viewer/plovane_cli.h"

namespace shell {

// The line `dump` prints: `# playing=%d paused=%d frame_no="%s" elapsed="%s"
// time="%s" images=%s,%s,%s,%s current_frame=%d current_time=%d elapsed_ms=%d
// history=%d selected=%d follow=%d raw=%d lead=%d gap=%.3f thw=%.3f ttc=%.3f`
// (selected: the trajectory id, -1 none, -2 the ego; lead -1 and empty numbers for
// none, analysis::dump_text), the images being the names of those the Step, Start, Stop and
// Jump buttons show ("-" for none; before any Frame Control dialog the texts are
// empty and every image "-").
std::string plovane_dump_line(const Shell& viewer);

// Checks every line before anything runs; "" when all can run, else the reason
// with the line's number.
std::string check_plovane_script(const std::string& path, const std::vector<ScriptLine>& lines);

// The whole mode. Returns the exit status: 0 when the script ran, 1 when a load
// given on the command line failed (the script does not run), 2 when the script
// cannot be read or has a line it does not know.
int run_plovane_script(Plovane& viewer, const PlovaneOptions& options, std::FILE* out);

}  // namespace shell
