// The viewer's modal "Traj Color Setting" dialog (2300), menu command 55 "Set
// TrajCol": shows and edits the role colours (render/role_colours.h).
#pragma once

#include <cstddef>

#include "platform/platform.h"
#include "shell/shell.h"

namespace shell {

// Characters of a field the dialog reads (an 80-byte buffer).
constexpr std::size_t kRoleFieldMaxChars = 79;

// Procedure of dialog 2300 over the view's role colours (the shell is the
// dialog's window data), the main window repainted after OK. WM_INITDIALOG fills
// the fields (ids "%d", colours "%d,%d,%d", speeds with two decimals and a
// decimal point whatever the locale). On OK with "Traj Col Setting On" ticked the
// fields are read (ids and speeds as numbers, colours as three integers separated
// by ", \t"; an empty field or a colour with fewer than three numbers keeps its
// member), role colours go on and the role pens are made anew; unticked, only
// role colours go off and the fields are discarded. Both repaint the owner
// without erase and end the dialog with 1. Cancel and the close box end it with 2
// and change nothing.
bool TrajColorSettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam,
                          plat::LPARAM lparam);

// Runs dialog 2300 modally over the main window. Returns its result (1 OK, 2 Cancel).
plat::LRESULT run_traj_color_dialog(Shell& shell);

}  // namespace shell
