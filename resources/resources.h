// The resources of the two viewers: menus, dialogs, accelerators, icon, cursors
// and button bitmaps, as data for plat::use_resources.
#pragma once

#include "platform/resource.h"

namespace resources {

// Plovane: menu 10, dialogs 2000 (About), 2100 (Display Setting), 2200 (Frame
// Control), 2300 (Traj Color Setting), icon 1, the drag cursors and the six
// frame-control button bitmaps.
const plat::ResourceSet& plovane();
// Vantrel: its menu 10, dialogs 2000, 2100 (four fields), 2200, 2300 (Settings),
// accelerator table 101, icon 1, the drag cursors and the button bitmaps.
const plat::ResourceSet& vantrel();

}  // namespace resources
