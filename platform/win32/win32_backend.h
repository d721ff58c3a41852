// The Win32 back end (library scene_platform_win32, Windows build only), as
// programs and tests see it: its registration and what tests need of it. No
// windows.h here: it stays inside platform/win32/.
#pragma once

#include <string>

#include "platform/platform.h"

namespace plat::win32 {

// Makes the back end "win32" known to start_platform (it shows windows and draws
// pixels), and lets the headless back end rasterise its recordings to PNG through
// GDI. Call before start_platform; repeating it is harmless.
void register_backend();

// The viewers are window programs: started from Explorer they open no console.
// Started from a console, this sends standard output and standard error that are
// not redirected to that console, so --help, the dumps and the messages show
// there. Call first thing in main.
void attach_parent_console();

// Writes a window's client area, as it is on the screen now, to a PNG file. False
// for a stale handle or when the win32 back end is not running, or when the file
// cannot be written (error, when given, says why; the old file stays as it was).
bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error = nullptr);

// What the system shows, for tests that check what the back end passed through
// (the native side, not our records). Each returns an empty value for a stale
// handle or when the win32 back end is not running.
//
// The native window handle (an HWND) of a window, dialog or control.
void* native_window(Hwnd hwnd);
// The check mark of a menu item as the system's menu holds it: 1, 0, or -1 when
// the window's menu has no such item.
int native_menu_check(Hwnd hwnd, int id);
// The text and the rectangle in its dialog's client area, in pixels, of the
// dialog's control with id `id`.
std::string native_text(Hwnd dlg, int id);
Rect native_rect(Hwnd dlg, int id);
// Whether the system lets the user reach the window (modal dialogs disable
// their owner).
bool native_enabled(Hwnd hwnd);
// The size of the picture a button shows (BM_GETIMAGE); {0, 0} when it shows none.
Size native_button_image(Hwnd dlg, int id);
// The hot spot of a cursor as the system made it; {-1, -1} when it is no cursor.
Point native_cursor_hot_spot(Hcursor cursor);
// A user's click on a button (BM_CLICK) and typing into an edit box (its text
// replaced, as the keys would), delivered through the system.
void native_click(Hwnd dlg, int id);
void native_type(Hwnd dlg, int id, const std::string& text);

// Decodes a PNG file (through the system's imaging component) into pixels,
// 0xAARRGGBB row by row. False when the file cannot be read or decoded.
bool read_png(const std::string& path, Pixels& out);

}  // namespace plat::win32
