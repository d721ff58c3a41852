#include "labelling/vantrel_shell.h"

#include <cstdio>

#include "data/number_text.h"
#include "labelling/labelling.h"
#include "labelling/sample_painter.h"
#include "labelling/samples.h"
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
bool g_ask = true;

plat::Hwnd main_window() {
    return shell::app_state().mainWindow;
}

void redraw() {
    plat::invalidate(main_window(), true);
}

std::optional<std::string> ask_path(const plat::FileDialogOptions& options,
                                    const std::optional<std::string>& given, bool save = false) {
    if (given) return given;
    return save ? plat::save_file_dialog(main_window(), options)
                : plat::open_file_dialog(main_window(), options);
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
void show_failure(const std::string& message) {
    plat::message_box(main_window(), message, "Error");
}

// After a load of the ego track or the samples: the new picture, and a fresh frame
// control once both are there.
void after_load() {
    plat::invalidate(main_window(), false);
    if (pose_track_loaded() && samples_loaded()) {
        shell::DestroyFrameControl();
        shell::CreateFrameControl();
    }
}

// Item 60 + edit_mode loses its mark, edit_mode becomes mode, item 60 + mode gets it.
void mark_edit_mode(plat::Hwnd hwnd, int mode) {
    const plat::Hmenu menu = plat::get_menu(hwnd);
    plat::check_menu_item(menu, ids::IDM_LABELLING + label_state().edit_mode, false);
    if (mode == 1)
        label_state().edit_mode = 1;
    else
        set_edit_mode(mode);
    plat::check_menu_item(menu, ids::IDM_LABELLING + mode, true);
}

void open_sample_settings() {
    if (!label_state().labelling || !pose_track_loaded() || !samples_loaded()) return;
    plat::dialog_box(ids::IDD_SAMPLE_SETTINGS, main_window(), &SampleSettingsProc);
}

// ---- the frame control's form ----

void refresh_texts(plat::Hwnd dlg) {
    shell::show_frame_number(dlg, format_int(int64_t{label_state().play_step} - 1), true);
    plat::set_dlg_item_text(dlg, ids::IDC_ELAPSED, format_int(play_elapsed_ms() / 1000));
}

void tick() {
    if (!advance_play_step()) reset_play_step();
}

unsigned tick_sleep(bool, std::uint64_t) {
    return shell::kTickSleepMs;
}

// Jump: the overview to the step Frame # names (Frame # shows step - 1).
void jump(plat::Hwnd dlg) {
    const int32_t frame = parse_int(plat::get_dlg_item_text(dlg, ids::IDC_FRAME_NO, 79));
    label_state().play_step = std::max<int32_t>(0, frame == INT32_MAX ? frame : frame + 1);
    plat::invalidate(main_window(), false);
    shell::show_frame_number(dlg, format_int(int64_t{label_state().play_step} - 1), false);
    plat::set_dlg_item_text(dlg, ids::IDC_ELAPSED, format_int(play_elapsed_ms() / 1000));
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

// ---- start-up and shutdown ----

void vantrel_startup(plat::Hwnd hwnd) {
    reset_label_state();
    vantrel_renderer_startup();
    shell::set_display_marks(shell::vantrel_display_profile(), hwnd);
}

void vantrel_shutdown() {
    vantrel_renderer_shutdown();
    free_samples();
    label_state().play_step = 0;
    free_pose_track();
    free_traj_gen();
}

bool may_close(plat::Hwnd hwnd) {
    return may_lose_edits(hwnd);
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
    p.paint = &paint_vantrel;
    p.command = &VantrelCommand;
    p.key = &VantrelKey;
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

void set_ask_before_losing_edits(bool ask) {
    g_ask = ask;
}

void reset_vantrel_shell() {
    g_ask = true;
}

bool may_lose_edits(plat::Hwnd owner) {
    if (!g_ask || !label_state().unsaved || !samples_loaded()) return true;
    switch (plat::message_box(owner, "Save changes to the samples?", "Vantrel",
                              plat::MessageButtons::SaveDiscardCancel)) {
        case plat::IDYES:
            return SaveSamplesCommand();
        case plat::IDNO:
            return true;
        default:
            return false;
    }
}

int LoadEgoCommand(const std::optional<std::string>& path) {
    if (!may_lose_edits(main_window())) return 0;
    const std::optional<std::string> chosen = ask_path(shell::ego_dialog_options(), path);
    if (!chosen) return 0;
    int loaded;
    {
        shell::LoadProgressWindow progress(main_window(), *chosen);
        loaded = load_vantrel_pose_track(*chosen);
    }
    if (!loaded) {
        show_failure(last_pose_load_failure());
        return 0;
    }
    after_load();
    return 1;
}

int LoadSamplesCommand(const std::optional<std::string>& path) {
    if (!may_lose_edits(main_window())) return 0;
    const std::optional<std::string> chosen =
        ask_path(sample_dialog_options("Load Sample File"), path);
    if (!chosen || !load_sample_file(*chosen)) return 0;
    refresh_all_samples();
    whole_track_record_from_traj_gen();
    label_state().unsaved = false;
    after_load();
    return 1;
}

int LoadTrajGenCommand(const std::optional<std::string>& path) {
    const std::optional<std::string> chosen = ask_path(traj_gen_dialog_options(), path);
    if (!chosen) return 0;
    if (!load_traj_gen(*chosen)) {
        show_failure(last_traj_gen_failure());
        return 0;
    }
    return 1;
}

bool SaveSamplesCommand(const std::optional<std::string>& base) {
    if (!samples_loaded()) return false;
    plat::FileDialogOptions options = sample_dialog_options("Save Sample File");
    options.must_exist = false;
    const std::optional<std::string> chosen = ask_path(options, base, true);
    if (!chosen) return false;
    const SaveOutcome outcome = save_samples(*chosen);
    if (!outcome.saved) {
        plat::message_box(plat::Hwnd{}, "Open file failure.", outcome.failure_caption);
        return false;
    }
    label_state().unsaved = false;
    return true;
}

bool SampleSettingsProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    const LabelState& state = label_state();
    if (message == plat::WM_INITDIALOG) {
        const TrackSampleSet& set = sample_set();
        const int32_t id = state.current_sample >= 0 && state.current_sample < set.count
                               ? set.records[static_cast<size_t>(state.current_sample)].sample_id
                               : -1;
        plat::set_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID, format_int(id));
        plat::set_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN, format_fixed(state.margin_s, 1));
        return true;
    }
    if (message != plat::WM_COMMAND) return false;
    switch (plat::loword(wparam)) {
        case plat::IDOK:
            apply_sample_settings(parse_int(plat::get_dlg_item_text(dlg, ids::IDC_CUR_TRAJ_ID,
                                                                    kSettingsFieldMaxChars)),
                                  parse_real(plat::get_dlg_item_text(dlg, ids::IDC_TRAJ_MARGIN,
                                                                     kSettingsFieldMaxChars)));
            plat::end_dialog(dlg, 1);
            return true;
        case plat::IDCANCEL:
            plat::end_dialog(dlg, 0);
            return true;
        default:
            return false;
    }
}

