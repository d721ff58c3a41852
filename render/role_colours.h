// Role colours: which surrounding vehicles are drawn as front, lead, lag and rear,
// in which colours, the ego car's colour and the speed range of the history
// shading. Read once from "trajcolset.ini", edited in the "Traj Color Setting" dialog.
#pragma once

#include "platform/platform.h"

namespace render {

// Menu command 55 "Set TrajCol": runs the modal "Traj Color Setting" dialog (2300)
// with `owner` as owner. OK applies the fields and repaints the owner without erase;
// Cancel changes nothing. Returns the dialog's result (1 OK, 2 Cancel).
plat::LRESULT run_traj_color_dialog(plat::Hwnd owner);

}  // namespace render
