// The modeless "Frame Control" dialog that drives playback. Shown once both an ego
// track and trajectories are loaded; every later successful load replaces it.
#pragma once

namespace shell {

// Creates the dialog over the main window and stores it in frameControl. Playback
// is not built yet: no dialog is created.
void CreateFrameControl();
// Destroys the dialog in frameControl, if any, and clears the handle.
void DestroyFrameControl();

}  // namespace shell
