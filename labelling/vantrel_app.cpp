#include "labelling/vantrel_app.h"

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "data/command_line.h"
#include "data/file_kinds.h"
#include "data/number_text.h"
#include "data/version.h"
#include "labelling/labelling.h"
#include "labelling/samples.h"
#include "labelling/vantrel.h"
#include "labelling/vantrel_shell.h"
#include "platform/headless.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/script.h"

namespace labelling {

const char* const kVantrelUsage =
    "usage: vantrel [--ego FILE] [--samples FILE] [--trajgen FILE] [--script FILE] [FILE]\n"
    "       vantrel --help | --version\n"
    "Opens the labelling tool with the files loaded (in the order ego, samples, Traj Gen).\n"
    "  FILE              an ego pose track told by its name (.nav... or .pos...); sample\n"
    "                    and Traj Gen files share .txt and need their option\n"
    "  --ego FILE        ego pose track (.nav layout when the extension starts with nav,\n"
    "                    else .pos layout)\n"
    "  --samples FILE    sample file\n"
    "  --trajgen FILE    Traj Gen file\n"
    "  --script FILE     run without a window, driven by the lines of FILE:\n"
    "                    command N [PATH], key NAME, settings ID MARGIN, play N, dump,\n"
    "                    snapshot PNG (see the README)\n"
    "  --version         print the version\n"
    "Exit status: 0 success, 1 a load or a save failed, 2 usage error (or an unknown script\n"
    "line).\n";

namespace {

namespace hl = plat::headless;
namespace ids = resources;

struct Key {
    int vk;
    bool shift, ctrl;
};

const std::map<std::string, Key>& keys() {
    static const std::map<std::string, Key> k = {
        {"PageUp", {plat::VK_PRIOR, false, false}},
        {"PageDown", {plat::VK_NEXT, false, false}},
        {"Left", {plat::VK_LEFT, false, false}},
        {"Right", {plat::VK_RIGHT, false, false}},
        {"Shift+Left", {plat::VK_LEFT, true, false}},
        {"Shift+Right", {plat::VK_RIGHT, true, false}},
        {"Delete", {plat::VK_DELETE, false, false}},
        {"A", {'A', false, false}},
        {"R", {'R', false, false}},
        {"Ctrl+D", {'D', false, true}},
        {"Ctrl+S", {'S', false, true}},
        {"Ctrl+E", {'E', false, true}},
        {"Ctrl+Y", {'Y', false, true}},
        {"Insert", {plat::VK_INSERT, false, false}},
        {"N", {'N', false, false}},
        {"Ctrl+Z", {'Z', false, true}},
        {"Ctrl+Shift+Z", {'Z', true, true}},
    };
    return k;
}

// The label keys 0 .. 9.
bool is_digit_key(const std::string& name) {
    return name.size() == 1 && name[0] >= '0' && name[0] <= '9';
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while ((i = text.find_first_not_of(" \t", i)) != std::string::npos) {
        const std::size_t end = text.find_first_of(" \t", i);
        out.push_back(text.substr(i, end == std::string::npos ? end : end - i));
        i = end;
    }
    return out;
}

std::string line_fault(const shell::ScriptLine& line) {
    const std::vector<std::string> w = words(line.rest);
    int n = 0;
    double r = 0;
    if (line.verb == "command")
        return !w.empty() && parse_whole_int(w[0], n) && n >= 0 && n <= 0xFFFF
                   ? ""
                   : "command needs a number";
    if (line.verb == "key")
        return keys().count(line.rest) || is_digit_key(line.rest)
                   ? ""
                   : "key needs PageUp, PageDown, Left, Right, Shift+Left, Shift+Right, Delete, "
                     "A, R, Ctrl+D, Ctrl+S, Ctrl+E, Ctrl+Y, 0 .. 9, Insert, N, Ctrl+Z or "
                     "Ctrl+Shift+Z";
    if (line.verb == "settings")
        return w.size() == 2 && parse_whole_int(w[0], n) && parse_whole_real(w[1], r)
                   ? ""
                   : "settings needs an identifier and a margin in seconds";
    if (line.verb == "play")
        return parse_whole_int(line.rest, n) && n >= 0 ? "" : "play needs a count of ticks";
    if (line.verb == "dump") return line.rest.empty() ? "" : "dump takes nothing";
    if (line.verb == "snapshot") return line.rest.empty() ? "snapshot needs a file name" : "";
    return "unknown line '" + line.verb + "'";
}

int step(Vantrel& app, std::FILE* out, const shell::ScriptLine& line) {
    if (line.verb == "command") {
        shell::script_command(app, line);
    } else if (line.verb == "key") {
        const Key k =
            is_digit_key(line.rest) ? Key{line.rest[0], false, false} : keys().at(line.rest);
        shell::script_key(app, k.vk, k.shift, k.ctrl);
    } else if (line.verb == "settings") {
        const std::vector<std::string> w = words(line.rest);
        hl::set_dialog_script([w](plat::Hwnd dlg, int id) {
            if (id != ids::IDD_SAMPLE_SETTINGS) return hl::press_button(dlg, plat::IDCANCEL);
            plat::set_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID, w[0]);
            plat::set_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN, w[1]);
            hl::press_button(dlg, plat::IDOK);
        });
        plat::post_message(app.app.mainWindow, plat::WM_COMMAND,
                           plat::make_wparam(ids::IDM_SAMPLE_SETTINGS, 0));
        int exit_code = 0;
        shell::DispatchPending(app, exit_code);
        hl::set_dialog_script(nullptr);
    } else if (line.verb == "play") {
        int n = 0;
        parse_whole_int(line.rest, n);
        for (int i = 0; i < n; ++i)
            if (!advance_play_step(app.session)) reset_play_step(app.session);
        plat::invalidate(app.app.mainWindow, false);
    } else if (line.verb == "dump") {
        vantrel_dump(app.session, out);
    } else if (line.verb == "snapshot") {
        shell::script_snapshot(app, line);
    }
    return 0;
}

