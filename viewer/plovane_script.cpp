#include "viewer/plovane_script.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include "analysis/measure.h"
#include "data/number_text.h"
#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/headless.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "shell/frame_control.h"
#include "shell/main_window.h"
#include "viewer/dataset_open.h"
#include "viewer/plots_window.h"
#include "viewer/plovane_shell.h"
#include "viewer/selection.h"

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
    static const std::map<std::string, int> keys = {{"Escape", plat::VK_ESCAPE},
                                                    {"Space", plat::VK_SPACE},
                                                    {"Left", plat::VK_LEFT},
                                                    {"Right", plat::VK_RIGHT},
                                                    {"Home", plat::VK_HOME},
                                                    {"Up", plat::VK_UP},
                                                    {"Down", plat::VK_DOWN},
                                                    {"Return", plat::VK_RETURN},
                                                    {"E", 'E'},
                                                    {"F", 'F'},
                                                    {"R", 'R'}};
    return keys;
}

// "X Y": two whole numbers.
// The whole numbers of a line's rest, separated by blanks; false unless there are
// exactly `count` and each fits a 16-bit client coordinate.
bool ints16(const std::string& text, int* out, int count) {
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t begin = text.find_first_not_of(" \t", at);
        if (begin == std::string::npos) return false;
        at = text.find_first_of(" \t", begin);
        if (!parse_whole_int(text.substr(begin, at - begin), out[i]) || out[i] < -32768 ||
            out[i] > 32767)
            return false;
    }
    return at == std::string::npos || text.find_first_not_of(" \t", at) == std::string::npos;
}
bool two_ints(const std::string& text, int& x, int& y) {
    int v[2] = {0, 0};
    if (!ints16(text, v, 2)) return false;
    x = v[0];
    y = v[1];
    return true;
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
                   : "key needs Escape, Space, Left, Right, Home, Up, Down, Return, E, F or R";
    if (v == "click") {
        int x = 0, y = 0;
        return two_ints(line.rest, x, y) ? "" : "click needs X Y";
    }
    if (v == "wheel") {
        // Notches within what a 16-bit wheel delta holds.
        int w[3] = {0, 0, 0};
        return ints16(line.rest, w, 3) && std::abs(w[0]) * plat::kWheelNotch <= 32767
                   ? ""
                   : "wheel needs N X Y (notches, positive zooms in)";
    }
    if (v == "select") return line.rest.empty() ? "select needs an id, ego or none" : "";
    if (v == "wait")
        return parse_whole_int(line.rest, n) && n >= 0 ? "" : "wait needs a count of sleeps";
    if (v == "dump") return line.rest.empty() ? "" : "dump takes nothing";
    if (v == "snapshot") return line.rest.empty() ? "snapshot needs a file name" : "";
    if (v == "plot") {
        int x = 0, y = 0;
        return two_ints(line.rest, x, y) ? "" : "plot needs client X and Y";
    }
    return "unknown line '" + v + "'";
}

int step(Plovane& viewer, std::FILE* out, const ScriptLine& line) {
    const plat::Hwnd dialog = viewer.app.frameControl;
    if (line.verb == "command") {
        script_command(viewer, line);
    } else if (line.verb == "button") {
        if (dialog) hl::press_button(dialog, button_ids().at(line.rest));
    } else if (line.verb == "frame") {
        if (dialog) plat::set_dlg_item_text(dialog, resources::IDC_FRAME_NO, line.rest);
    } else if (line.verb == "key") {
        const int vk = key_codes().at(line.rest);
        // Return is typed in the Frame # box: the back ends hand it to its dialog.
        if (vk == plat::VK_RETURN) {
            if (dialog) hl::key_press(dialog, vk, true);
        } else {
            script_key(viewer, vk);
        }
    } else if (line.verb == "click") {
        int x = 0, y = 0;
        two_ints(line.rest, x, y);
        hl::mouse_down(viewer.app.mainWindow, hl::Button::Left, x, y);
        hl::mouse_up(viewer.app.mainWindow, hl::Button::Left, x, y);
    } else if (line.verb == "select") {
        if (!select_by_name(viewer, line.rest))
            std::fprintf(stderr, "plovane: no trajectory %s to select\n", line.rest.c_str());
    } else if (line.verb == "wait") {
        int n = 0;
        parse_whole_int(line.rest, n);
        return n;
    } else if (line.verb == "dump") {
        std::fprintf(out, "%s\n", plovane_dump_line(viewer).c_str());
        std::fflush(out);
    } else if (line.verb == "snapshot") {
        script_snapshot(viewer, line);
    } else if (line.verb == "wheel") {
        int w[3] = {0, 0, 0};
        ints16(line.rest, w, 3);
        hl::mouse_wheel(viewer.app.mainWindow, w[0] * plat::kWheelNotch, w[1], w[2]);
    } else if (line.verb == "plot") {
        int x = 0, y = 0;
        two_ints(line.rest, x, y);
        if (viewer.measuring.plots) hl::mouse_down(viewer.measuring.plots, hl::Button::Left, x, y);
    }
    return 0;
}

