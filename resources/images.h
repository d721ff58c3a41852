// Shared pictures of the viewers' resource sets (drawn by make_images.py).
#pragma once

#include <vector>

#include "platform/resource.h"

namespace resources {

// Icon 1: the window icon, 32 x 32.
const plat::ImageTemplate& app_icon();
// "EW_CUR" (rotate), "HAND_CUR" (pan), "MAG_CUR" (zoom), 32 x 32 with hot spots.
std::vector<plat::ImageTemplate> drag_cursors();
// "START_BTN", "PAUSE_BTN", "STOP_BTN", "ONESTEP_BTN", "JUMP_BTN", "_JUMP_BTN", 23 x 23.
std::vector<plat::ImageTemplate> button_bitmaps();

}  // namespace resources
