// The app record of both viewers: everything a viewer's window, dialogs, commands,
// playback and command line work on, in one record that the program owns and
// hands on by reference. The main window carries a pointer to it (its window
// data, as a Win32 program keeps one in the window's user data), so every window
// and dialog procedure reaches it through the window it serves (shell_of). A
// program's own record extends it (the viewer's Plovane, the labelling tool's
// Vantrel).
#pragma once

#include <string>

#include "data/report.h"
#include "data/scene.h"
#include "platform/platform.h"
#include "render/view.h"

namespace shell {

struct ShellProfile;
struct DisplayProfile;
struct ScriptRun;

// The windows and the playback flags; all zero at start.
struct AppState {
    plat::Hwnd mainWindow;    // the main window, set right after it is created
    plat::Hwnd frameControl;  // the modeless "Frame Control" dialog, null until both
                              // data sets are loaded
    plat::Haccel accelTable;  // null unless the profile names a table
    int playing = 0;          // 1 while the playback loop runs
    int paused = 0;           // 1 while playback is held
};

// The cursors of the three drags, loaded when the main window is made.
struct DragCursors {
    plat::Hcursor rotate;  // "EW_CUR"
    plat::Hcursor pan;     // "HAND_CUR"
    plat::Hcursor zoom;    // "MAG_CUR"
};

// The six images of the Frame Control's buttons, loaded at its first dialog and
// kept until shutdown.
struct ButtonImages {
    plat::Bitmap start, pause, stop, onestep, jump, jump_grey;
    bool loaded = false;
};

// What the Frame # box was last given, so that a number the user typed outlives
// the refreshes of playback (until Jump, Return, a move of the clock by hand or the
// box losing the focus).
struct FrameBox {
    plat::Hwnd dialog;
    std::string shown;
};

struct Shell {
    AppState app;
    const ShellProfile* profile = nullptr;    // the running program's (set by StartShell)
    const DisplayProfile* display = nullptr;  // its Display menu (set_display_marks)
    Scene scene;                              // the ego track, the trajectories, the clock
    render::View view;                        // how the scene is looked at and drawn
    DragCursors cursors;
    ButtonImages images;
    FrameBox frame_box;
    ScriptRun* script = nullptr;  // the script driving the program headless (shell/script.h)

    Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;
    virtual ~Shell() = default;
};

// The record a window of the program carries (the main window, its dialogs and
// their controls). The window must be one of the shell's.
Shell& shell_of(plat::Hwnd hwnd);

// Where the loaders' failures go: a message box captioned "Error" over the main
// window once it exists, else standard error (print_error).
ErrorSink error_sink(Shell& shell);

}  // namespace shell