// Loads a file as the File menu's command `id` with its dialog answered by path;
// true when the store it fills is loaded afterwards.
bool load_as_command(Shell& shell, int id, const std::string& path,
                     const std::function<int(const Scene&)>& loaded) {
    hl::queue_file_answer(path);
    plat::post_message(shell.app.mainWindow, plat::WM_COMMAND, plat::make_wparam(id, 0));
    int exit_code = 0;
    DispatchPending(shell, exit_code);
    return loaded(shell.scene) != 0;
}

}  // namespace

std::string plovane_dump_line(const Shell& viewer) {
    const plat::Hwnd dlg = viewer.app.frameControl;
    const TrajStore& st = viewer.scene.store;
    auto text = [dlg](int id) { return dlg ? plat::get_dlg_item_text(dlg, id) : std::string(); };
    auto image = [&viewer, dlg](int id) {
        return button_image_name(viewer, plat::get_button_image(dlg, id));
    };
    char line[1024];
    std::snprintf(line, sizeof line,
                  "# playing=%d paused=%d frame_no=\"%s\" elapsed=\"%s\" time=\"%s\" "
                  "images=%s,%s,%s,%s current_frame=%d current_time=%d elapsed_ms=%d history=%d "
                  "selected=%d follow=%d raw=%d",
                  viewer.app.playing, viewer.app.paused, text(resources::IDC_FRAME_NO).c_str(),
                  text(resources::IDC_ELAPSED).c_str(), text(resources::IDC_TIME).c_str(),
                  image(resources::IDC_STEP), image(resources::IDC_START),
                  image(resources::IDC_STOP), image(resources::IDC_JUMP), st.current_frame,
                  st.current_time, elapsed_ms(st), viewer.scene.history.appended,
                  selected_id(viewer), viewer.view.inspect.follow ? 1 : 0,
                  viewer.view.inspect.show_raw ? 1 : 0);
    return line + analysis::dump_text(
                      analysis::measure_now(viewer.scene, viewer.view.settings.laneHalfWidth));
}

std::string check_plovane_script(const std::string& path, const std::vector<ScriptLine>& lines) {
    for (const ScriptLine& line : lines) {
        const std::string fault = line_fault(line);
        if (!fault.empty()) return script_error("plovane", path, line, fault);
    }
    return {};
}

int run_plovane_script(Plovane& viewer, const PlovaneOptions& options, std::FILE* out) {
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
    int status = 0;
    if (StartShell(viewer, plovane_profile())) {
        viewer.scene.clock.frameStep = options.frame_step;
        viewer.scene.clock.tooShortTraj = options.too_short;
        viewer.view.settings.laneHalfWidth = options.lane_half_width;
        // A dialog the script cannot answer: Cancel, and OK for the About box.
        hl::set_dialog_script([](plat::Hwnd dlg, int) {
            hl::press_button(dlg, plat::IDCANCEL);
            hl::press_button(dlg, plat::IDOK);
        });
        bool loaded = true;
        // A recording's scene loads for --ego-id or the longest-lived vehicle, with
        // no vehicle list to answer.
        if (options.dataset_path) {
            std::string ego;
            loaded = choose_dataset_ego(options, ego) &&
                     OpenDatasetCommand(viewer, *options.dataset_path, ego) == 1;
        }
        if (options.ego_path)
            loaded = load_as_command(viewer, resources::IDM_LOAD_EGO, *options.ego_path,
                                     [](const Scene& s) { return pose_track_loaded(s.pose); });
        if (loaded && options.org_path)
            loaded = load_as_command(viewer, resources::IDM_LOAD_ORG, *options.org_path,
                                     [](const Scene& s) { return origin_track_loaded(s.origin); });
        if (loaded && options.traj_path)
            loaded = load_as_command(viewer, resources::IDM_LOAD_MOV, *options.traj_path,
                                     [](const Scene& s) { return traj_store_loaded(s.store); });
        if (loaded) {
            run_script(viewer, lines,
                       [&viewer, out](const ScriptLine& line) { return step(viewer, out, line); });
        } else {
            status = 1;
        }
        hl::set_dialog_script(nullptr);
    }
    plat::stop_platform();
    return status;
}

}  // namespace shell
