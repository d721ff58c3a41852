#include "labelling/vantrel_shell.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "data/number_text.h"
#include "data/text_input.h"
#include "labelling/edits.h"
#include "labelling/labelling.h"
#include "labelling/sample_painter.h"
#include "labelling/samples.h"
#include "labelling/status_text.h"
#include "labelling/vantrel.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"
#include "shell/display_menu.h"
#include "shell/frame_control.h"
#include "shell/load_progress.h"
#include "shell/scene_loads.h"

namespace labelling {

namespace {

namespace ids = resources;

constexpr std::size_t kSettingsFieldMaxChars = 79;
constexpr std::size_t kLabelNamesMaxChars = 4095;

plat::Hwnd main_window(const Vantrel& app) {
    return app.app.mainWindow;
}

// The picture and its status line, and the title with the file and its star.
void redraw(const Vantrel& app) {
    plat::set_window_text(main_window(app), window_title(app.session));
    plat::invalidate(main_window(app), true);
}

// The sample save's base: a name typed with the dialog's own extension is taken
// without it, so that "run1.txt" writes run1.txt and run10.nav, not run1.txt.txt.
std::string save_base(const std::string& chosen) {
    constexpr std::string_view kExtension = ".txt";
    if (chosen.size() > kExtension.size() &&
        chosen.compare(chosen.size() - kExtension.size(), kExtension.size(), kExtension) == 0)
        return chosen.substr(0, chosen.size() - kExtension.size());
    return chosen;
}

// "labels.txt" beside the sample file names the labels; none: no names.
std::vector<std::string> labels_beside(const std::string& sample_path) {
    const size_t slash = sample_path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : sample_path.substr(0, slash + 1);
    TextBuffer text;
    if (read_text_file(folder + "labels.txt", text, nullptr) != ReadTextStatus::Ok) return {};
    return parse_label_names(text.view());
}

// The overlaps a sample load cut back, told to the user (standard error in the
// script mode, where message boxes go there).
void report_shortened(const Vantrel& app, const std::vector<ShortenedSample>& shortened) {
    if (shortened.empty()) return;
    std::string text = std::to_string(shortened.size()) +
                       (shortened.size() == 1 ? " sample ends" : " samples end") +
                       " after the next one starts and " +
                       (shortened.size() == 1 ? "was" : "were") +
                       " shortened to end 100 ms before it:";
    for (const ShortenedSample& s : shortened)
        text += "\nsample " + std::to_string(s.sample_id) + ": end " +
                std::to_string(s.old_end_ms) + " ms (" + time_of_day(s.old_end_ms) + ") -> " +
                std::to_string(s.new_end_ms) + " ms (" + time_of_day(s.new_end_ms) + ")";
    plat::message_box(main_window(app), text, "Vantrel");
}

// A journal of edits not saved, newer than the file just loaded, is offered back.
void offer_journal(Vantrel& app, const std::string& path) {
    if (!journal_is_newer(path)) return;
    if (plat::message_box(main_window(app),
                          "Unsaved edits of " + path + " were kept in its journal. Restore them?",
                          "Vantrel", plat::MessageButtons::YesNo) != plat::IDYES)
        return;
    const int applied = restore_journal(app.session);
    if (applied > 0)
        app.session.state.last_action =
            "restored " + std::to_string(applied) + (applied == 1 ? " edit" : " edits");
}

std::optional<std::string> ask_path(const Vantrel& app, const plat::FileDialogOptions& options,
                                    const std::optional<std::string>& given, bool save = false) {
    if (given) return given;
    return save ? plat::save_file_dialog(main_window(app), options)
                : plat::open_file_dialog(main_window(app), options);
}

plat::FileDialogOptions sample_dialog_options(const char* title) {
    plat::FileDialogOptions o;
    o.title = title;
    o.filters = {{"TXT data file(*.txt)", "*.txt*"}, {"All files(*.*)", "*.*"}};
    o.must_exist = true;
    return o;
}

plat::FileDialogOptions traj_gen_dialog_options() {
    plat::FileDialogOptions o;
    o.title = "Load Traj Gen";
    o.filters = {{"Traj Gen(*.txt)", "*.txt"}};
    o.must_exist = true;
    return o;
}

// A user of the window does not see the standard error stream.
void show_failure(const Vantrel& app, const std::string& message) {
    plat::message_box(main_window(app), message, "Error");
}

// After a load of the ego track or the samples: the new picture, and a fresh frame
// control once both are there.
void after_load(Vantrel& app) {
    plat::invalidate(main_window(app), false);
    if (pose_track_loaded(app.session.pose) && samples_loaded(app.session.samples)) {
        shell::DestroyFrameControl(app);
        shell::CreateFrameControl(app);
    }
}

// Item 60 + edit_mode loses its mark, edit_mode becomes mode, item 60 + mode gets it.
void mark_edit_mode(Vantrel& app, int mode) {
    LabelState& state = app.session.state;
    const plat::Hmenu menu = plat::get_menu(main_window(app));
    plat::check_menu_item(menu, ids::IDM_LABELLING + state.edit_mode, false);
    if (mode == 1)
        state.edit_mode = 1;
    else
        set_edit_mode(app.session, mode);
    plat::check_menu_item(menu, ids::IDM_LABELLING + mode, true);
}

// Delete: the current sample is deleted and the next one becomes current.
void delete_and_move_on(LabelSession& session) {
    run_edit(session, "deleted", [](LabelSession& s) {
        delete_sample(s);
        next_sample(s);
    });
}

void open_sample_settings(Vantrel& app) {
    const LabelSession& session = app.session;
    if (!session.state.labelling || !pose_track_loaded(session.pose) ||
        !samples_loaded(session.samples))
        return;
    plat::dialog_box(ids::IDD_SAMPLE_SETTINGS, main_window(app), &SampleSettingsProc);
}

// ---- the frame control's form ----

void show_step(Vantrel& app, plat::Hwnd dlg, bool keep_typed) {
    shell::show_frame_number(app, dlg, format_int(int64_t{app.session.state.play_step} - 1),
                             keep_typed);
    plat::set_dlg_item_text(dlg, ids::IDC_ELAPSED, format_int(play_elapsed_ms(app.session) / 1000));
}

void refresh_texts(shell::Shell& shell, plat::Hwnd dlg) {
    show_step(vantrel_of(shell), dlg, true);
}

void tick(shell::Shell& shell) {
    LabelSession& session = vantrel_of(shell).session;
    if (!advance_play_step(session)) reset_play_step(session);
}

unsigned tick_sleep(shell::Shell&, bool, std::uint64_t) {
    return shell::kTickSleepMs;
}

// Jump: the overview to the step Frame # names (Frame # shows step - 1).
void jump(shell::Shell& shell, plat::Hwnd dlg) {
    Vantrel& app = vantrel_of(shell);
    const int32_t frame = parse_int(plat::get_dlg_item_text(dlg, ids::IDC_FRAME_NO, 79));
    app.session.state.play_step = std::max<int32_t>(0, frame == INT32_MAX ? frame : frame + 1);
    plat::invalidate(main_window(app), false);
    show_step(app, dlg, false);
}

const shell::PlaybackProfile& playback_profile() {
    static const shell::PlaybackProfile profile = [] {
        shell::PlaybackProfile p;
        p.refresh_texts = &refresh_texts;
        p.tick = &tick;
        p.tick_sleep = &tick_sleep;
        p.jump = &jump;
        p.accelerators = true;
        return p;
    }();
    return profile;
}

// ---- start-up, shutdown and the profile's hooks ----

void vantrel_startup(shell::Shell& shell) {
    vantrel_renderer_startup(shell.view);
    shell::set_display_marks(shell, shell::vantrel_display_profile());
}

void vantrel_shutdown(shell::Shell& shell) {
    Vantrel& app = vantrel_of(shell);
    vantrel_renderer_shutdown(app.view);
    free_labelling_stores(app.session);
    app.session.state.play_step = 0;
}

void paint(shell::Shell& shell, plat::Dc dc, plat::Size client) {
    paint_vantrel(vantrel_of(shell).session, shell.view, dc, client);
}

void command(shell::Shell& shell, int id) {
    VantrelCommand(vantrel_of(shell), id);
}

void key(shell::Shell& shell, int vk) {
    VantrelKey(vantrel_of(shell), vk);
}

bool may_close(shell::Shell& shell) {
    return may_lose_edits(vantrel_of(shell), main_window(vantrel_of(shell)));
}

shell::ShellProfile make_profile() {
    shell::ShellProfile p;
    p.className = "VantrelClass";
    p.title = "Vantrel";
    p.width = 720;
    p.height = 480;
    p.menuId = ids::IDR_MAIN_MENU;
    p.iconId = ids::IDI_APP;
    p.accelTableId = ids::IDR_ACCELERATORS;
    p.initialScale = render::kVantrelInitialScale;
    p.resources = &vantrel_resources();
    p.startup = &vantrel_startup;
    p.shutdown = &vantrel_shutdown;
    p.paint = &paint;
    p.command = &command;
    p.key = &key;
    p.playback = &playback_profile();
    p.may_close = &may_close;
    return p;
}

}  // namespace

const plat::ResourceSet& vantrel_resources() {
    static const plat::ResourceSet set = [] {
        plat::ResourceSet s = resources::vantrel();
        s.dialogs.push_back(shell::load_progress_template());
        return s;
    }();
    return set;
}

const shell::ShellProfile& vantrel_profile() {
    static const shell::ShellProfile profile = make_profile();
    return profile;
}

bool may_lose_edits(Vantrel& app, plat::Hwnd owner) {
    if (!app.ask || !app.session.state.unsaved || !samples_loaded(app.session.samples)) return true;
    switch (plat::message_box(owner, "Save changes to the samples?", "Vantrel",
                              plat::MessageButtons::SaveDiscardCancel)) {
        case plat::IDYES:
            return SaveSamplesCommand(app);
        case plat::IDNO:
            // Edits given up are not offered back at the next start.
            discard_journal(app.session);
            return true;
        default:
            return false;
    }
}

int LoadEgoCommand(Vantrel& app, const std::optional<std::string>& path) {
    if (!may_lose_edits(app, main_window(app))) return 0;
    const std::optional<std::string> chosen = ask_path(app, shell::ego_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    std::string failure;
    {
        shell::LoadProgressWindow progress(main_window(app), *chosen);
        loaded = load_vantrel_pose_track(app.session, *chosen, &failure, progress.callback());
    }
    if (!loaded) {
        show_failure(app, failure);
        return 0;
    }
    update_pose_period(app.session);
    refresh_all_samples(app.session);
    after_load(app);
    return 1;
}

int LoadSamplesCommand(Vantrel& app, const std::optional<std::string>& path) {
    if (!may_lose_edits(app, main_window(app))) return 0;
    const std::optional<std::string> chosen =
        ask_path(app, sample_dialog_options("Load Sample File"), path);
    std::vector<ShortenedSample> shortened;
    if (!chosen ||
        !load_sample_file(app.session.samples, *chosen, shell::error_sink(app), &shortened))
        return 0;
    LabelSession& session = app.session;
    refresh_all_samples(session);
    whole_track_record_from_traj_gen(session);
    session.state.unsaved = false;
    session.state.shortened_on_load = static_cast<int32_t>(shortened.size());
    session.sample_path = *chosen;
    session.label_names = labels_beside(*chosen);
    start_edit_history(session, *chosen);
    report_shortened(app, shortened);
    offer_journal(app, *chosen);
    after_load(app);
    redraw(app);
    return 1;
}

int LoadTrajGenCommand(Vantrel& app, const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(app, traj_gen_dialog_options(), path);
    if (!chosen) return 0;
    std::string failure;
    if (!load_traj_gen(app.session.traj_gen, *chosen, &failure)) {
        show_failure(app, failure);
        return 0;
    }
    whole_track_record_from_traj_gen(app.session);
    return 1;
}

bool SaveSamplesCommand(Vantrel& app, const std::optional<std::string>& base) {
    if (!samples_loaded(app.session.samples)) return false;
    plat::FileDialogOptions options = sample_dialog_options("Save Sample File");
    options.must_exist = false;
    const std::optional<std::string> chosen = ask_path(app, options, base, true);
    if (!chosen) return false;
    const std::string name = save_base(*chosen);
    const SaveOutcome outcome = save_samples(app.session, name);
    if (!outcome.saved) {
        app.save_failed = true;
        plat::message_box(plat::Hwnd{}, "Open file failure.\n" + outcome.failure,
                          outcome.failure_caption);
        return false;
    }
    app.session.state.unsaved = false;
    app.session.sample_path = name + ".txt";
    journal_saved(app.session, app.session.sample_path);
    app.session.state.last_action = "saved " + name + ".txt";
    redraw(app);
    return true;
}

bool SampleSettingsProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    if (message != plat::WM_INITDIALOG && message != plat::WM_COMMAND) return false;
    LabelSession& session = vantrel_of(shell::shell_of(dlg)).session;
    const LabelState& state = session.state;
    if (message == plat::WM_INITDIALOG) {
        const TrackSampleSet& set = session.samples;
        const int32_t id = state.current_sample >= 0 && state.current_sample < set.count
                               ? set.records[static_cast<size_t>(state.current_sample)].sample_id
                               : -1;
        plat::set_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID, format_int(id));
        plat::set_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN, format_fixed(state.margin_s, 1));
        plat::set_dlg_item_text(dlg, ids::IDC_DEFAULT_LENGTH,
                                format_fixed(state.default_length_s, 1));
        plat::set_dlg_item_text(dlg, ids::IDC_LABEL_NAMES, label_names_text(session.label_names));
        return true;
    }
    switch (plat::loword(wparam)) {
        case plat::IDOK:
            apply_sample_settings(session,
                                  parse_int(plat::get_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID,
                                                                    kSettingsFieldMaxChars)),
                                  parse_real(plat::get_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN,
                                                                     kSettingsFieldMaxChars)));
            {
                const double length = parse_real(
                    plat::get_dlg_item_text(dlg, ids::IDC_DEFAULT_LENGTH, kSettingsFieldMaxChars));
                // A length that is no positive number keeps the one there was.
                if (length > 0 && length < 1e6) session.state.default_length_s = length;
                session.label_names = parse_label_names(
                    plat::get_dlg_item_text(dlg, ids::IDC_LABEL_NAMES, kLabelNamesMaxChars));
            }
            plat::end_dialog(dlg, 1);
            return true;
        case plat::IDCANCEL:
            plat::end_dialog(dlg, 0);
            return true;
        default:
            return false;
    }
}

