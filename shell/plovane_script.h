// The viewer's script mode: `plovane [files] --script FILE` runs the viewer on the
// headless back end, loads the files as the File menu would, then runs the script
// (shell/script.h). Lines:
//   command N [PATH]  WM_COMMAND N to the main window; PATH answers its file dialog
//   button NAME       a click on the Frame Control button Start, Stop, Step or Jump
//   frame TEXT        the user replaces the text of the Frame # box with TEXT
//   key NAME          a key press with the main window focused: Escape, Space,
//                     Left, Right, Home, Up, Down
//   wait N            inside playback: the script resumes when N more sleeps of the
//                     playback code have begun; outside it does nothing
//   dump              one line of the playback state (plovane_dump_line)
//   snapshot PNG      the picture of the client area
// Message boxes are printed to standard error; dialogs a script cannot answer are
// cancelled.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "shell/plovane_cli.h"
#include "shell/script.h"

namespace shell {

// The line `dump` prints: `# playing=%d paused=%d frame_no="%s" elapsed="%s"
// time="%s" images=%s,%s,%s,%s current_frame=%d current_time=%d elapsed_ms=%d
// history=%d`, the images being the names of those the Step, Start, Stop and
// Jump buttons show ("-" for none; before any Frame Control dialog the texts are
// empty and every image "-").
std::string plovane_dump_line();

// Checks every line before anything runs; "" when all can run, else the reason
// with the line's number.
std::string check_plovane_script(const std::string& path, const std::vector<ScriptLine>& lines);

// The whole mode. Returns the exit status: 0 when the script ran, 1 when a load
// given on the command line failed (the script does not run), 2 when the script
// cannot be read or has a line it does not know.
int run_plovane_script(const PlovaneOptions& options, std::FILE* out);

}  // namespace shell
