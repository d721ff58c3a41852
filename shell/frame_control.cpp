#include "shell/frame_control.h"

#include <utility>

#include "resources/resource_ids.h"
#include "shell/main_window.h"

namespace shell {

namespace {

void load_button_images(ButtonImages& images) {
    if (images.loaded) return;
    images.start = plat::load_bitmap(resources::BMP_START);
    images.pause = plat::load_bitmap(resources::BMP_PAUSE);
    images.stop = plat::load_bitmap(resources::BMP_STOP);
    images.onestep = plat::load_bitmap(resources::BMP_ONESTEP);
    images.jump = plat::load_bitmap(resources::BMP_JUMP);
    images.jump_grey = plat::load_bitmap(resources::BMP_JUMP_GREY);
    images.loaded = true;
}

void show_images(const ButtonImages& images, plat::Hwnd dlg, bool running) {
    plat::set_button_image(dlg, resources::IDC_STEP, images.onestep);
    plat::set_button_image(dlg, resources::IDC_START, running ? images.pause : images.start);
    plat::set_button_image(dlg, resources::IDC_STOP, images.stop);
    plat::set_button_image(dlg, resources::IDC_JUMP, running ? images.jump_grey : images.jump);
}

void refresh_texts(Shell& shell, plat::Hwnd dlg) {
    const PlaybackProfile* p = playback_profile(shell);
    if (p && p->refresh_texts) p->refresh_texts(shell, dlg);
}

// A code for the playback loop: WM_COMMAND 230 .. 233 to the main window.
int control_code(const Shell& shell, const plat::Msg& msg) {
    if (msg.message != plat::WM_COMMAND || msg.hwnd != shell.app.mainWindow) return 0;
    const int id = static_cast<int>(plat::loword(msg.wparam));
    return id >= PB_STOP && id <= PB_STEP ? id : 0;
}

bool is_escape_press(const plat::Msg& msg) {
    return msg.message == plat::WM_KEYDOWN &&
           msg.wparam == static_cast<plat::WPARAM>(plat::VK_ESCAPE);
}

void jump(Shell& shell, plat::Hwnd dlg);

}  // namespace

const PlaybackProfile* playback_profile(const Shell& shell) {
    return shell.profile ? shell.profile->playback : nullptr;
}

void CreateFrameControl(Shell& shell) {
    AppState& app = shell.app;
    app.frameControl =
        plat::create_dialog(resources::IDD_FRAME_CONTROL, app.mainWindow, &FrameControlProc);
    if (!app.frameControl) return;
    plat::show_window(app.frameControl, true);
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
}

void DestroyFrameControl(Shell& shell) {
    AppState& app = shell.app;
    if (!app.frameControl) return;
    plat::destroy_window(app.frameControl);
    app.frameControl = plat::Hwnd{};
}

namespace {
void jump(Shell& shell, plat::Hwnd dlg) {
    if (const PlaybackProfile* p = playback_profile(shell); p && p->jump) p->jump(shell, dlg);
}
}  // namespace

bool FrameControlProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    Shell& shell = shell_of(dlg);
    switch (message) {
        case plat::WM_KEYDOWN:
            // Return in the dialog (the back ends hand it to the dialog, whichever of
            // its boxes has the focus): the Jump button.
            if (wparam != static_cast<plat::WPARAM>(plat::VK_RETURN)) return false;
            jump(shell, dlg);
            return true;
        case plat::WM_INITDIALOG:
            refresh_texts(shell, dlg);
            load_button_images(shell.images);
            return true;
        case plat::WM_COMMAND:
            switch (static_cast<int>(plat::loword(wparam))) {
                case resources::IDC_STEP:
                    StepPressed(shell);
                    return true;
                case resources::IDC_START:
                    StartPressed(shell);
                    return true;
                case resources::IDC_STOP:
                    StopPressed(shell);
                    return true;
                case resources::IDC_JUMP:
                    jump(shell, dlg);
                    return true;
                case resources::IDC_FRAME_NO:
                    // The box lost the focus: a number typed there and not taken by
                    // Jump gives way to where the clock stands.
                    if (plat::hiword(wparam) != plat::EN_KILLFOCUS) return false;
                    shell.frame_box.dialog = plat::Hwnd{};
                    refresh_texts(shell, dlg);
                    return true;
                case FCM_REFRESH:
                    refresh_texts(shell, dlg);
                    return true;
                default:
                    return false;
            }
        case plat::WM_CLOSE:
            return true;  // the dialog goes only with a new load or its owner
        case FCM_SHOW_STOPPED:
        case FCM_SHOW_RUNNING:
            show_images(shell.images, dlg, message == FCM_SHOW_RUNNING);
            return true;
        default:
            return false;
    }
}

