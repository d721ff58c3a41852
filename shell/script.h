// Scripts of the viewers' headless mode: a user's session written down, one
// input a line, run on the headless back end.
//
// Every line is input the user gives (a click, typing, a key press, a menu
// command), posted to the message queue as that input would be, never handled at
// once. While no playback loop runs, the runner then processes the queue until it
// is empty, as the main loop would, before it reads the next line. While a loop
// runs, the runner goes on inside the loop's sleeps: the loop takes the input at
// its next pass, and a line that holds the script (a wait) lets that many sleeps
// begin before the script resumes inside the last of them. When the script ends,
// the main window is closed as its close box would close it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/shell.h"

namespace shell {

struct ScriptLine {
    int number = 0;    // line number in the file, from 1
    std::string verb;  // first word
    std::string rest;  // what follows the first word and its blanks, trailing blanks cut
};

// Reads a script: blank lines and lines starting with '#' are skipped. False,
// with error set ("cannot read FILE"), when the file cannot be read.
bool read_script_file(const std::string& path, std::vector<ScriptLine>& lines, std::string& error);

// What a line does: the number of playback sleeps to wait for (a `wait N` line),
// else 0.
using ScriptStep = std::function<int(const ScriptLine&)>;

// Runs the lines with the main window of the shell. Returns the main loop's exit
// code once the window has closed.
int run_script(Shell& shell, const std::vector<ScriptLine>& lines, const ScriptStep& step);

// Steps every viewer's script knows.
// `command N [PATH]`: WM_COMMAND N to the main window, as a menu click; PATH
// answers the file dialog the command opens (without it, the dialog is cancelled).
// False when N is no command number.
bool script_command(Shell& shell, const ScriptLine& line);
// `snapshot PNG`: the picture of the client area as last painted. False, with a
// line on standard error, when it cannot be written.
bool script_snapshot(Shell& shell, const ScriptLine& line);
// A key press to the main window: WM_KEYDOWN and WM_KEYUP of vk, with the
// modifier keys held as given (Shift, Ctrl) for its duration.
void script_key(Shell& shell, int vk, bool shift = false, bool ctrl = false);

// "plovane: script FILE line N: what" for a line that cannot run.
std::string script_error(const std::string& program, const std::string& path,
                         const ScriptLine& line, const std::string& what);

}  // namespace shell
