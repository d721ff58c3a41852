#include "viewer/plovane_playback.h"

#include <algorithm>
#include <cstdio>

#include "data/number_text.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "viewer/selection.h"

namespace shell {

namespace {

constexpr int kMinSpeedExponent = -4;  // 1/16
constexpr int kMaxSpeedExponent = 4;   // 16
constexpr std::size_t kFrameFieldMaxChars = 79;

void refresh(Shell& shell, plat::Hwnd dlg, bool keep_typed) {
    const TrajStore& st = shell.scene.store;
    show_frame_number(shell, dlg, format_int(st.current_frame), keep_typed);
    plat::set_dlg_item_text(dlg, resources::IDC_ELAPSED, format_int(elapsed_ms(st) / 1000));
    plat::set_dlg_item_text(dlg, resources::IDC_TIME, frame_time_text(st.current_time));
}

PlaybackProfile make_profile() {
    PlaybackProfile p;
    p.refresh_texts = &RefreshFrameTexts;
    p.tick = &plovane_tick;
    p.tick_sleep = &plovane_tick_sleep;
    p.jump = [](Shell& shell, plat::Hwnd dlg) {
        jump_to_frame(shell, parse_int(plat::get_dlg_item_text(dlg, resources::IDC_FRAME_NO,
                                                               kFrameFieldMaxChars)));
    };
    // The menus' shortcuts work while playing too; none is a playback key.
    p.accelerators = true;
    return p;
}

int unsigned16(int64_t v) {
    return static_cast<int>(static_cast<uint16_t>(v));
}

// After the clock moved by hand: what the window shows starts afresh, Frame #
// included.
void show_new_position(Shell& shell) {
    clear_history(shell.scene.history);
    plat::invalidate(shell.app.mainWindow, false);
    if (shell.app.frameControl) refresh(shell, shell.app.frameControl, false);
}

// Back to the scene's start as a load leaves it.
void restart_scene(Scene& scene) {
    rewind_scene(scene);
    seek_scene(scene, scene.store.min_time);
}

void update_title(Plovane& viewer) {
    plat::set_window_text(viewer.app.mainWindow, plovane_title(viewer));
}

}  // namespace

const PlaybackProfile& plovane_playback_profile() {
    static const PlaybackProfile profile = make_profile();
    return profile;
}

std::string frame_time_text(int32_t t) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%03d ", unsigned16((t / 3600000) % 24),
                  unsigned16((t / 60000) % 60), unsigned16((t / 1000) % 60), unsigned16(t % 1000));
    return text;
}

void RefreshFrameTexts(Shell& shell, plat::Hwnd dlg) {
    refresh(shell, dlg, true);
}

void plovane_tick(Shell& shell) {
    Scene& scene = shell.scene;
    const int32_t before = scene.store.current_time;
    if (!step_scene(scene) || scene.store.current_time > scene.store.max_time) {
        seek_scene(scene, scene.store.min_time);
        clear_history(scene.history);
    }
    plovane_of(shell).pacing.moved_ms = std::max(0, scene.store.current_time - before);
}

void jump_to_frame(Shell& shell, int64_t frame) {
    Scene& scene = shell.scene;
    if (frame < scene.store.current_frame) restart_scene(scene);
    while (scene.store.current_frame < frame)
        if (!step_scene(scene)) break;
    show_new_position(shell);
}

void go_to_scene_start(Shell& shell) {
    restart_scene(shell.scene);
    show_new_position(shell);
}

void step_back(Shell& shell) {
    Scene& scene = shell.scene;
    const int64_t step = std::max(scene.clock.frameStep, 1);
    const int64_t target = static_cast<int64_t>(scene.store.current_frame) - step;
    restart_scene(scene);
    while (scene.store.current_frame < target)
        if (!step_scene(scene)) break;
    show_new_position(shell);
}

void PlovaneKey(Shell& shell, int vk) {
    const AppState& app = shell.app;
    if (vk == plat::VK_UP || vk == plat::VK_DOWN) {
        change_speed(plovane_of(shell), vk == plat::VK_UP ? 1 : -1);
        return;
    }
    switch (vk) {
        case 'R':
            reset_view(shell);
            return;
        case 'F':
            toggle_follow(plovane_of(shell));
            return;
        case 'E':
            if (scene_ready(shell.scene)) select_box(plovane_of(shell), render::kSelectEgo);
            return;
        default:
            break;
    }
    if (!app.frameControl) return;  // no scene to play yet
    const bool running = app.playing == 1 && app.paused == 0;
    switch (vk) {
        case plat::VK_SPACE:
            StartPressed(shell);
            break;
        case plat::VK_RIGHT:
            if (app.playing == 1 && app.paused == 1) {
                StepPressed(shell);
            } else if (app.playing == 0) {
                plovane_tick(shell);
                plat::invalidate(app.mainWindow, false);
                RefreshFrameTexts(shell, app.frameControl);
            }
            break;
        case plat::VK_LEFT:
            if (!running) step_back(shell);
            break;
        case plat::VK_HOME:
            go_to_scene_start(shell);
            break;
        default:
            break;
    }
}

void toggle_real_time(Plovane& viewer) {
    Pacing& pacing = viewer.pacing;
    pacing.real_time = !pacing.real_time;
    plat::check_menu_item(plat::get_menu(viewer.app.mainWindow), resources::IDM_REAL_TIME,
                          pacing.real_time);
    update_title(viewer);
}

void change_speed(Plovane& viewer, int step) {
    Pacing& pacing = viewer.pacing;
    pacing.speed_exponent =
        std::clamp(pacing.speed_exponent + step, kMinSpeedExponent, kMaxSpeedExponent);
    update_title(viewer);
}

std::string plovane_title(const Plovane& viewer) {
    const Pacing& pacing = viewer.pacing;
    std::string title = viewer.profile ? viewer.profile->title : "Plovane";
    if (!viewer.traj_name.empty()) title += " \u2014 " + viewer.traj_name;
    if (!pacing.real_time) return title;
    const int e = pacing.speed_exponent;
    const std::string speed = e >= 0 ? format_int(1LL << e) : "1/" + format_int(1LL << -e);
    return title + " \u2014 " + speed + "\u00d7";
}

unsigned plovane_tick_sleep(Shell& shell, bool in_a_row, std::uint64_t pass_start) {
    Pacing& pacing = plovane_of(shell).pacing;
    if (!pacing.real_time) return kTickSleepMs;
    const std::uint64_t now = plat::tick_ms();
    const int e = pacing.speed_exponent;
    const double want = e >= 0 ? static_cast<double>(pacing.moved_ms) / (1 << e)
                               : static_cast<double>(pacing.moved_ms) * (1 << -e);
    // Ticks in a row count from when the previous sleep was due to end, so that a
    // sleep that overran is made up and the scene keeps to the wall clock.
    const std::uint64_t from = in_a_row ? pacing.due_ms : pass_start;
    const double took = now > from ? static_cast<double>(now - from) : 0.0;
    const double sleep = std::max(0.0, want - took);
    const unsigned ms = static_cast<unsigned>(std::min(sleep, 3600000.0));
    pacing.due_ms = now + ms;
    return ms;
}

}  // namespace shell
