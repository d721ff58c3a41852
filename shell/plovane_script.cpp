#include "shell/plovane_script.h"

#include <cstdio>
#include <map>

#include "data/number_text.h"
#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/headless.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "shell/frame_control.h"
#include "shell/main_window.h"
#include "shell/plovane_shell.h"

namespace shell {

namespace hl = plat::headless;

namespace {

const std::map<std::string, int>& button_ids() {
    static const std::map<std::string, int> ids = {{"Start", resources::IDC_START},
                                                   {"Stop", resources::IDC_STOP},
                                                   {"Step", resources::IDC_STEP},
                                                   {"Jump", resources::IDC_JUMP}};
    return ids;
}

const std::map<std::string, int>& key_codes() {
    static const std::map<std::string, int> keys = {
        {"Escape", plat::VK_ESCAPE}, {"Space", plat::VK_SPACE}, {"Left", plat::VK_LEFT},
        {"Right", plat::VK_RIGHT},   {"Home", plat::VK_HOME},   {"Up", plat::VK_UP},
        {"Down", plat::VK_DOWN}};
    return keys;
}

// What is wrong with a line, "" when it can run.
std::string line_fault(const ScriptLine& line) {
    const std::string& v = line.verb;
    int n = 0;
    if (v == "command") {
        const std::string id = line.rest.substr(0, line.rest.find_first_of(" \t"));
        if (!parse_whole_int(id, n) || n < 0 || n > 0xFFFF) return "command needs a number";
        return {};
    }
    if (v == "button")
        return button_ids().count(line.rest) ? "" : "button needs Start, Stop, Step or Jump";
    if (v == "frame") return {};
    if (v == "key")
        return key_codes().count(line.rest)
                   ? ""
                   : "key needs Escape, Space, Left, Right, Home, Up or Down";
    if (v == "wait")
        return parse_whole_int(line.rest, n) && n >= 0 ? "" : "wait needs a count of sleeps";
    if (v == "dump") return line.rest.empty() ? "" : "dump takes nothing";
    if (v == "snapshot") return line.rest.empty() ? "snapshot needs a file name" : "";
    return "unknown line '" + v + "'";
}

std::FILE* g_out = stdout;

int step(const ScriptLine& line) {
    const plat::Hwnd dialog = app_state().frameControl;
    if (line.verb == "command") {
        script_command(line);
    } else if (line.verb == "button") {
        if (dialog) hl::press_button(dialog, button_ids().at(line.rest));
    } else if (line.verb == "frame") {
        if (dialog) plat::set_dlg_item_text(dialog, resources::IDC_FRAME_NO, line.rest);
    } else if (line.verb == "key") {
        script_key(key_codes().at(line.rest));
    } else if (line.verb == "wait") {
        int n = 0;
        parse_whole_int(line.rest, n);
        return n;
    } else if (line.verb == "dump") {
        std::fprintf(g_out, "%s\n", plovane_dump_line().c_str());
        std::fflush(g_out);
    } else if (line.verb == "snapshot") {
        script_snapshot(line);
    }
    return 0;
}

// Loads a file as the File menu's command `id` with its dialog answered by path;
// true when the store it fills is loaded afterwards.
bool load_as_command(int id, const std::string& path, int (*loaded)()) {
    hl::queue_file_answer(path);
    plat::post_message(app_state().mainWindow, plat::WM_COMMAND, plat::make_wparam(id, 0));
    int exit_code = 0;
    DispatchPending(exit_code);
    return loaded() != 0;
}

}  // namespace

std::string plovane_dump_line() {
    const plat::Hwnd dlg = app_state().frameControl;
    auto text = [dlg](int id) { return dlg ? plat::get_dlg_item_text(dlg, id) : std::string(); };
    auto image = [dlg](int id) { return button_image_name(plat::get_button_image(dlg, id)); };
    char line[1024];
    std::snprintf(line, sizeof line,
                  "# playing=%d paused=%d frame_no=\"%s\" elapsed=\"%s\" time=\"%s\" "
                  "images=%s,%s,%s,%s current_frame=%d current_time=%d elapsed_ms=%d history=%d",
                  app_state().playing, app_state().paused, text(resources::IDC_FRAME_NO).c_str(),
                  text(resources::IDC_ELAPSED).c_str(), text(resources::IDC_TIME).c_str(),
                  image(resources::IDC_STEP), image(resources::IDC_START),
                  image(resources::IDC_STOP), image(resources::IDC_JUMP), current_frame(),
                  current_time(), elapsed_ms(), render::history_ring().appended);
    return line;
}

std::string check_plovane_script(const std::string& path, const std::vector<ScriptLine>& lines) {
    for (const ScriptLine& line : lines) {
        const std::string fault = line_fault(line);
        if (!fault.empty()) return script_error("plovane", path, line, fault);
    }
    return {};
}

int run_plovane_script(const PlovaneOptions& options, std::FILE* out) {
    std::vector<ScriptLine> lines;
    std::string error;
    if (!read_script_file(*options.script_path, lines, error)) {
        std::fprintf(stderr, "plovane: %s\n", error.c_str());
        return 2;
    }
    error = check_plovane_script(*options.script_path, lines);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }

    plat::StartOptions start;
    start.backend = "headless";
    start.command_line = true;
    if (!plat::start_platform(start)) return 1;
    free_traj_store();
    reset_pose_state();
    reset_shell();
    int status = 0;
    if (StartShell(plovane_profile())) {
        clock_settings().frameStep = options.frame_step;
        clock_settings().tooShortTraj = options.too_short;
        // A dialog the script cannot answer: Cancel, and OK for the About box.
        hl::set_dialog_script([](plat::Hwnd dlg, int) {
            hl::press_button(dlg, plat::IDCANCEL);
            hl::press_button(dlg, plat::IDOK);
        });
        bool loaded = true;
        if (options.ego_path)
            loaded = load_as_command(resources::IDM_LOAD_EGO, *options.ego_path, pose_track_loaded);
        if (loaded && options.org_path)
            loaded =
                load_as_command(resources::IDM_LOAD_ORG, *options.org_path, origin_track_loaded);
        if (loaded && options.traj_path)
            loaded =
                load_as_command(resources::IDM_LOAD_MOV, *options.traj_path, traj_store_loaded);
        if (loaded) {
            g_out = out;
            run_script(lines, &step);
            g_out = stdout;
        } else {
            status = 1;
        }
        hl::set_dialog_script(nullptr);
    }
    reset_shell();
    plat::stop_platform();
    free_traj_store();
    reset_pose_state();
    return status;
}

}  // namespace shell
