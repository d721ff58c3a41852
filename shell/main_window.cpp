#include "shell/main_window.h"

#include <cstdlib>

#include "data/report.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/frame_control.h"

namespace shell {

namespace {

plat::Hcursor cursor_of(const Shell& shell, render::DragKind kind) {
    switch (kind) {
        case render::DragKind::Rotate:
            return shell.cursors.rotate;
        case render::DragKind::Pan:
            return shell.cursors.pan;
        case render::DragKind::Zoom:
            break;
    }
    return shell.cursors.zoom;
}

void begin_drag(Shell& shell, render::DragKind kind, plat::LPARAM lparam) {
    plat::set_cursor(cursor_of(shell, kind));
    render::begin_drag(shell.view, kind, plat::get_x_lparam(lparam), plat::get_y_lparam(lparam));
}

}  // namespace

Shell& shell_of(plat::Hwnd hwnd) {
    return *static_cast<Shell*>(plat::get_window_data(hwnd));
}

ErrorSink error_sink(Shell& shell) {
    return [&shell](std::string_view text) {
        // Load failures the user must see are message boxes over the main window.
        if (plat::is_window(shell.app.mainWindow))
            plat::message_box(shell.app.mainWindow, text, "Error");
        else
            print_error(text);
    };
}

int RegisterMainClass(Shell& shell, const ShellProfile& profile) {
    if (profile.accelTableId != 0) {
        shell.app.accelTable = plat::load_accelerators(profile.accelTableId);
        if (!shell.app.accelTable) return 0;
    }
    plat::WindowClass cls;
    cls.name = profile.className;
    cls.proc = &MainWindowProc;
    cls.icon_id = profile.iconId;
    cls.cursor = plat::StdCursor::Arrow;
    cls.background = plat::StockBrush::Black;
    cls.menu_id = profile.menuId;
    return plat::register_class(cls) ? 1 : 0;
}

plat::Hwnd CreateMainWindow(Shell& shell, const ShellProfile& profile) {
    shell.profile = &profile;
    const plat::Hwnd hwnd = plat::create_window(profile.className, profile.title, profile.width,
                                                profile.height, plat::Hwnd{}, &shell);
    if (!hwnd) return hwnd;
    shell.app.mainWindow = hwnd;
    InitMainWindow(shell);
    plat::show_window(hwnd, true);
    plat::update_window(hwnd);
    return hwnd;
}

void InitMainWindow(Shell& shell) {
    const plat::Hwnd hwnd = shell.app.mainWindow;
    const ShellProfile* profile = shell.profile;
    if (profile && profile->startup) profile->startup(shell);
    render::ResetView(shell.view.state, plat::get_client_size(hwnd),
                      profile ? profile->initialScale : render::kPlovaneInitialScale);
    render::BuildTrigTables();
    shell.cursors.pan = plat::load_cursor(resources::CUR_HAND);
    shell.cursors.zoom = plat::load_cursor(resources::CUR_ZOOM);
    shell.cursors.rotate = plat::load_cursor(resources::CUR_ROTATE);
}

plat::LRESULT MainWindowProc(plat::Hwnd hwnd, unsigned message, plat::WPARAM wparam,
                             plat::LPARAM lparam) {
    Shell* record = static_cast<Shell*>(plat::get_window_data(hwnd));
    if (!record) return plat::def_window_proc(hwnd, message, wparam, lparam);
    Shell& shell = *record;
    const ShellProfile* profile = shell.profile;
    switch (message) {
        case plat::WM_COMMAND:
            if (profile && profile->command) profile->command(shell, plat::loword(wparam));
            return 0;
        case plat::WM_PAINT: {
            plat::PaintStruct ps;
            const plat::Dc dc = plat::begin_paint(hwnd, ps);
            if (dc && profile && profile->paint) {
                profile->paint(shell, dc, plat::get_client_size(hwnd));
            }
            plat::end_paint(hwnd, ps);
            return 0;
        }
        case plat::WM_SIZE:
            OnResize(shell, hwnd);
            return 0;
        case plat::WM_KEYDOWN:
            if (profile && profile->key) profile->key(shell, static_cast<int>(wparam));
            return 0;
        case plat::WM_MOUSEMOVE:
            OnMouseMove(shell, lparam);
            return 0;
        case plat::WM_LBUTTONDOWN:
            OnLButtonDown(shell, lparam);
            return 0;
        case plat::WM_LBUTTONUP:
            OnLButtonUp(shell, lparam);
            return 0;
        case plat::WM_RBUTTONDOWN:
            OnRButtonDown(shell, lparam);
            return 0;
        case plat::WM_RBUTTONUP:
            OnRButtonUp(shell);
            return 0;
        case plat::WM_MBUTTONDOWN:
            OnMButtonDown(shell, lparam);
            return 0;
        case plat::WM_MBUTTONUP:
            OnMButtonUp(shell);
            return 0;
        case plat::WM_MOUSEWHEEL:
            OnMouseWheel(shell, wparam, lparam);
            return 0;
        case plat::WM_CLOSE:
            // While the playback loop runs nested in this one, the first close only
            // stops it; the loop then takes the re-posted close and lets it destroy.
            if (shell.app.playing == 1) {
                shell.app.playing = 0;
                plat::post_message(shell.app.mainWindow, plat::WM_CLOSE);
                return 1;
            }
            if (profile && profile->may_close && !profile->may_close(shell)) return 0;
            return plat::def_window_proc(hwnd, message, wparam, lparam);
        case plat::WM_DESTROY:
            ShutdownMainWindow(shell);
            plat::post_quit_message(0);
            return 0;
        default:
            return plat::def_window_proc(hwnd, message, wparam, lparam);
    }
}

void ShutdownMainWindow(Shell& shell) {
    if (shell.profile && shell.profile->shutdown) shell.profile->shutdown(shell);
    release_button_images(shell);
}

bool AboutDialogProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM) {
    if (message == plat::WM_COMMAND && plat::loword(wparam) == plat::IDOK) {
        plat::end_dialog(dlg, 1);
        return true;
    }
    return false;
}

