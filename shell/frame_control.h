// The modeless "Frame Control" dialog (2200) and the playback loop it drives.
//
// The dialog floats over the main window once both data sets are loaded; its
// Start, Stop and Step buttons start, hold, resume, stop and single-step
// playback, Jump moves the clock to the frame typed into "Frame #", and three
// edit boxes show where the scene stands. Playback is a message loop nested
// inside the Start button's handler: each tick moves the program's clock, asks
// for a repaint and a refresh of the texts, then sleeps. The buttons talk to the
// loop only through codes posted to the main window and the playing/paused flags
// of AppState, so every menu, dialog, key and drag keeps working while it plays.
//
// What the program's clock is, how its texts read and what Jump does come from
// the program's PlaybackProfile; the dialog, the state machine and the loop are
// shared by both viewers.
//
// States (playing, paused): Idle (0, 0), Running (1, 0), Held (1, 1).
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "shell/shell.h"

namespace shell {

// Codes posted to the main window as WM_COMMAND (lparam 0); the playback loop
// takes them, the main window ignores them when no loop runs.
constexpr int PB_STOP = 230;    // end playback
constexpr int PB_PAUSE = 231;   // hold playback
constexpr int PB_RESUME = 232;  // continue playback
constexpr int PB_STEP = 233;    // one tick while held
// Dialog messages sent to the frame control (wparam 0, lparam 0).
constexpr unsigned FCM_SHOW_STOPPED = 2207;  // the button images of the stopped state
constexpr unsigned FCM_SHOW_RUNNING = 2208;  // the button images of the running state
// Posted to the dialog as WM_COMMAND: refresh the three texts.
constexpr int FCM_REFRESH = 2210;

// Sleeps of the loop, milliseconds.
constexpr unsigned kTickSleepMs = 10;     // after each tick
constexpr unsigned kHeldPollMs = 100;     // while held, between looks at the queue
constexpr unsigned kFinishSleepMs = 100;  // when playback ends

// What a program's playback is made of.
struct PlaybackProfile {
    // Fills the dialog's texts from the program's clock.
    void (*refresh_texts)(Shell& shell, plat::Hwnd dlg) = nullptr;
    // One tick: the clock moves on, wrapping to the start at the end of the data.
    void (*tick)(Shell& shell) = nullptr;
    // The sleep after a tick, milliseconds (kTickSleepMs, or paced by the program).
    // in_a_row: the previous pass of this loop ended with a tick's sleep too;
    // pass_start: when this pass began (tick_ms()).
    unsigned (*tick_sleep)(Shell& shell, bool in_a_row, std::uint64_t pass_start) = nullptr;
    // The Jump button, with the dialog's handle.
    void (*jump)(Shell& shell, plat::Hwnd dlg) = nullptr;
    // Whether the loop offers each message to the main window's accelerator table
    // before it dispatches it.
    bool accelerators = false;
};

// The running program's playback profile (from its ShellProfile); null without one.
const PlaybackProfile* playback_profile(const Shell& shell);

// Creates dialog 2200 modeless, owned by the main window, stores it in
// frameControl, shows it and sends it FCM_SHOW_STOPPED.
void CreateFrameControl(Shell& shell);
// Destroys the dialog in frameControl, if any, and clears the handle.
void DestroyFrameControl(Shell& shell);

// The dialog's procedure: WM_INITDIALOG refreshes the texts and loads the six
// button images (once per program); the buttons call the actions below; Return
// (a key press to the dialog) is the Jump button; Frame # losing the focus drops a
// number typed there for the clock's (EN_KILLFOCUS); 2210 refreshes the texts; the
// close box does nothing; FCM_SHOW_* set the images of Step, Start, Stop and Jump.
bool FrameControlProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);

// Idle: running images, playing, and the loop (returns when playback has ended).
// Held: running images and PB_RESUME. Running: stopped images, PB_PAUSE, held.
void StartPressed(Shell& shell);
// Posts PB_STOP when playing; shows the stopped images in every state.
void StopPressed(Shell& shell);
// Posts PB_STEP (it ticks only while held).
void StepPressed(Shell& shell);

// The playback loop. Each pass takes every queued message (paints included):
// an Escape key press to any window holds with the stopped images (as the Start
// button holds), WM_COMMAND 230 to 233 to the main
// window stop, hold, resume or request a step (each ends the pass), WM_CLOSE is
// dispatched and ends playback, everything else is dispatched. Then, unless
// playback ended or is held without a step request, it ticks, invalidates the
// main window without erase, posts FCM_REFRESH to the dialog in frameControl
// (looked up anew, so a dialog replaced by a load keeps getting them) and sleeps.
// Held, it sleeps kHeldPollMs between passes.
void RunPlayback(Shell& shell);
// The common end: stopped images, not paused, a sleep of kFinishSleepMs.
void FinishPlayback(Shell& shell);

// Puts text into the Frame # box, unless keep_typed and the user has typed there
// since it was last given a number: a number typed for Jump outlives the refreshes
// of playback.
void show_frame_number(Shell& shell, plat::Hwnd dlg, const std::string& text, bool keep_typed);

// The button images, loaded by name once per program and released at shutdown.
void release_button_images(Shell& shell);
// The resource name of a button image ("START_BTN"); "-" for none or another bitmap.
const char* button_image_name(const Shell& shell, plat::Bitmap image);

}  // namespace shell