// Loads a file as the File menu's command with its dialog answered by path.
bool load_as_command(Vantrel& app, int id, const std::string& path,
                     int (*loaded)(const LabelSession&)) {
    hl::queue_file_answer(path);
    plat::post_message(app.app.mainWindow, plat::WM_COMMAND, plat::make_wparam(id, 0));
    int exit_code = 0;
    shell::DispatchPending(app, exit_code);
    hl::clear_file_answers();
    return loaded(app.session) != 0;
}

bool load_files(Vantrel& app, const VantrelOptions& o) {
    if (o.ego_path &&
        !load_as_command(app, ids::IDM_LOAD_EGO, *o.ego_path,
                         [](const LabelSession& s) { return pose_track_loaded(s.pose); }))
        return false;
    if (o.samples_path &&
        !load_as_command(app, ids::IDM_V_LOAD_SAMPLES, *o.samples_path,
                         [](const LabelSession& s) { return samples_loaded(s.samples); }))
        return false;
    if (o.trajgen_path &&
        !load_as_command(app, ids::IDM_V_LOAD_TRAJ_GEN, *o.trajgen_path,
                         [](const LabelSession& s) { return traj_gen_loaded(s.traj_gen); }))
        return false;
    return true;
}

int run_window(Vantrel& app, const VantrelOptions& options, int& argc, char** argv) {
    plat::StartOptions start;
    start.window = true;
    if (!plat::start_platform(start, argc, argv)) {
        std::fputs(
            "vantrel: the window cannot open (it needs a display: DISPLAY, WAYLAND_DISPLAY or\n"
            "         QT_QPA_PLATFORM); without one use --script\n",
            stderr);
        return 1;
    }
    int code = 0;
    if (shell::StartShell(app, vantrel_profile())) {
        if (options.ego_path) LoadEgoCommand(app, *options.ego_path);
        if (options.samples_path) LoadSamplesCommand(app, *options.samples_path);
        if (options.trajgen_path) LoadTrajGenCommand(app, *options.trajgen_path);
        code = shell::RunMessageLoop(app);
    }
    plat::stop_platform();
    return code;
}

// A file given without an option: only an ego pose track can be told by its name;
// sample files and Traj Gen files are both .txt and are never guessed.
bool take_file_by_kind(const std::string& path, VantrelOptions& options, std::string& error) {
    switch (file_kind_by_name(path)) {
        case FileKind::EgoPose:
            if (options.ego_path) {
                error = "'" + path + "' would be a second ego pose track (--ego) after '" +
                        *options.ego_path + "'";
                return false;
            }
            options.ego_path = path;
            return true;
        case FileKind::Text:
            error = "'" + path +
                    "' may be a sample file or a Traj Gen file; name it with --samples or "
                    "--trajgen";
            return false;
        case FileKind::Dataset:
            error = "'" + path +
                    "' looks like a traffic recording: make its scene with scene-import, then "
                    "open the .nav file it writes";
            return false;
        case FileKind::Traj:
        case FileKind::Unknown:
            break;
    }
    error = "cannot tell from its name what '" + path +
            "' is: ego pose tracks end in .nav or .pos; name other files with --ego, "
            "--samples or --trajgen";
    return false;
}

}  // namespace

