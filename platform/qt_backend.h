// Registration of the Qt back end (library scene_platform_qt). No Qt header here.
#pragma once

#include <string>

#include "platform/platform.h"

namespace plat {

// Makes the back end "qt" known to start_platform, and lets the headless back end
// rasterise its recorded canvases to PNG. Call once before start_platform.
void register_qt_backend();

namespace qt {

// Grabs a window's client picture (as last painted) into a PNG file. For tests
// under the offscreen platform, which cannot grab the screen. False for a stale
// handle or when the qt back end is not running.
bool save_window_png(Hwnd hwnd, const std::string& path);

}  // namespace qt
}  // namespace plat
