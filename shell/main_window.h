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

namespace shell {

// The application state every viewer part reads; all zero at start.
struct AppState {
    plat::Hwnd mainWindow;    // the main window, set right after it is created
    plat::Hwnd frameControl;  // the modeless "Frame Control" dialog, null until both
                              // data sets are loaded
    plat::Haccel accelTable;  // null unless the profile names a table
    int playing = 0;          // 1 while the playback loop runs
    int paused = 0;           // 1 while playback is held
};

AppState& app_state();

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
    void (*startup)(plat::Hwnd mainWindow) = nullptr;
    // Releases what the program holds, at WM_DESTROY.
    void (*shutdown)() = nullptr;
    // Paints the whole client area for WM_PAINT.
    void (*paint)(plat::Dc dc, plat::Size client) = nullptr;
    // Runs menu or accelerator command id; anything it does not know it ignores.
    void (*command)(plat::Hwnd mainWindow, int id) = nullptr;
    // WM_KEYDOWN of the main window with its virtual-key code; null: keys do nothing.
    void (*key)(plat::Hwnd mainWindow, int vk) = nullptr;
    // The frame control's texts, tick and Jump (shell/frame_control.h).
    const PlaybackProfile* playback = nullptr;
    // Asked before the window closes (close box, Exit); false keeps it open. Null: closes.
    bool (*may_close)(plat::Hwnd mainWindow) = nullptr;
};

// The profile of the running shell (set by StartShell; null before).
const ShellProfile* shell_profile();

// Back to the state before start-up: AppState zero, no drags, no cursors, no
// profile. The platform is left alone.
void reset_shell();

// Loads the profile's accelerator table (when it names one) and registers the
// window class. Nonzero on success; 0 when the table is missing or the class
// cannot be registered.
int RegisterMainClass(const ShellProfile& profile);

// Creates the main window (title, size, class menu), stores it in mainWindow, runs
// InitMainWindow, shows and updates it. Null when the window cannot be created.
plat::Hwnd CreateMainWindow(const ShellProfile& profile);

// One-time set-up after the window exists: the profile's renderer start-up,
// ResetView, BuildTrigTables, the three drag cursors.
void InitMainWindow();

// The main window's procedure.
plat::LRESULT MainWindowProc(plat::Hwnd hwnd, unsigned message, plat::WPARAM wparam,
                             plat::LPARAM lparam);

// WM_DESTROY: the profile's shutdown (renderer, stores); load failures go back to
// standard error.
void ShutdownMainWindow();

// The About box's procedure: only OK (WM_COMMAND 1) ends it.
bool AboutDialogProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);
// Runs the About box (dialog 2000) modally over the main window.
void RunAboutDialog();

// The ending every settings dialog shares: Cancel (WM_COMMAND 2, also Escape) and
// the close box (WM_CLOSE) end the modal dialog with 2 and change nothing.
// Returns true when the message was one of them.
bool end_on_cancel(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam);

// Installs the profile's resources (when it has them), RegisterMainClass and
// CreateMainWindow, and turns the loaders' error reports (data/report.h) into
// message boxes captioned "Error" over the main window. False when the class or
// the window cannot be made (the program then ends with 0).
bool StartShell(const ShellProfile& profile);

// The message loop: each message is offered to the accelerator table first, then
// translated and dispatched. Returns the quit message's exit code.
int RunMessageLoop();
// The same for what is queued now (and the paints that follow), without waiting:
// returns false, with exit_code set, when the quit message was taken.
bool DispatchPending(int& exit_code);

// StartShell, then RunMessageLoop. Returns the loop's exit code, 0 when start-up
// fails.
int RunShell(const ShellProfile& profile);

// ---- View handlers (WM_SIZE and the mouse) ---------------------------------------------

// WM_SIZE: the view's origin moves to a tenth of the width and half the height.
void OnResize(plat::Hwnd hwnd);
void OnMButtonDown(plat::LPARAM lparam);  // rotate drag, "EW_CUR"
void OnRButtonDown(plat::LPARAM lparam);  // pan drag, "HAND_CUR"
void OnLButtonDown(plat::LPARAM lparam);  // zoom drag, "MAG_CUR"
void OnMButtonUp();
void OnRButtonUp();
void OnLButtonUp();
// Serves the first active drag (middle, right, left), sets its cursor again and
// repaints the main window with erase; nothing when no drag is active.
void OnMouseMove(plat::LPARAM lparam);

}  // namespace shell