void VantrelCommand(Vantrel& app, int id) {
    LabelSession& session = app.session;
    const LabelState& state = session.state;
    const plat::Hwnd hwnd = main_window(app);
    switch (id) {
        case ids::IDM_LOAD_EGO:
            LoadEgoCommand(app);
            break;
        case ids::IDM_V_LOAD_SAMPLES:
            LoadSamplesCommand(app);
            break;
        case ids::IDM_V_LOAD_TRAJ_GEN:
            LoadTrajGenCommand(app);
            break;
        case ids::IDM_V_SAVE_SAMPLES:
            SaveSamplesCommand(app);
            break;
        case ids::IDM_V_ABOUT:
            shell::RunAboutDialog(app);
            break;
        case ids::IDM_V_EXIT:
            plat::post_message(hwnd, plat::WM_CLOSE);
            break;
        case ids::IDM_DISPLAY_SETTING:
            shell::RunDisplaySettingDialog(app);
            break;
        case ids::IDM_GRID_LINE:
            shell::ToggleDisplayFlag(app, render::SHOW_GRID, ids::IDM_GRID_LINE);
            break;
        case ids::IDM_AXIS:
            shell::ToggleDisplayFlag(app, render::SHOW_AXIS, ids::IDM_AXIS);
            break;
        case ids::IDM_V_TRAJ_ID:
            shell::ToggleDisplayFlag(app, render::SHOW_TRAJ_ID_VANTREL, ids::IDM_V_TRAJ_ID);
            break;
        case ids::IDM_LABELLING:
            if (toggle_labelling(session))
                plat::check_menu_item(plat::get_menu(hwnd), ids::IDM_LABELLING, state.labelling);
            if (state.labelling) mark_edit_mode(app, 1);
            session.state.last_action = state.labelling ? "labelling on" : "labelling off";
            redraw(app);
            break;
        case ids::IDM_EDIT_START:
        case ids::IDM_EDIT_END:
        case ids::IDM_EDIT_HEADING:
            if (!pose_track_loaded(session.pose) || !samples_loaded(session.samples) ||
                !state.labelling)
                break;
            mark_edit_mode(app, id - ids::IDM_LABELLING);
            redraw(app);
            break;
        case ids::IDM_SAMPLE_SETTINGS:
            open_sample_settings(app);
            redraw(app);
            break;
        case ids::IDM_AUTO_ADJUST:
            run_edit(session, "auto-adjusted", auto_adjust_sample);
            redraw(app);
            break;
        case ids::IDM_REVERT:
            run_edit(session, "reverted", revert_sample);
            redraw(app);
            break;
        case ids::IDM_DELETE_SAMPLE:
            delete_and_move_on(session);
            redraw(app);
            break;
        case ids::IDM_PREVIOUS_SAMPLE:
            previous_sample(session);
            session.state.last_action = "previous sample";
            redraw(app);
            break;
        case ids::IDM_NEXT_SAMPLE:
            next_sample(session);
            session.state.last_action = "next sample";
            redraw(app);
            break;
        default:
            break;
    }
}

