// The frame of both viewers: the main window class and window, its procedure with
// the command dispatch, the About box, the message loop and the clean-up at exit.
//
// What differs between the viewer and the labelling tool is one ShellProfile: the
// class name, title and size of the window, its menu and accelerator table, the
// initial zoom, its resources, and four functions (renderer start-up with the
// display-setting defaults, shutdown, paint, commands). Everything else here is
// shared.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "shell/shell.h"

namespace shell {

struct PlaybackProfile;

// One program's shell.
struct ShellProfile {
    std::string className;  // window class ("PlovaneClass")
    std::string title;      // window title ("Plovane")
    int width = 960;        // outer window size, pixels
    int height = 640;
    int menuId = 10;              // menu resource of the window
    int iconId = 1;               // icon resource
    int accelTableId = 0;         // accelerator table; 0: none. A missing table fails start-up.
    double initialScale = 0.045;  // zoom of ResetView, pixels per centimetre
    const plat::ResourceSet* resources = nullptr;  // installed by StartShell when set

    // Renderer start-up: the display-setting defaults and check marks of the
    // program's DisplayProfile (render/display_settings.h), pens and brushes, the
    // zero model pose, and what else the program's painter keeps.
    void (*startup)(Shell& shell) = nullptr;
    // Releases what the program holds, at WM_DESTROY.
    void (*shutdown)(Shell& shell) = nullptr;
    // Paints the whole client area for WM_PAINT.
    void (*paint)(Shell& shell, plat::Dc dc, plat::Size client) = nullptr;
    // Runs menu or accelerator command id; anything it does not know it ignores.
    void (*command)(Shell& shell, int id) = nullptr;
    // WM_KEYDOWN of the main window with its virtual-key code; null: keys do nothing.
    void (*key)(Shell& shell, int vk) = nullptr;
    // A left click (press and release within kClickSlop pixels) at client (x, y);
    // null: a left press and release is only the zoom drag.
    void (*click)(Shell& shell, int x, int y) = nullptr;
    // The frame control's texts, tick and Jump (shell/frame_control.h).
    const PlaybackProfile* playback = nullptr;
    // Asked before the window closes (close box, Exit); false keeps it open. Null: closes.
    bool (*may_close)(Shell& shell) = nullptr;
};

// Loads the profile's accelerator table (when it names one) into the shell and
// registers the window class. Nonzero on success; 0 when the table is missing or
// the class cannot be registered.
int RegisterMainClass(Shell& shell, const ShellProfile& profile);

// Creates the main window (title, size, class menu) carrying the shell as its
// window data, stores it in mainWindow, runs InitMainWindow, shows and updates it.
// Null when the window cannot be created.
plat::Hwnd CreateMainWindow(Shell& shell, const ShellProfile& profile);

// One-time set-up after the window exists: the profile's renderer start-up,
// ResetView, BuildTrigTables, the three drag cursors.
void InitMainWindow(Shell& shell);

// The main window's procedure; the shell is the window's data.
plat::LRESULT MainWindowProc(plat::Hwnd hwnd, unsigned message, plat::WPARAM wparam,
                             plat::LPARAM lparam);

// WM_DESTROY: the profile's shutdown (renderer, stores).
void ShutdownMainWindow(Shell& shell);

// The About box's procedure: only OK (WM_COMMAND 1) ends it.
bool AboutDialogProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);
// Runs the About box (dialog 2000) modally over the main window.
void RunAboutDialog(Shell& shell);

// The ending every settings dialog shares: Cancel (WM_COMMAND 2, also Escape) and
// the close box (WM_CLOSE) end the modal dialog with 2 and change nothing.
// Returns true when the message was one of them.
bool end_on_cancel(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam);

// Installs the profile's resources (when it has them), RegisterMainClass and
// CreateMainWindow; from then on the loaders' error reports (error_sink) are
// message boxes captioned "Error" over the main window. False when the class or
// the window cannot be made (the program then ends with 0).
bool StartShell(Shell& shell, const ShellProfile& profile);

// The message loop: each message is offered to the accelerator table first, then
// translated and dispatched. Returns the quit message's exit code.
int RunMessageLoop(Shell& shell);
// The same for what is queued now (and the paints that follow), without waiting:
// returns false, with exit_code set, when the quit message was taken.
bool DispatchPending(Shell& shell, int& exit_code);

// StartShell, then RunMessageLoop. Returns the loop's exit code, 0 when start-up
// fails.
int RunShell(Shell& shell, const ShellProfile& profile);

// ---- View handlers (WM_SIZE and the mouse) ---------------------------------------------

// WM_SIZE: the view's origin moves to the middle of the client area, as at start-up.
void OnResize(Shell& shell, plat::Hwnd hwnd);
void OnMButtonDown(Shell& shell, plat::LPARAM lparam);  // rotate drag, "EW_CUR"
void OnRButtonDown(Shell& shell, plat::LPARAM lparam);  // pan drag, "HAND_CUR"
void OnLButtonDown(Shell& shell, plat::LPARAM lparam);  // zoom drag, "MAG_CUR"
void OnMButtonUp(Shell& shell);
void OnRButtonUp(Shell& shell);
// Left button up: ends the zoom drag; when the button went down within kClickSlop
// pixels of here, it was a click too (the profile's click hook).
void OnLButtonUp(Shell& shell, plat::LPARAM lparam);
constexpr int kClickSlop = 3;
// Serves the first active drag (middle, right, left), sets its cursor again and
// repaints the main window with erase; nothing when no drag is active.
void OnMouseMove(Shell& shell, plat::LPARAM lparam);
// The wheel: zooms about the pointer (render::zoom_about) and repaints.
void OnMouseWheel(Shell& shell, plat::WPARAM wparam, plat::LPARAM lparam);

}  // namespace shell