void VantrelCommand(plat::Hwnd hwnd, int id) {
    LabelState& state = label_state();
    switch (id) {
        case ids::IDM_LOAD_EGO:
            LoadEgoCommand();
            break;
        case ids::IDM_V_LOAD_SAMPLES:
            LoadSamplesCommand();
            break;
        case ids::IDM_V_LOAD_TRAJ_GEN:
            LoadTrajGenCommand();
            break;
        case ids::IDM_V_SAVE_SAMPLES:
            SaveSamplesCommand();
            break;
        case ids::IDM_V_ABOUT:
            shell::RunAboutDialog();
            break;
        case ids::IDM_V_EXIT:
            plat::post_message(hwnd, plat::WM_CLOSE);
            break;
        case ids::IDM_DISPLAY_SETTING:
            shell::RunDisplaySettingDialog(hwnd);
            break;
        case ids::IDM_GRID_LINE:
            shell::ToggleDisplayFlag(hwnd, render::SHOW_GRID, ids::IDM_GRID_LINE);
            break;
        case ids::IDM_AXIS:
            shell::ToggleDisplayFlag(hwnd, render::SHOW_AXIS, ids::IDM_AXIS);
            break;
        case ids::IDM_V_TRAJ_ID:
            shell::ToggleDisplayFlag(hwnd, render::SHOW_TRAJ_ID_VANTREL, ids::IDM_V_TRAJ_ID);
            break;
        case ids::IDM_LABELLING:
            if (toggle_labelling())
                plat::check_menu_item(plat::get_menu(hwnd), ids::IDM_LABELLING, state.labelling);
            if (state.labelling) mark_edit_mode(hwnd, 1);
            redraw();
            break;
        case ids::IDM_EDIT_START:
        case ids::IDM_EDIT_END:
        case ids::IDM_EDIT_HEADING:
            if (!pose_track_loaded() || !samples_loaded() || !state.labelling) break;
            mark_edit_mode(hwnd, id - ids::IDM_LABELLING);
            redraw();
            break;
        case ids::IDM_SAMPLE_SETTINGS:
            open_sample_settings();
            redraw();
            break;
        case ids::IDM_AUTO_ADJUST:
            auto_adjust_sample();
            redraw();
            break;
        case ids::IDM_REVERT:
            revert_sample();
            redraw();
            break;
        case ids::IDM_DELETE_SAMPLE:
            delete_sample();
            next_sample();
            redraw();
            break;
        case ids::IDM_PREVIOUS_SAMPLE:
            previous_sample();
            redraw();
            break;
        case ids::IDM_NEXT_SAMPLE:
            next_sample();
            redraw();
            break;
        default:
            break;
    }
}

void VantrelKey(plat::Hwnd, int vk) {
    const LabelState& state = label_state();
    if (!state.labelling) return;
    const int step = plat::shift_down() ? 10 : 1;
    switch (vk) {
        case plat::VK_PRIOR:
            previous_sample();
            break;
        case plat::VK_NEXT:
            next_sample();
            break;
        case plat::VK_LEFT:
        case plat::VK_RIGHT: {
            const int sign = vk == plat::VK_LEFT ? -1 : 1;
            if (state.edit_mode == 3)
                turn_sample_frame(sign);
            else
                shift_sample_time(sign * step);
            break;
        }
        case plat::VK_DELETE:
            delete_sample();
            next_sample();
            break;
        case 'A':
            auto_adjust_sample();
            break;
        case 'R':
            revert_sample();
            break;
        default:
            return;
    }
    redraw();
}

}  // namespace labelling
