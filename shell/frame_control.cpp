#include "shell/frame_control.h"

#include <utility>

#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {

namespace {

// The six button images, loaded at the first dialog and kept until shutdown.
struct ButtonImages {
    plat::Bitmap start, pause, stop, onestep, jump, jump_grey;
};
ButtonImages g_images;
bool g_images_loaded = false;

void load_button_images() {
    if (g_images_loaded) return;
    g_images.start = plat::load_bitmap(resources::BMP_START);
    g_images.pause = plat::load_bitmap(resources::BMP_PAUSE);
    g_images.stop = plat::load_bitmap(resources::BMP_STOP);
    g_images.onestep = plat::load_bitmap(resources::BMP_ONESTEP);
    g_images.jump = plat::load_bitmap(resources::BMP_JUMP);
    g_images.jump_grey = plat::load_bitmap(resources::BMP_JUMP_GREY);
    g_images_loaded = true;
}

void show_images(plat::Hwnd dlg, bool running) {
    plat::set_button_image(dlg, resources::IDC_STEP, g_images.onestep);
    plat::set_button_image(dlg, resources::IDC_START, running ? g_images.pause : g_images.start);
    plat::set_button_image(dlg, resources::IDC_STOP, g_images.stop);
    plat::set_button_image(dlg, resources::IDC_JUMP, running ? g_images.jump_grey : g_images.jump);
}

// What the Frame # box was last given.
struct FrameBox {
    plat::Hwnd dialog;
    std::string shown;
};
FrameBox g_frame_box;

void refresh_texts(plat::Hwnd dlg) {
    const PlaybackProfile* p = playback_profile();
    if (p && p->refresh_texts) p->refresh_texts(dlg);
}

// A code for the playback loop: WM_COMMAND 230 .. 233 to the main window.
int control_code(const plat::Msg& msg) {
    if (msg.message != plat::WM_COMMAND || msg.hwnd != app_state().mainWindow) return 0;
    const int id = static_cast<int>(plat::loword(msg.wparam));
    return id >= PB_STOP && id <= PB_STEP ? id : 0;
}

bool is_escape_press(const plat::Msg& msg) {
    return msg.message == plat::WM_KEYDOWN &&
           msg.wparam == static_cast<plat::WPARAM>(plat::VK_ESCAPE);
}

}  // namespace

const PlaybackProfile* playback_profile() {
    const ShellProfile* shell = shell_profile();
    return shell ? shell->playback : nullptr;
}

void CreateFrameControl() {
    AppState& app = app_state();
    app.frameControl =
        plat::create_dialog(resources::IDD_FRAME_CONTROL, app.mainWindow, &FrameControlProc);
    if (!app.frameControl) return;
    plat::show_window(app.frameControl, true);
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
}

void DestroyFrameControl() {
    AppState& app = app_state();
    if (!app.frameControl) return;
    plat::destroy_window(app.frameControl);
    app.frameControl = plat::Hwnd{};
}

bool FrameControlProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    switch (message) {
        case plat::WM_INITDIALOG:
            refresh_texts(dlg);
            load_button_images();
            return true;
        case plat::WM_COMMAND:
            switch (static_cast<int>(plat::loword(wparam))) {
                case resources::IDC_STEP:
                    StepPressed();
                    return true;
                case resources::IDC_START:
                    StartPressed();
                    return true;
                case resources::IDC_STOP:
                    StopPressed();
                    return true;
                case resources::IDC_JUMP:
                    if (const PlaybackProfile* p = playback_profile(); p && p->jump) p->jump(dlg);
                    return true;
                case FCM_REFRESH:
                    refresh_texts(dlg);
                    return true;
                default:
                    return false;
            }
        case plat::WM_CLOSE:
            return true;  // the dialog goes only with a new load or its owner
        case FCM_SHOW_STOPPED:
        case FCM_SHOW_RUNNING:
            show_images(dlg, message == FCM_SHOW_RUNNING);
            return true;
        default:
            return false;
    }
}

void StartPressed() {
    AppState& app = app_state();
    if (app.playing == 0) {
        plat::send_message(app.frameControl, FCM_SHOW_RUNNING);
        app.playing = 1;
        app.paused = 0;
        RunPlayback();
    } else if (app.paused == 1) {
        plat::send_message(app.frameControl, FCM_SHOW_RUNNING);
        plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_RESUME);
    } else {
        plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
        plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_PAUSE);
        app.paused = 1;
    }
}

