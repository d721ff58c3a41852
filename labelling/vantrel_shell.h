// The labelling tool's shell: its profile over the viewers' shared frame (class
// "VantrelClass", title "Vantrel", 720 x 480, menu 10, accelerator table 101, zoom
// 0.06), its commands and keys, its dialogs and loads, the save of the samples,
// and its form of the frame control (the overview's playback step).
//
// Keys act only while labelling is on: Page Up / Page Down the previous / next
// sample; Left / Right move the start (edit mode 1) or end (2) by 100 ms, by 1 s
// with Shift, or turn the frame (3) by 0.001 rad; Delete deletes the sample and
// moves on; A adjusts it automatically, R reverts that; 0 .. 9 set its label;
// Insert adds a sample of the Settings' default length after it (insert_time_ms);
// N splits it at its middle; Ctrl+Z / Ctrl+Shift+Z undo / redo (labelling/edits.h).
// Every edit updates the status line, the title and the journal. Accelerators:
// Ctrl+D labelling on and off, Ctrl+S / Ctrl+E / Ctrl+Y edit start / end / heading.
#pragma once

#include <optional>
#include <string>

#include "labelling/vantrel.h"
#include "platform/platform.h"
#include "shell/main_window.h"

namespace labelling {

const shell::ShellProfile& vantrel_profile();
// The labelling tool's resources: those of resources/ and the load progress window.
const plat::ResourceSet& vantrel_resources();

// WM_COMMAND of the main window (20 Load Ego, 21 Load Samples, 22 Load Traj Gen,
// 23 Save Samples, 25 About, 26 Exit, 50 .. 53 the Display menu, 60 .. 69 the
// labelling commands); anything else is ignored.
void VantrelCommand(Vantrel& app, int id);
// WM_KEYDOWN of the main window.
void VantrelKey(Vantrel& app, int vk);

// The three loads, with the path given instead of asked when there is one. Before
// "Load Ego" and "Load Samples", unsaved edits are offered for saving (see
// may_lose_edits). Each loads, then brings the session up to date: after the ego
// track the pose period, the margin and every sample's frame; after the samples
// their frames, record 0 and a clean unsaved flag, the label names of a
// labels.txt beside them, a fresh undo history and journal, a message box listing
// the samples the load shortened (an overlap), and the offer (Yes / No) to restore
// the journal when it is newer than the file; after the Traj Gen track record 0.
// Failures are shown in message boxes captioned "Error" over the main
// window (and written to the standard error stream, as the loads write them).
// Return 1 when the file was loaded (and, for the ego track and the samples, the
// frame control replaced when both are loaded).
int LoadEgoCommand(Vantrel& app, const std::optional<std::string>& path = std::nullopt);
int LoadSamplesCommand(Vantrel& app, const std::optional<std::string>& path = std::nullopt);
int LoadTrajGenCommand(Vantrel& app, const std::optional<std::string>& path = std::nullopt);
// "Save Samples": asks for a base name (cancel: false) unless one is given and
// writes the sample file and the pose exports (a name ending in ".txt" is taken
// without it); a failure shows "Open file failure." captioned with what could not
// be written. A save removes the journal; the saved file becomes the session's.
// True when all was written.
bool SaveSamplesCommand(Vantrel& app, const std::optional<std::string>& base = std::nullopt);

// With edits not saved since the last sample load or save, and app.ask set: asks
// "Save changes to the samples?" (Save, Discard, Cancel) over owner. Save runs the
// save and goes on only when it wrote everything; Discard goes on; Cancel stops.
// True: go on.
bool may_lose_edits(Vantrel& app, plat::Hwnd owner);

// The Settings dialog (2300): "Cur Traj ID" shows the current sample's identifier
// (-1 for none), "Traj Margin (s)" the margin with one decimal, "Default length
// (s)" the length of a sample Insert adds, "Labels" the label names
// ("0=none; 1=lane change left"); Ok applies them (a length that is no positive
// number is not taken).
// The record is the dialog's window data (its owner's).
bool SampleSettingsProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);

}  // namespace labelling
