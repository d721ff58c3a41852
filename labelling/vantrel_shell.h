// The labelling tool's shell: its profile over the viewers' shared frame (class
// "VantrelClass", title "Vantrel", 720 x 480, menu 10, accelerator table 101, zoom
// 0.06), its commands and keys, its dialogs and loads, the save of the samples,
// and its form of the frame control (the overview's playback step).
//
// Keys act only while labelling is on: Page Up / Page Down the previous / next
// sample; Left / Right move the start (edit mode 1) or end (2) by 100 ms, by 1 s
// with Shift, or turn the frame (3) by 0.001 rad; Delete deletes the sample and
// moves on; A adjusts it automatically, R reverts that. Accelerators: Ctrl+D
// labelling on and off, Ctrl+S / Ctrl+E / Ctrl+Y edit start / end / heading.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "shell/main_window.h"

namespace labelling {

const shell::ShellProfile& vantrel_profile();
// The labelling tool's resources: those of resources/ and the load progress window.
const plat::ResourceSet& vantrel_resources();

// WM_COMMAND of the main window (20 Load Ego, 21 Load Samples, 22 Load Traj Gen,
// 23 Save Samples, 25 About, 26 Exit, 50 .. 53 the Display menu, 60 .. 69 the
// labelling commands); anything else is ignored.
void VantrelCommand(plat::Hwnd hwnd, int id);
// WM_KEYDOWN of the main window.
void VantrelKey(plat::Hwnd hwnd, int vk);

// The three loads, with the path given instead of asked when there is one. Before
// "Load Ego" and "Load Samples", unsaved edits are offered for saving (see
// may_lose_edits). Return 1 when the file was loaded (and, for the ego track and
// the samples, the frame control replaced when both are loaded).
int LoadEgoCommand(const std::optional<std::string>& path = std::nullopt);
int LoadSamplesCommand(const std::optional<std::string>& path = std::nullopt);
int LoadTrajGenCommand(const std::optional<std::string>& path = std::nullopt);
// "Save Samples": asks for a base name (cancel: false) unless one is given and
// writes the sample file and the pose exports; a failure shows "Open file
// failure." captioned with what could not be written. True when all was written.
bool SaveSamplesCommand(const std::optional<std::string>& base = std::nullopt);

// With edits not saved since the last sample load or save: asks "Save changes to
// the samples?" (Save, Discard, Cancel). Save runs the save and goes on only when
// it wrote everything; Discard goes on; Cancel stops. True: go on.
bool may_lose_edits(plat::Hwnd owner);
// Whether may_lose_edits asks (the script mode never asks and goes on).
void set_ask_before_losing_edits(bool ask);

// The Settings dialog (2300): "Cur Traj ID" shows the current sample's identifier
// (-1 for none), "Traj Margin (s)" the margin with one decimal; Ok applies them.
bool SampleSettingsProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);

// Back to the start values of the labelling tool's shell state.
void reset_vantrel_shell();

}  // namespace labelling
