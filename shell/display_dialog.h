// The modal "Display Setting" dialog (2100): shows the display settings and the
// clock's frame step and minimum trajectory length, and stores them on OK.
#pragma once

#include "platform/platform.h"

namespace shell {

// Caption of the message box that refuses a field.
constexpr const char* kDisplaySettingCaption = "Display Setting";

// Procedure of dialog 2100. WM_INITDIALOG fills the profile's fields (2101 ..);
// OK reads them: a refused field (Grid Size X, Y:X Factor or Millisec:Meter Factor
// not greater than 0) gets a message box naming it and the dialog stays open with
// the user's text; otherwise the record and the clock settings are stored, the
// owner is repainted without erase and the dialog ends with 1. Cancel and the
// close box end it with 2 and change nothing.
bool DisplaySettingProc(plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam);

// Runs dialog 2100 modally over owner; returns its result (1 OK, 2 Cancel).
plat::LRESULT RunDisplaySettingDialog(plat::Hwnd owner);

}  // namespace shell