void VantrelKey(Vantrel& app, int vk) {
    LabelSession& session = app.session;
    LabelState& state = session.state;
    if (!state.labelling) return;
    const bool shift = plat::shift_down(), ctrl = plat::is_key_down(plat::VK_CONTROL);
    const int step = shift ? 10 : 1;
    if (ctrl && vk == 'Z') {
        // Ctrl+Z undoes, Ctrl+Shift+Z redoes (Ctrl+Y is the heading edit's accelerator).
        if (!(shift ? redo_edit(session) : undo_edit(session)))
            state.last_action = shift ? "nothing to redo" : "nothing to undo";
        redraw(app);
        return;
    }
    // The label, insert and split keys are plain keys; Ctrl with them does nothing.
    const bool plain = !ctrl;
    switch (vk) {
        case plat::VK_PRIOR:
            previous_sample(session);
            state.last_action = "previous sample";
            break;
        case plat::VK_NEXT:
            next_sample(session);
            state.last_action = "next sample";
            break;
        case plat::VK_LEFT:
        case plat::VK_RIGHT: {
            const int sign = vk == plat::VK_LEFT ? -1 : 1;
            if (state.edit_mode == 3)
                run_edit(session, std::string("heading ") + (sign < 0 ? "-" : "+") + "0.001 rad",
                         [sign](LabelSession& s) { turn_sample_frame(s, sign); });
            else if (state.edit_mode == 1 || state.edit_mode == 2)
                run_edit(session,
                         std::string(state.edit_mode == 1 ? "start " : "end ") +
                             (sign < 0 ? "-" : "+") + (step == 10 ? "1 s" : "100 ms"),
                         [sign, step](LabelSession& s) { shift_sample_time(s, sign * step); });
            break;
        }
        case plat::VK_DELETE:
            delete_and_move_on(session);
            break;
        case 'A':
            run_edit(session, "auto-adjusted", auto_adjust_sample);
            break;
        case 'R':
            run_edit(session, "reverted", revert_sample);
            break;
        case 'N':
            if (!plain) return;
            if (!run_edit(session, "split", [](LabelSession& s) { split_sample(s); }))
                state.last_action = "too short to split";
            break;
        case plat::VK_INSERT: {
            if (!plain) return;
            const int32_t start = insert_time_ms(session);
            if (!run_edit(session, "added at " + time_of_day(start),
                          [start](LabelSession& s) { add_sample(s, start); }))
                state.last_action = "no room to add a sample at " + time_of_day(start);
            break;
        }
        default:
            if (!plain || vk < '0' || vk > '9') return;
            run_edit(session, "label " + std::to_string(vk - '0'),
                     [vk](LabelSession& s) { set_sample_label(s, vk - '0'); });
            break;
    }
    redraw(app);
}

}  // namespace labelling
