#include "shell/plovane_playback.h"

#include <algorithm>
#include <cstdio>

#include "data/number_text.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {

namespace {

constexpr int kMinSpeedExponent = -4;  // 1/16
constexpr int kMaxSpeedExponent = 4;   // 16
constexpr std::size_t kFrameFieldMaxChars = 79;

struct Pacing {
    bool real_time = false;
    int speed_exponent = 0;
    int32_t moved_ms = 0;      // scene time the last tick moved the clock
    std::uint64_t due_ms = 0;  // platform clock: when the previous tick's sleep was due to end
};
Pacing g_pacing;

void refresh(plat::Hwnd dlg, bool keep_typed) {
    show_frame_number(dlg, format_int(static_cast<int64_t>(current_frame()) - 1), keep_typed);
    plat::set_dlg_item_text(dlg, resources::IDC_ELAPSED, format_int(elapsed_ms() / 1000));
    plat::set_dlg_item_text(dlg, resources::IDC_TIME, frame_time_text(current_time()));
}

PlaybackProfile make_profile() {
    PlaybackProfile p;
    p.refresh_texts = &RefreshFrameTexts;
    p.tick = &plovane_tick;
    p.tick_sleep = &plovane_tick_sleep;
    p.jump = [](plat::Hwnd dlg) {
        jump_to_frame(
            parse_int(plat::get_dlg_item_text(dlg, resources::IDC_FRAME_NO, kFrameFieldMaxChars)));
    };
    p.accelerators = false;
    return p;
}

int unsigned16(int64_t v) {
    return static_cast<int>(static_cast<uint16_t>(v));
}

// After the clock moved by hand: what the window shows starts afresh, Frame #
// included.
void show_new_position() {
    render::clear_history();
    plat::invalidate(app_state().mainWindow, false);
    if (app_state().frameControl) refresh(app_state().frameControl, false);
}

// Back to the scene's start as a load leaves it.
void restart_scene() {
    rewind_scene();
    seek_scene(traj_store().min_time);
}

void update_title() {
    plat::set_window_text(app_state().mainWindow, plovane_title());
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

void RefreshFrameTexts(plat::Hwnd dlg) {
    refresh(dlg, true);
}

void plovane_tick() {
    const int32_t before = current_time();
    if (!step_scene() || current_time() > traj_store().max_time) {
        seek_scene(traj_store().min_time);
        render::clear_history();
    }
    g_pacing.moved_ms = std::max(0, current_time() - before);
}

void jump_to_frame(int64_t frame) {
    const int64_t target = frame + 1;
    if (target < current_frame()) restart_scene();
    while (current_frame() < target)
        if (!step_scene()) break;
    show_new_position();
}

void go_to_scene_start() {
    restart_scene();
    show_new_position();
}

void step_back() {
    const int64_t step = std::max(clock_settings().frameStep, 1);
    const int64_t target = static_cast<int64_t>(current_frame()) - step;
    restart_scene();
    while (current_frame() < target)
        if (!step_scene()) break;
    show_new_position();
}

void PlovaneKey(plat::Hwnd, int vk) {
    const AppState& app = app_state();
    if (vk == plat::VK_UP || vk == plat::VK_DOWN) {
        change_speed(vk == plat::VK_UP ? 1 : -1);
        return;
    }
    if (!app.frameControl) return;  // no scene to play yet
    const bool running = app.playing == 1 && app.paused == 0;
    switch (vk) {
        case plat::VK_SPACE:
            StartPressed();
            break;
        case plat::VK_RIGHT:
            if (app.playing == 1 && app.paused == 1) {
                StepPressed();
            } else if (app.playing == 0) {
                plovane_tick();
                plat::invalidate(app.mainWindow, false);
                RefreshFrameTexts(app.frameControl);
            }
            break;
        case plat::VK_LEFT:
            if (!running) step_back();
            break;
        case plat::VK_HOME:
            go_to_scene_start();
            break;
        default:
            break;
    }
}

bool real_time() {
    return g_pacing.real_time;
}

void toggle_real_time(plat::Hwnd hwnd) {
    g_pacing.real_time = !g_pacing.real_time;
    plat::check_menu_item(plat::get_menu(hwnd), resources::IDM_REAL_TIME, g_pacing.real_time);
    update_title();
}

int speed_exponent() {
    return g_pacing.speed_exponent;
}

void change_speed(int step) {
    g_pacing.speed_exponent =
        std::clamp(g_pacing.speed_exponent + step, kMinSpeedExponent, kMaxSpeedExponent);
    update_title();
}

std::string plovane_title() {
    const ShellProfile* profile = shell_profile();
    std::string title = profile ? profile->title : "Plovane";
    if (!g_pacing.real_time) return title;
    const int e = g_pacing.speed_exponent;
    const std::string speed = e >= 0 ? format_int(1LL << e) : "1/" + format_int(1LL << -e);
    return title + " \u2014 " + speed + "\u00d7";
}

unsigned plovane_tick_sleep(bool in_a_row, std::uint64_t pass_start) {
    if (!g_pacing.real_time) return kTickSleepMs;
    const std::uint64_t now = plat::tick_ms();
    const int e = g_pacing.speed_exponent;
    const double want = e >= 0 ? static_cast<double>(g_pacing.moved_ms) / (1 << e)
                               : static_cast<double>(g_pacing.moved_ms) * (1 << -e);
    // Ticks in a row count from when the previous sleep was due to end, so that a
    // sleep that overran is made up and the scene keeps to the wall clock.
    const std::uint64_t from = in_a_row ? g_pacing.due_ms : pass_start;
    const double took = now > from ? static_cast<double>(now - from) : 0.0;
    const double sleep = std::max(0.0, want - took);
    const unsigned ms = static_cast<unsigned>(std::min(sleep, 3600000.0));
    g_pacing.due_ms = now + ms;
    return ms;
}

void reset_plovane_playback() {
    g_pacing = Pacing{};
}

}  // namespace shell
