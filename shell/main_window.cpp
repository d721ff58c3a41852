#include "shell/main_window.h"

#include "data/report.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/frame_control.h"

namespace shell {

namespace {

AppState g_app;
const ShellProfile* g_profile = nullptr;

struct DragCursors {
    plat::Hcursor rotate;  // "EW_CUR"
    plat::Hcursor pan;     // "HAND_CUR"
    plat::Hcursor zoom;    // "MAG_CUR"
};
DragCursors g_cursors;

plat::Hcursor cursor_of(render::DragKind kind) {
    switch (kind) {
        case render::DragKind::Rotate:
            return g_cursors.rotate;
        case render::DragKind::Pan:
            return g_cursors.pan;
        case render::DragKind::Zoom:
            break;
    }
    return g_cursors.zoom;
}

void begin_drag(render::DragKind kind, plat::LPARAM lparam) {
    plat::set_cursor(cursor_of(kind));
    render::begin_drag(kind, plat::get_x_lparam(lparam), plat::get_y_lparam(lparam));
}

// Load failures the user must see are message boxes over the main window.
void error_box(std::string_view text) {
    plat::message_box(g_app.mainWindow, text, "Error");
}

}  // namespace

AppState& app_state() {
    return g_app;
}
const ShellProfile* shell_profile() {
    return g_profile;
}

void reset_shell() {
    g_app = AppState{};
    g_profile = nullptr;
    g_cursors = DragCursors{};
    render::reset_drags();
    set_error_sink(nullptr);
}

int RegisterMainClass(const ShellProfile& profile) {
    if (profile.accelTableId != 0) {
        g_app.accelTable = plat::load_accelerators(profile.accelTableId);
        if (!g_app.accelTable) return 0;
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

plat::Hwnd CreateMainWindow(const ShellProfile& profile) {
    g_profile = &profile;
    const plat::Hwnd hwnd =
        plat::create_window(profile.className, profile.title, profile.width, profile.height);
    if (!hwnd) return hwnd;
    g_app.mainWindow = hwnd;
    InitMainWindow();
    plat::show_window(hwnd, true);
    plat::update_window(hwnd);
    return hwnd;
}

void InitMainWindow() {
    const plat::Hwnd hwnd = g_app.mainWindow;
    const ShellProfile* profile = g_profile;
    if (profile && profile->startup) profile->startup(hwnd);
    render::ResetView(plat::get_client_size(hwnd),
                      profile ? profile->initialScale : render::kPlovaneInitialScale);
    render::BuildTrigTables();
    g_cursors.pan = plat::load_cursor(resources::CUR_HAND);
    g_cursors.zoom = plat::load_cursor(resources::CUR_ZOOM);
    g_cursors.rotate = plat::load_cursor(resources::CUR_ROTATE);
}

plat::LRESULT MainWindowProc(plat::Hwnd hwnd, unsigned message, plat::WPARAM wparam,
                             plat::LPARAM lparam) {
    switch (message) {
        case plat::WM_COMMAND:
            if (g_profile && g_profile->command) g_profile->command(hwnd, plat::loword(wparam));
            return 0;
        case plat::WM_PAINT: {
            plat::PaintStruct ps;
            const plat::Dc dc = plat::begin_paint(hwnd, ps);
            if (dc && g_profile && g_profile->paint) {
                g_profile->paint(dc, plat::get_client_size(hwnd));
            }
            plat::end_paint(hwnd, ps);
            return 0;
        }
        case plat::WM_SIZE:
            OnResize(hwnd);
            return 0;
        case plat::WM_KEYDOWN:
            if (g_profile && g_profile->key) g_profile->key(hwnd, static_cast<int>(wparam));
            return 0;
        case plat::WM_MOUSEMOVE:
            OnMouseMove(lparam);
            return 0;
        case plat::WM_LBUTTONDOWN:
            OnLButtonDown(lparam);
            return 0;
        case plat::WM_LBUTTONUP:
            OnLButtonUp();
            return 0;
        case plat::WM_RBUTTONDOWN:
            OnRButtonDown(lparam);
            return 0;
        case plat::WM_RBUTTONUP:
            OnRButtonUp();
            return 0;
        case plat::WM_MBUTTONDOWN:
            OnMButtonDown(lparam);
            return 0;
        case plat::WM_MBUTTONUP:
            OnMButtonUp();
            return 0;
        case plat::WM_CLOSE:
            // While the playback loop runs nested in this one, the first close only
            // stops it; the loop then takes the re-posted close and lets it destroy.
            if (g_app.playing == 1) {
                g_app.playing = 0;
                plat::post_message(g_app.mainWindow, plat::WM_CLOSE);
                return 1;
            }
            if (g_profile && g_profile->may_close && !g_profile->may_close(hwnd)) return 0;
            return plat::def_window_proc(hwnd, message, wparam, lparam);
        case plat::WM_DESTROY:
            ShutdownMainWindow();
            plat::post_quit_message(0);
            return 0;
        default:
            return plat::def_window_proc(hwnd, message, wparam, lparam);
    }
}

void ShutdownMainWindow() {
    if (g_profile && g_profile->shutdown) g_profile->shutdown();
    release_button_images();
    set_error_sink(nullptr);
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

void RunAboutDialog() {
    plat::dialog_box(resources::IDD_ABOUT, g_app.mainWindow, &AboutDialogProc);
}

bool StartShell(const ShellProfile& profile) {
    if (profile.resources) plat::use_resources(profile.resources);
    if (!RegisterMainClass(profile)) return false;
    set_error_sink(&error_box);
    if (CreateMainWindow(profile)) return true;
    set_error_sink(nullptr);
    return false;
}

namespace {
// One message of the main loop: accelerators first, then translated and dispatched.
void handle(const plat::Msg& msg) {
    if (g_app.accelTable && plat::translate_accelerator(g_app.mainWindow, g_app.accelTable, msg))
        return;
    plat::translate_message(msg);
    plat::dispatch_message(msg);
}
}  // namespace

int RunMessageLoop() {
    plat::Msg msg;
    while (plat::get_message(msg)) handle(msg);
    return static_cast<int>(msg.wparam);
}

bool DispatchPending(int& exit_code) {
    plat::Msg msg;
    while (plat::peek_message(msg)) {
        if (msg.message == plat::WM_QUIT) {
            exit_code = static_cast<int>(msg.wparam);
            return false;
        }
        handle(msg);
    }
    return true;
}

int RunShell(const ShellProfile& profile) {
    if (!StartShell(profile)) return 0;
    return RunMessageLoop();
}

void OnResize(plat::Hwnd hwnd) {
    // The first WM_SIZE arrives from inside create_window, before mainWindow is
    // set; the window's own handle is right in every case.
    render::resize_view(plat::get_client_rect(hwnd));
}

void OnMButtonDown(plat::LPARAM lparam) {
    begin_drag(render::DragKind::Rotate, lparam);
}
void OnRButtonDown(plat::LPARAM lparam) {
    begin_drag(render::DragKind::Pan, lparam);
}
void OnLButtonDown(plat::LPARAM lparam) {
    begin_drag(render::DragKind::Zoom, lparam);
}
void OnMButtonUp() {
    render::end_drag(render::DragKind::Rotate);
}
void OnRButtonUp() {
    render::end_drag(render::DragKind::Pan);
}
void OnLButtonUp() {
    render::end_drag(render::DragKind::Zoom);
}

void OnMouseMove(plat::LPARAM lparam) {
    render::DragKind served;
    if (!render::drag_move(plat::get_x_lparam(lparam), plat::get_y_lparam(lparam), &served)) {
        return;
    }
    plat::set_cursor(cursor_of(served));
    plat::invalidate(g_app.mainWindow, true);
}

}  // namespace shell
