// The viewer's playback: what its frame control shows, what a tick does, the Jump
// button, the playback keys of the main window and the real-time pacing.
//
// Keys on the main window (while the scene is ready to play):
//   Space  the Start button
//   Right  one tick forward (wrap-around included): at once when idle, as the Step
//          button when held, nothing while running
//   Left   one tick back, idle or held; nothing while running
//   Home   back to the scene's start, in every state
//   Up     doubles the playback speed of real-time pacing (at most 16)
//   Down   halves it (at least 1/16)
//   R      Reset View; F Follow Selected; E selects the ego (viewer/selection.h)
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "shell/frame_control.h"
#include "viewer/plovane.h"

namespace shell {

// The viewer's PlaybackProfile.
const PlaybackProfile& plovane_playback_profile();

// Frame # = current_frame (the frame whose boxes are drawn), Ellapsed [s] = elapsed_ms / 1000
// (truncating), Time = current_time as a time of day (frame_time_text). A number the user typed
// into Frame # stays until Jump takes it (or the clock is moved by hand).
void RefreshFrameTexts(Shell& shell, plat::Hwnd dlg);
// "%02d:%02d:%02d:%03d " of hours (t / 3600000) mod 24, minutes, seconds and
// milliseconds of t, each passed as an unsigned 16-bit number: 90000000 gives
// "01:00:00:000 ".
std::string frame_time_text(int32_t t);

// One tick of playback: step_scene; when the scene has ended or current_time
// passed the file's last time, back to min_time (seek_scene) with the history
// emptied.
void plovane_tick(Shell& shell);

// Moves the clock to frame (Frame # then shows it, or the first frame the clock
// reaches beyond it): a target before current_frame first rewinds and seeks to min_time as a load
// does; then the clock steps while current_frame is below the target and the scene goes on. Empties
// the history, repaints without erase and refreshes the texts.
void jump_to_frame(Shell& shell, int64_t frame);
// Home: back to the scene's start (rewind, seek to min_time), history emptied,
// repaint, texts refreshed.
void go_to_scene_start(Shell& shell);
// Left: one tick back: from the start again to the frame before the previous
// one (current_frame - frameStep), history emptied, repaint, texts refreshed.
void step_back(Shell& shell);

// WM_KEYDOWN of the main window: the keys above.
void PlovaneKey(Shell& shell, int vk);

// ---- Real-time pacing (Display menu "Real Time", command 57) ---------------------------

// Menu command 57: flips real time, sets its check mark, shows the speed in the
// main window's title while on.
void toggle_real_time(Plovane& viewer);
// Doubles (+1) or halves (-1) the speed within its range; the title follows.
void change_speed(Plovane& viewer, int step);
// The main window's title: the program's title, the loaded TRAJ file's name and,
// while real time is on, the speed ("Plovane — highway.traj — 2×", "Plovane — 1/4×").
std::string plovane_title(const Plovane& viewer);
// The sleep after a tick: kTickSleepMs, or with real time on the time the tick
// moved the clock divided by the speed, less the time the tick took, at least 0.
// The time the tick took counts from when the previous tick's sleep was due to end
// (in_a_row), so that a sleep that overran is made up, else from pass_start.
unsigned plovane_tick_sleep(Shell& shell, bool in_a_row, std::uint64_t pass_start);

}  // namespace shell