void StartPressed(Shell& shell) {
    AppState& app = shell.app;
    if (app.playing == 0) {
        plat::send_message(app.frameControl, FCM_SHOW_RUNNING);
        app.playing = 1;
        app.paused = 0;
        RunPlayback(shell);
    } else if (app.paused == 1) {
        plat::send_message(app.frameControl, FCM_SHOW_RUNNING);
        plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_RESUME);
    } else {
        plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
        plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_PAUSE);
        app.paused = 1;
    }
}

void StopPressed(Shell& shell) {
    AppState& app = shell.app;
    if (app.playing == 1) plat::post_message(app.mainWindow, plat::WM_COMMAND, PB_STOP);
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
}

void StepPressed(Shell& shell) {
    plat::post_message(shell.app.mainWindow, plat::WM_COMMAND, PB_STEP);
}

void RunPlayback(Shell& shell) {
    AppState& app = shell.app;
    const PlaybackProfile* profile = playback_profile(shell);
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
                // Held as by the Start button, with the look of the held state.
                plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
                app.paused = 1;
                break;
            }
            const int code = control_code(shell, msg);
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
            FinishPlayback(shell);
            return;
        }
        if (app.paused == 1 && !step_request) {
            ticked_last = false;
            plat::sleep_ms(kHeldPollMs);
            continue;
        }
        if (profile && profile->tick) profile->tick(shell);
        plat::invalidate(app.mainWindow, false);
        plat::post_message(app.frameControl, plat::WM_COMMAND, FCM_REFRESH);
        step_request = false;
        const unsigned sleep = profile && profile->tick_sleep
                                   ? profile->tick_sleep(shell, ticked_last, pass_start)
                                   : kTickSleepMs;
        ticked_last = true;
        plat::sleep_ms(sleep);
    }
}

void FinishPlayback(Shell& shell) {
    AppState& app = shell.app;
    plat::send_message(app.frameControl, FCM_SHOW_STOPPED);
    app.paused = 0;
    plat::sleep_ms(kFinishSleepMs);
}

const char* button_image_name(const Shell& shell, plat::Bitmap image) {
    const ButtonImages& images = shell.images;
    if (!image || !images.loaded) return "-";
    const std::pair<plat::Bitmap, const char*> names[] = {
        {images.start, resources::BMP_START}, {images.pause, resources::BMP_PAUSE},
        {images.stop, resources::BMP_STOP},   {images.onestep, resources::BMP_ONESTEP},
        {images.jump, resources::BMP_JUMP},   {images.jump_grey, resources::BMP_JUMP_GREY}};
    for (const auto& [bitmap, name] : names)
        if (bitmap == image) return name;
    return "-";
}

void show_frame_number(Shell& shell, plat::Hwnd dlg, const std::string& text, bool keep_typed) {
    FrameBox& box = shell.frame_box;
    if (keep_typed && box.dialog == dlg &&
        plat::get_dlg_item_text(dlg, resources::IDC_FRAME_NO) != box.shown)
        return;
    plat::set_dlg_item_text(dlg, resources::IDC_FRAME_NO, text);
    box = FrameBox{dlg, text};
}

void release_button_images(Shell& shell) {
    ButtonImages& images = shell.images;
    if (!images.loaded) return;
    for (plat::Bitmap b :
         {images.start, images.pause, images.stop, images.onestep, images.jump, images.jump_grey})
        plat::delete_object(b);
    images = ButtonImages{};
}

}  // namespace shell
