#include "shell/script.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>

#include "data/number_text.h"
#include "platform/headless.h"
#include "shell/main_window.h"

namespace shell {

namespace hl = plat::headless;

namespace {

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    const std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// A `command` line whose message has not reached the main window yet, with the
// answer for the file dialog it may open (none: the dialog is cancelled).
struct PendingCommand {
    int id = 0;
    std::optional<std::string> path;
};

}  // namespace

// Where a script stands while it runs.
struct ScriptRun {
    Shell& shell;
    const std::vector<ScriptLine>* lines = nullptr;
    const ScriptStep* step = nullptr;
    std::size_t next = 0;  // the next line to run
    int waits = 0;         // sleeps still to begin before the script resumes
    bool closed = false;   // the close was given
    bool quit = false;
    int exit_code = 0;
    std::deque<PendingCommand> commands;  // in the order the lines gave them
};

namespace {

using Run = ScriptRun;

// A command's file-dialog answer is set when the command itself reaches the main
// window, not when its line runs: inside a playback loop several lines may run
// before the loop takes their input, and each command's dialog must get its own
// line's answer only.
void on_delivery(Run& run, const plat::Msg& msg) {
    if (msg.message != plat::WM_COMMAND || msg.hwnd != run.shell.app.mainWindow) return;
    auto& commands = run.commands;
    const int id = static_cast<int>(plat::loword(msg.wparam));
    const auto it = std::find_if(commands.begin(), commands.end(),
                                 [id](const PendingCommand& c) { return c.id == id; });
    if (it == commands.end()) return;  // not a command line's (a button, a key)
    const std::optional<std::string> path = it->path;
    // Commands before it never arrived (their input was refused): they go too.
    commands.erase(commands.begin(), it + 1);
    hl::clear_file_answers();
    if (path) hl::queue_file_answer(*path);
}

void close_main_window(Run& run) {
    run.closed = true;
    hl::click_close_box(run.shell.app.mainWindow);
}

// Runs lines until one holds the script or the lines end (inside a playback
// loop, where the end of the script closes the window).
void run_lines_in_loop(Run& run) {
    while (run.next < run.lines->size()) {
        const int waits = (*run.step)((*run.lines)[run.next++]);
        if (waits > 0) {
            run.waits = waits;
            return;
        }
    }
    if (!run.closed) close_main_window(run);
}

// Each sleep of the playback code.
void on_sleep(Run& run) {
    if (run.closed) return;
    if (run.waits > 0 && --run.waits > 0) return;
    run_lines_in_loop(run);
}

bool pump(Run& run) {
    if (!DispatchPending(run.shell, run.exit_code)) run.quit = true;
    return !run.quit;
}

}  // namespace

bool read_script_file(const std::string& path, std::vector<ScriptLine>& lines, std::string& error) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    lines.clear();
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        text = trim(text);
        if (text.empty() || text[0] == '#') continue;
        ScriptLine line;
        line.number = number;
        const std::size_t space = text.find_first_of(" \t");
        line.verb = text.substr(0, space);
        if (space != std::string::npos) line.rest = trim(text.substr(space));
        lines.push_back(line);
    }
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

int run_script(Shell& shell, const std::vector<ScriptLine>& lines, const ScriptStep& step) {
    Run run{shell, nullptr, nullptr, 0, 0, false, false, 0, {}};
    run.lines = &lines;
    run.step = &step;
    run.shell.script = &run;
    hl::set_sleep_hook([&run](unsigned) { on_sleep(run); });
    hl::set_delivery_hook([&run](const plat::Msg& msg) { on_delivery(run, msg); });
    while (pump(run) && run.next < lines.size()) {
        step(lines[run.next++]);  // a wait does nothing while no loop runs
        if (!pump(run)) break;
        run.waits = 0;             // a wait still pending when its loop ended is dropped
        run.commands.clear();      // a command whose input was refused
        hl::clear_file_answers();  // a path for a command that opened no dialog
    }
    if (!run.quit && !run.closed) close_main_window(run);
    if (!run.quit) pump(run);
    hl::set_sleep_hook(nullptr);
    hl::set_delivery_hook(nullptr);
    run.shell.script = nullptr;
    return run.exit_code;
}

bool script_command(Shell& shell, const ScriptLine& line) {
    const std::size_t space = line.rest.find_first_of(" \t");
    int id = 0;
    if (!parse_whole_int(line.rest.substr(0, space), id) || id < 0 || id > 0xFFFF) return false;
    // The answer waits for the command to arrive (on_delivery); without a path the
    // dialog finds no answer and is cancelled.
    std::optional<std::string> path;
    if (space != std::string::npos) path = trim(line.rest.substr(space));
    if (shell.script)
        shell.script->commands.push_back(PendingCommand{id, path});
    else if (path)
        hl::queue_file_answer(*path);
    const plat::Hwnd main = shell.app.mainWindow;
    // A menu item is clicked; a command without one arrives as a posted command.
    if (!hl::click_menu(main, id))
        plat::post_message(main, plat::WM_COMMAND, plat::make_wparam(id, 0));
    return true;
}

bool script_snapshot(Shell& shell, const ScriptLine& line) {
    std::string error;
    const bool ok = hl::save_window_png(shell.app.mainWindow, line.rest, &error);
    if (!ok) std::fprintf(stderr, "cannot write the picture %s\n", error.c_str());
    return ok;
}

void script_key(Shell& shell, int vk, bool shift, bool ctrl) {
    if (shift) hl::set_key_down(plat::VK_SHIFT, true);
    if (ctrl) hl::set_key_down(plat::VK_CONTROL, true);
    hl::key_press(shell.app.mainWindow, vk, true);
    if (ctrl) hl::set_key_down(plat::VK_CONTROL, false);
    if (shift) hl::set_key_down(plat::VK_SHIFT, false);
}

std::string script_error(const std::string& program, const std::string& path,
                         const ScriptLine& line, const std::string& what) {
    return program + ": script " + path + " line " + std::to_string(line.number) + ": " + what;
}

}  // namespace shell