bool end_on_cancel(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam) {
    const bool cancel = message == plat::WM_CLOSE ||
                        (message == plat::WM_COMMAND && plat::loword(wparam) == plat::IDCANCEL);
    if (cancel) plat::end_dialog(dlg, 2);
    return cancel;
}

void RunAboutDialog(Shell& shell) {
    plat::dialog_box(resources::IDD_ABOUT, shell.app.mainWindow, &AboutDialogProc);
}

bool StartShell(Shell& shell, const ShellProfile& profile) {
    if (profile.resources) plat::use_resources(profile.resources);
    if (!RegisterMainClass(shell, profile)) return false;
    return static_cast<bool>(CreateMainWindow(shell, profile));
}

namespace {
// One message of the main loop: accelerators first, then translated and dispatched.
void handle(Shell& shell, const plat::Msg& msg) {
    if (shell.app.accelTable &&
        plat::translate_accelerator(shell.app.mainWindow, shell.app.accelTable, msg))
        return;
    plat::translate_message(msg);
    plat::dispatch_message(msg);
}
}  // namespace

int RunMessageLoop(Shell& shell) {
    plat::Msg msg;
    while (plat::get_message(msg)) handle(shell, msg);
    return static_cast<int>(msg.wparam);
}

bool DispatchPending(Shell& shell, int& exit_code) {
    plat::Msg msg;
    while (plat::peek_message(msg)) {
        if (msg.message == plat::WM_QUIT) {
            exit_code = static_cast<int>(msg.wparam);
            return false;
        }
        handle(shell, msg);
    }
    return true;
}

int RunShell(Shell& shell, const ShellProfile& profile) {
    if (!StartShell(shell, profile)) return 0;
    return RunMessageLoop(shell);
}

void OnResize(Shell& shell, plat::Hwnd hwnd) {
    // The first WM_SIZE arrives from inside create_window, before mainWindow is
    // set; the window's own handle is right in every case.
    render::resize_view(shell.view.state, plat::get_client_rect(hwnd));
}

void OnMButtonDown(Shell& shell, plat::LPARAM lparam) {
    begin_drag(shell, render::DragKind::Rotate, lparam);
}
void OnRButtonDown(Shell& shell, plat::LPARAM lparam) {
    begin_drag(shell, render::DragKind::Pan, lparam);
}
void OnLButtonDown(Shell& shell, plat::LPARAM lparam) {
    begin_drag(shell, render::DragKind::Zoom, lparam);
}
void OnMButtonUp(Shell& shell) {
    render::end_drag(shell.view, render::DragKind::Rotate);
}
void OnRButtonUp(Shell& shell) {
    render::end_drag(shell.view, render::DragKind::Pan);
}
void OnLButtonUp(Shell& shell, plat::LPARAM lparam) {
    const render::DragState& d = shell.view.drags.zoom;
    const bool was_down = d.active != 0;
    const int x = plat::get_x_lparam(lparam), y = plat::get_y_lparam(lparam);
    render::end_drag(shell.view, render::DragKind::Zoom);
    if (was_down && std::abs(x - d.startX) <= kClickSlop && std::abs(y - d.startY) <= kClickSlop &&
        shell.profile && shell.profile->click)
        shell.profile->click(shell, x, y);
}

void OnMouseWheel(Shell& shell, plat::WPARAM wparam, plat::LPARAM lparam) {
    render::zoom_about(shell.view.state, plat::get_wheel_delta_wparam(wparam),
                       plat::get_x_lparam(lparam), plat::get_y_lparam(lparam));
    plat::invalidate(shell.app.mainWindow, true);
}

void OnMouseMove(Shell& shell, plat::LPARAM lparam) {
    render::DragKind served;
    if (!render::drag_move(shell.view, plat::get_x_lparam(lparam), plat::get_y_lparam(lparam),
                           &served)) {
        return;
    }
    plat::set_cursor(cursor_of(shell, served));
    plat::invalidate(shell.app.mainWindow, true);
}

}  // namespace shell