void StopPressed() {
    AppState& app = app_state();
    if (app.playing == 1) plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_STOP);
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
}

void StepPressed() {
    plat::post_message(app_state().mainWindow, plat::WM_COMMAND, PB_STEP);
}

void RunPlayback() {
    AppState& app = app_state();
    const PlaybackProfile* profile = playback_profile();
    bool step_request = false;
    bool ticked_last = false;  // the previous pass ended with a tick's sleep
    for (;;) {
        const std::uint64_t pass_start = plat::tick_ms();
        plat::Msg msg;
        while (plat::peek_message(msg)) {
            if (msg.message == plat::WM_QUIT) {
                // The program is ending: leave it to the main loop.
                plat::post_quit_message(static_cast<int>(msg.wparam));
                app.playing = 0;
                break;
            }
            if (is_escape_press(msg)) {
                app.paused = 1;
                break;
            }
            const int code = control_code(msg);
            if (code == PB_PAUSE || code == PB_RESUME) {
                app.paused = code == PB_PAUSE ? 1 : 0;
                break;
            }
            if (code == PB_STEP) {
                if (app.paused == 1) step_request = true;
                break;
            }
            if (code == PB_STOP) {
                app.playing = 0;
                break;
            }
            if (msg.message == plat::WM_CLOSE) {
                plat::translate_message(msg);
                plat::dispatch_message(msg);
                app.playing = 0;
                break;
            }
            if (profile && profile->accelerators && app.accelTable &&
                plat::translate_accelerator(app.mainWindow, app.accelTable, msg))
                continue;
            plat::translate_message(msg);
            plat::dispatch_message(msg);
        }
        // A window destroyed meanwhile took the stores with it.
        if (!plat::is_window(app.mainWindow)) {
            app.playing = 0;
            app.paused = 0;
            return;
        }
        if (app.playing == 0) {
            FinishPlayback();
            return;
        }
        if (app.paused == 1 && !step_request) {
            ticked_last = false;
            plat::sleep_ms(kHeldPollMs);
            continue;
        }
        if (profile && profile->tick) profile->tick();
        plat::invalidate(app.mainWindow, false);
        plat::post_message(app.frameControl, plat::WM_COMMAND, FCM_REFRESH);
        step_request = false;
        const unsigned sleep = profile && profile->tick_sleep
                                   ? profile->tick_sleep(ticked_last, pass_start)
                                   : kTickSleepMs;
        ticked_last = true;
        plat::sleep_ms(sleep);
    }
}

void FinishPlayback() {
    AppState& app = app_state();
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
    app.paused = 0;
    plat::sleep_ms(kFinishSleepMs);
}

const char* button_image_name(plat::Bitmap image) {
    if (!image || !g_images_loaded) return "-";
    const std::pair<plat::Bitmap, const char*> names[] = {
        {g_images.start, resources::BMP_START}, {g_images.pause, resources::BMP_PAUSE},
        {g_images.stop, resources::BMP_STOP},   {g_images.onestep, resources::BMP_ONESTEP},
        {g_images.jump, resources::BMP_JUMP},   {g_images.jump_grey, resources::BMP_JUMP_GREY}};
    for (const auto& [bitmap, name] : names)
        if (bitmap == image) return name;
    return "-";
}

void show_frame_number(plat::Hwnd dlg, const std::string& text, bool keep_typed) {
    if (keep_typed && g_frame_box.dialog == dlg &&
        plat::get_dlg_item_text(dlg, resources::IDC_FRAME_NO) != g_frame_box.shown)
        return;
    plat::set_dlg_item_text(dlg, resources::IDC_FRAME_NO, text);
    g_frame_box = FrameBox{dlg, text};
}

void release_button_images() {
    if (!g_images_loaded) return;
    for (plat::Bitmap b : {g_images.start, g_images.pause, g_images.stop, g_images.onestep,
                           g_images.jump, g_images.jump_grey})
        plat::delete_object(b);
    g_images = ButtonImages{};
    g_images_loaded = false;
}

}  // namespace shell