bool parse_vantrel_options(int argc, char** argv, VantrelOptions& options, std::string& error) {
    options = VantrelOptions{};
    cli::CommandLine line;
    line.options = {
        cli::text("--ego", options.ego_path),
        cli::text("--samples", options.samples_path),
        cli::text("--trajgen", options.trajgen_path),
        cli::text("--script", options.script_path),
        cli::flag("--help", options.help).with_alias("-h").repeatable(),
        cli::flag("--version", options.version).repeatable(),
    };
    line.positional = [&options](std::string_view path, std::string& why) {
        return take_file_by_kind(std::string(path), options, why);
    };
    return cli::parse(line, argc, argv, error);
}

namespace {

// The current sample's label; -1 without a current sample.
int current_label(const LabelSession& session) {
    const int32_t k = session.state.current_sample;
    return k >= 0 && k < session.samples.count
               ? session.samples.records[static_cast<size_t>(k)].label
               : -1;
}

// 1 while the journal beside the sample file holds edits not saved.
int journal_holds_edits(const LabelSession& session) {
    return session.journal.started && !session.journal.failed ? 1 : 0;
}

}  // namespace

void vantrel_dump(const LabelSession& session, std::FILE* out) {
    const LabelState& s = session.state;
    const TrackSampleSet& set = session.samples;
    std::fprintf(out,
                 "# count=%d current_sample=%d labelling=%d edit_mode=%d margin_s=%s "
                 "margin_poses=%d pose_period_s=%s play_step=%d play_elapsed_ms=%d "
                 "undo_sample=%d label=%d undo=%d redo=%d journal=%d\n",
                 set.count, s.current_sample, s.labelling ? 1 : 0, s.edit_mode,
                 format_fixed(s.margin_s, 6).c_str(), s.margin_poses,
                 format_fixed(s.pose_period_s, 6).c_str(), s.play_step, play_elapsed_ms(session),
                 s.undo_sample, current_label(session),
                 static_cast<int>(session.history.undo.size()),
                 static_cast<int>(session.history.redo.size()), journal_holds_edits(session));
    std::fputs(
        "index,sample_id,start_ms,end_ms,first_pose,last_pose,pose_count,label,origin_x,"
        "origin_y,frame_heading,heading_offset,active\n",
        out);
    for (int32_t k = 0; k < set.count; ++k) {
        const TrackSample& r = set.records[static_cast<size_t>(k)];
        std::fprintf(out, "%d,%d,%d,%d,%d,%d,%d,%d,%s,%s,%s,%s,%d\n", k, r.sample_id, r.start_ms,
                     r.end_ms, r.first_pose, r.last_pose, r.pose_count, r.label,
                     format_fixed(r.origin_x, 6).c_str(), format_fixed(r.origin_y, 6).c_str(),
                     format_fixed(r.frame_heading, 6).c_str(),
                     format_fixed(r.heading_offset, 6).c_str(), r.active);
    }
    std::fflush(out);
}

int run_vantrel_script(Vantrel& app, const VantrelOptions& options, std::FILE* out) {
    std::vector<shell::ScriptLine> lines;
    std::string error;
    if (!shell::read_script_file(*options.script_path, lines, error)) {
        std::fprintf(stderr, "vantrel: %s\n", error.c_str());
        return 2;
    }
    for (const shell::ScriptLine& line : lines) {
        const std::string fault = line_fault(line);
        if (!fault.empty()) {
            std::fprintf(stderr, "%s\n",
                         shell::script_error("vantrel", *options.script_path, line, fault).c_str());
            return 2;
        }
    }
    plat::StartOptions start;
    start.backend = "headless";
    start.command_line = true;
    if (!plat::start_platform(start)) return 1;
    app.ask = false;
    int status = 0;
    if (shell::StartShell(app, vantrel_profile())) {
        // Load failures of the samples are message boxes, which the command line
        // prints; the pose and Traj Gen loads print their own.
        if (load_files(app, options)) {
            shell::run_script(app, lines, [&app, out](const shell::ScriptLine& line) {
                return step(app, out, line);
            });
            if (app.save_failed) status = 1;
        } else {
            status = 1;
        }
    }
    plat::stop_platform();
    return status;
}

int vantrel_main(int argc, char** argv) {
    VantrelOptions options;
    std::string error;
    if (!parse_vantrel_options(argc, argv, options, error)) {
        std::fprintf(stderr, "vantrel: %s\n%s", error.c_str(), kVantrelUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kVantrelUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vantrel %s\n", tools_version());
        return 0;
    }
    // The program's one record; the windows reach it through the main window.
    const auto app = std::make_unique<Vantrel>();
    if (options.script_path) return run_vantrel_script(*app, options, stdout);
    return run_window(*app, options, argc, argv);
}

}  // namespace labelling
