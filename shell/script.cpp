#include "shell/script.h"

#include <fstream>

#include "data/atomic_file.h"
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

// Where a script stands while it runs.
struct Run {
    const std::vector<ScriptLine>* lines = nullptr;
    const ScriptStep* step = nullptr;
    std::size_t next = 0;  // the next line to run
    int waits = 0;         // sleeps still to begin before the script resumes
    bool closed = false;   // the close was given
    bool quit = false;
    int exit_code = 0;
};
Run* g_run = nullptr;

void close_main_window() {
    g_run->closed = true;
    hl::click_close_box(app_state().mainWindow);
}

// Runs lines until one holds the script or the lines end (inside a playback
// loop, where the end of the script closes the window).
void run_lines_in_loop() {
    Run& run = *g_run;
    while (run.next < run.lines->size()) {
        const int waits = (*run.step)((*run.lines)[run.next++]);
        if (waits > 0) {
            run.waits = waits;
            return;
        }
    }
    if (!run.closed) close_main_window();
}

// Each sleep of the playback code.
void on_sleep(unsigned) {
    if (!g_run || g_run->closed) return;
    if (g_run->waits > 0 && --g_run->waits > 0) return;
    run_lines_in_loop();
}

bool pump() {
    if (!DispatchPending(g_run->exit_code)) g_run->quit = true;
    return !g_run->quit;
}

}  // namespace

bool read_script_file(const std::string& path, std::vector<ScriptLine>& lines, std::string& error) {
    std::ifstream in(path, std::ios::binary);
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

int run_script(const std::vector<ScriptLine>& lines, const ScriptStep& step) {
    Run run;
    run.lines = &lines;
    run.step = &step;
    g_run = &run;
    hl::set_sleep_hook(&on_sleep);
    while (pump() && run.next < lines.size()) {
        step(lines[run.next++]);  // a wait does nothing while no loop runs
        if (!pump()) break;
        run.waits = 0;             // a wait still pending when its loop ended is dropped
        hl::clear_file_answers();  // a path for a command that opened no dialog
    }
    if (!run.quit && !run.closed) close_main_window();
    if (!run.quit) pump();
    hl::set_sleep_hook(nullptr);
    g_run = nullptr;
    return run.exit_code;
}

bool script_command(const ScriptLine& line) {
    const std::size_t space = line.rest.find_first_of(" \t");
    int id = 0;
    if (!parse_whole_int(line.rest.substr(0, space), id) || id < 0 || id > 0xFFFF) return false;
    // Without a path the dialog finds no answer and is cancelled.
    if (space != std::string::npos) hl::queue_file_answer(trim(line.rest.substr(space)));
    const plat::Hwnd main = app_state().mainWindow;
    // A menu item is clicked; a command without one arrives as a posted command.
    if (!hl::click_menu(main, id))
        plat::post_message(main, plat::WM_COMMAND, plat::make_wparam(id, 0));
    return true;
}

bool script_snapshot(const ScriptLine& line) {
    std::string error;
    const bool ok = write_file_atomically(
        line.rest,
        [](const std::string& temp) { return hl::save_window_png(app_state().mainWindow, temp); },
        &error);
    if (!ok) std::fprintf(stderr, "cannot write the picture %s\n", line.rest.c_str());
    return ok;
}

void script_key(int vk, bool shift, bool ctrl) {
    if (shift) hl::set_key_down(plat::VK_SHIFT, true);
    if (ctrl) hl::set_key_down(plat::VK_CONTROL, true);
    hl::key_press(app_state().mainWindow, vk, true);
    if (ctrl) hl::set_key_down(plat::VK_CONTROL, false);
    if (shift) hl::set_key_down(plat::VK_SHIFT, false);
}

std::string script_error(const std::string& program, const std::string& path,
                         const ScriptLine& line, const std::string& what) {
    return program + ": script " + path + " line " + std::to_string(line.number) + ": " + what;
}

}  // namespace shell
