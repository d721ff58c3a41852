// The Qt back end (library scene_platform_qt), as programs see it: its
// registration and what tests need of it. No Qt header here: Qt stays inside
// platform/qt/.
#pragma once

#include <string>

#include "platform/platform.h"

namespace plat::qt {

// Makes the back end "qt" known to start_platform (it shows windows and draws
// pixels), and lets the headless back end rasterise its recorded canvases to PNG.
// Call before start_platform; repeating it is harmless.
void register_backend();

// Grabs a window's client picture (as last painted) into a PNG file. For tests
// under the offscreen platform, which cannot grab the screen. False for a stale
// handle or when the qt back end is not running, or when the file cannot be written
// (error, when given, says why; the file that was there stays as it was).
bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error = nullptr);

}  // namespace plat::qt
