// The platform layer: everything the programs see of windows, input and drawing.
//
// The vocabulary is the message model the programs are written in: window and
// dialog handles, messages with a code, wparam and lparam, a thread message
// queue, window and dialog procedures, menus, device contexts with pens and
// brushes. Each call goes to the back end chosen at start-up (start_platform):
// "qt" for real windows, "headless" for tests and command-line use.
//
// Ground rules, valid for both back ends:
// - One thread. Procedures run only from our own loops (get_message/peek_message
//   followed by dispatch_message, the modal loops of dialog_box and the file
//   dialogs) or from send_message; never from inside a toolkit event handler.
// - Handles are never reused. A stale handle (destroyed window, deleted pen) is
//   harmless: calls with it do nothing and return 0 / false / an empty handle.
// - Nothing here throws.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resource.h"

namespace plat {

// ---- Basic types ---------------------------------------------------------------------

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A typed, never-reused handle. Value 0 is the null handle.
template <class Tag>
struct Handle {
    std::uint32_t id = 0;
    constexpr explicit operator bool() const { return id != 0; }
    friend constexpr bool operator==(Handle a, Handle b) { return a.id == b.id; }
    friend constexpr bool operator!=(Handle a, Handle b) { return a.id != b.id; }
    friend constexpr bool operator<(Handle a, Handle b) { return a.id < b.id; }
};

using Hwnd = Handle<struct HwndTag>;      // window, dialog or dialog control
using Hmenu = Handle<struct HmenuTag>;    // a window's menu bar
using Haccel = Handle<struct HaccelTag>;  // accelerator table
using Hcursor = Handle<struct HcursorTag>;
using Dc = Handle<struct DcTag>;  // device context
using Pen = Handle<struct PenTag>;
using Brush = Handle<struct BrushTag>;
using Bitmap = Handle<struct BitmapTag>;  // off-screen bitmap or loaded button image

struct Point {
    int x = 0, y = 0;
    friend bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(Point a, Point b) { return !(a == b); }
};
struct Size {
    int width = 0, height = 0;  // pixels
    friend bool operator==(Size a, Size b) { return a.width == b.width && a.height == b.height; }
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
    friend bool operator!=(Color a, Color b) { return !(a == b); }
};
constexpr Color rgb(int r, int g, int b) {
    return Color{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(b)};
}

// ---- Messages ------------------------------------------------------------------------

// Message codes (the numbers of the original model, so low-byte tests on wparam and
// codes above WM_USER keep their meaning).
constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_CREATE = 0x0001;   // sent by create_window before it returns
constexpr unsigned WM_DESTROY = 0x0002;  // sent by destroy_window
constexpr unsigned WM_SIZE = 0x0005;     // lparam = make_lparam(client width, height)
constexpr unsigned WM_PAINT = 0x000F;    // generated, never queued: see get_message
constexpr unsigned WM_CLOSE = 0x0010;    // close box; default processing destroys
constexpr unsigned WM_QUIT = 0x0012;     // wparam = exit code; ends get_message
constexpr unsigned WM_KEYDOWN = 0x0100;  // wparam = virtual-key code
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_CHAR = 0x0102;        // wparam = character (from translate_message)
constexpr unsigned WM_INITDIALOG = 0x0110;  // wparam = focus control, lparam = init param
constexpr unsigned WM_COMMAND = 0x0111;     // wparam = make_wparam(id, code), lparam = control
constexpr unsigned WM_MOUSEMOVE = 0x0200;   // wparam = MK_* bits, lparam = make_lparam(x, y)
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
// wparam = make_wparam(MK_* bits, delta as a 16-bit signed value: kWheelNotch per notch,
// positive turned away from the user), lparam = make_lparam(x, y) in CLIENT pixels
// (the back ends convert where the system gives screen coordinates).
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr int kWheelNotch = 120;
constexpr unsigned WM_USER = 0x0400;  // first code free for a program's own messages

// Mouse message wparam bits: the buttons and modifiers held.
constexpr unsigned MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08,
                   MK_MBUTTON = 0x10;

// Command notification codes (high word of a WM_COMMAND wparam).
constexpr unsigned BN_CLICKED = 0;         // button, or a menu item
constexpr unsigned CMD_ACCELERATOR = 1;    // sent by translate_accelerator
constexpr unsigned EN_KILLFOCUS = 0x0200;  // an edit box lost the keyboard focus

// Standard dialog command ids (and message box answers).
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;  // message box: Save
constexpr int IDNO = 7;   // message box: Discard

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A', '0').
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
              VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
              VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27,
              VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70,
              VK_OEM_COMMA = 0xBC;  // the ',' key

struct Msg {
    Hwnd hwnd;  // target window; null for a thread message (e.g. WM_QUIT)
    unsigned message = WM_NULL;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};

constexpr unsigned loword(std::uintptr_t v) {
    return static_cast<unsigned>(v & 0xFFFF);
}
constexpr unsigned hiword(std::uintptr_t v) {
    return static_cast<unsigned>((v >> 16) & 0xFFFF);
}
constexpr WPARAM make_wparam(unsigned lo, unsigned hi) {
    return static_cast<WPARAM>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16));
}
// Packs two signed 16-bit values (client x, y) as the mouse and size messages do.
constexpr LPARAM make_lparam(int lo, int hi) {
    return static_cast<LPARAM>(
        static_cast<std::int32_t>((static_cast<std::uint32_t>(lo) & 0xFFFFu) |
                                  ((static_cast<std::uint32_t>(hi) & 0xFFFFu) << 16)));
}
// The signed 16-bit x and y of a mouse message's lparam.
constexpr int get_x_lparam(LPARAM l) {
    return static_cast<std::int16_t>(l & 0xFFFF);
}
constexpr int get_y_lparam(LPARAM l) {
    return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}
// The signed delta of a WM_MOUSEWHEEL's wparam.
constexpr int get_wheel_delta_wparam(WPARAM w) {
    return static_cast<std::int16_t>(hiword(w));
}

// ---- Start-up ------------------------------------------------------------------------

struct StartOptions {
    // Back end name ("qt", "headless"). Empty: the SCENE_PLATFORM environment
    // variable, else the first registered back end that fits: one that shows
    // windows when `window` is set, one that draws pixels for `canvas_only`, else
    // one that shows none (the headless back end).
    std::string backend;
    // Command-line use: no windows are expected; the headless back end prints
    // message boxes to standard error.
    bool command_line = false;
    // No windows, only off-screen canvases (create_canvas) for pictures; works
    // without a display.
    bool canvas_only = false;
    // The program shows its windows to a user.
    bool window = false;
};

// Chooses and starts a back end. The headless back end is always there; others
// must have been registered first (plat::qt::register_backend in
// platform/qt/qt_backend.h). argc/argv are handed to the toolkit and must outlive
// the platform. Returns false, after a line
// on standard error, when the name is unknown or the back end cannot start (for
// instance "qt" without a display). Starting again first stops the running one.
bool start_platform(const StartOptions& options, int& argc, char** argv);
bool start_platform(const StartOptions& options = {});  // no toolkit arguments
// Destroys every window and releases the back end. Safe to call twice.
void stop_platform();

// ---- Message queue -------------------------------------------------------------------

// Appends a message to the thread's queue. A null hwnd makes a thread message.
// Returns false (and queues nothing) for a stale window handle.
bool post_message(Hwnd hwnd, unsigned message, WPARAM wparam = 0, LPARAM lparam = 0);
// Calls the window's (or dialog's) procedure at once and returns its result;
// 0 for a stale handle. For a dialog the result is what its dialog procedure
// returned (1/0), after the dialog manager's default handling.
LRESULT send_message(Hwnd hwnd, unsigned message, WPARAM wparam = 0, LPARAM lparam = 0);
// Takes the next message without waiting. Posted messages come first in order;
// when none is left a visible window with an invalid area yields WM_PAINT.
// With remove=false the message stays queued. Returns false when there is none.
bool peek_message(Msg& msg, bool remove = true);
// Waits for the next message (as peek_message, but blocking) and returns false
// exactly when it is WM_QUIT (msg then holds it, wparam = exit code).
bool get_message(Msg& msg);
// Hands msg to its window's procedure (WM_PAINT marks the window valid first).
// Thread messages and stale windows are dropped (returns 0).
LRESULT dispatch_message(const Msg& msg);
// For WM_KEYDOWN of a key that types a character, posts WM_CHAR with it
// (letters follow the Shift state; Escape, Enter, Tab, Backspace, Space, digits).
// Returns true when a WM_CHAR was posted.
bool translate_message(const Msg& msg);
// Posts WM_QUIT with the exit code.
void post_quit_message(int exit_code);

// ---- Windows -------------------------------------------------------------------------

using WndProc = std::function<LRESULT(Hwnd, unsigned, WPARAM, LPARAM)>;

enum class StdCursor { Arrow, Wait };
enum class StockBrush { White, LightGray, Gray, DarkGray, Black, Null };
enum class StockPen { White, Black, Null };

struct WindowClass {
    std::string name;                           // unique class name ("PlovaneClass")
    WndProc proc;                               // window procedure; must be set
    int icon_id = 0;                            // icon resource (0: none)
    StdCursor cursor = StdCursor::Arrow;        // class cursor
    StockBrush background = StockBrush::Black;  // fills the window on erase
    int menu_id = 0;  // menu resource of windows of this class (0: no menu)
};

// Registers a class. False when the name is empty, already taken, the procedure
// missing, or the platform is not started.
bool register_class(const WindowClass& cls);

// Creates a top-level window of a registered class; WM_CREATE and a first WM_SIZE
// are sent before it returns. width and height are the window's outer size in
// pixels; the client area is what is left below the menu bar (headless: see
// headless::set_default_client_size). The window is created hidden. data becomes
// the window's data (get_window_data) before WM_CREATE. Returns a null handle for
// an unknown class.
Hwnd create_window(std::string_view class_name, std::string_view title, int width, int height,
                   Hwnd owner = {}, void* data = nullptr);
// The program's record a window carries, as a window's user data does: set at
// create_window or here; a dialog starts with its owner's; a control answers its
// dialog's. Null for a stale handle.
void set_window_data(Hwnd hwnd, void* data);
void* get_window_data(Hwnd hwnd);
// Shows or hides a window; showing marks the whole client area invalid (and erased).
void show_window(Hwnd hwnd, bool show = true);
// Dispatches WM_PAINT at once when the window is visible and invalid.
void update_window(Hwnd hwnd);
// Destroys the window: first the windows and dialogs it owns (ending their modal
// loops), then sends WM_DESTROY, drops its queued messages and retires the handle.
// Returns false for a stale handle.
bool destroy_window(Hwnd hwnd);
// Default processing: WM_CLOSE destroys the window; everything else returns 0.
LRESULT def_window_proc(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam);
bool is_window(Hwnd hwnd);
void set_window_text(Hwnd hwnd, std::string_view text);  // title (controls: their text)
std::string get_window_text(Hwnd hwnd);
// Client area size in pixels; {0, 0} for a stale handle.
Size get_client_size(Hwnd hwnd);
Rect get_client_rect(Hwnd hwnd);  // {0, 0, width, height}

// Marks the whole client area invalid; WM_PAINT follows when the queue runs empty.
// erase=true makes the next begin_paint fill it with the class background first.
void invalidate(Hwnd hwnd, bool erase);

// What begin_paint hands out.
struct PaintStruct {
    Dc dc;               // draws on the window (valid until end_paint)
    bool erase = false;  // the background was filled because of an erasing invalidate
    Rect paint;          // area to paint (always the whole client area here)
};
// Validates the window and returns a device context on its client area. Returns a
// null Dc for a stale handle.
Dc begin_paint(Hwnd hwnd, PaintStruct& ps);
// Ends painting; the Qt back end shows the picture.
void end_paint(Hwnd hwnd, const PaintStruct& ps);

// ---- Menus ---------------------------------------------------------------------------

// The window's menu bar (from its class's menu resource); null when it has none.
Hmenu get_menu(Hwnd hwnd);
// Sets or clears the check mark of the item with command id `id`. Returns the
// previous state (0 or 1), or -1 when the menu has no such item (nothing changes).
int check_menu_item(Hmenu menu, int id, bool checked);
// 1 when the item is checked, 0 when not, -1 when there is no such item.
int menu_item_checked(Hmenu menu, int id);

// ---- Dialogs -------------------------------------------------------------------------

// A dialog procedure returns true when it handled the message (for WM_INITDIALOG:
// true lets the dialog manager set the focus).
using DlgProc = std::function<bool(Hwnd, unsigned, WPARAM, LPARAM)>;

// Runs dialog `template_id` modally: builds it, sends WM_INITDIALOG (lparam =
// init_param), shows it and runs a message loop until end_dialog is called for it
// or it is destroyed. The owner takes no mouse or key input meanwhile, but keeps
// painting. Dialog manager rules: Enter sends WM_COMMAND with the default button's
// id; Escape sends WM_COMMAND IDCANCEL; the close box sends WM_CLOSE to the
// procedure and, when it returns false, WM_COMMAND IDCANCEL. A WM_QUIT taken by
// the loop is posted again and ends the loop. Returns the end_dialog result, 0
// when the dialog was destroyed or ended by WM_QUIT, -1 when the template is missing.
LRESULT dialog_box(int template_id, Hwnd owner, DlgProc proc, LPARAM init_param = 0);
// Ends a modal dialog with a result (its loop returns after the current message).
// False when dlg is not a running modal dialog.
bool end_dialog(Hwnd dlg, LRESULT result);
// Creates a modeless dialog (shown when its template says visible), sends
// WM_INITDIALOG and returns its handle; null when the template is missing.
// Its messages go through the normal loop; destroy it with destroy_window.
Hwnd create_dialog(int template_id, Hwnd owner, DlgProc proc, LPARAM init_param = 0);

// Controls are named by their dialog and their id.
bool set_dlg_item_text(Hwnd dlg, int id, std::string_view text);
// The control's text, cut to at most max_chars characters (a buffer of
// max_chars + 1 in the original model). "" for a missing control.
std::string get_dlg_item_text(Hwnd dlg, int id, std::size_t max_chars = 255);
// Ticks or clears a check box; false when there is no such check box.
bool check_dlg_button(Hwnd dlg, int id, bool checked);
bool is_dlg_button_checked(Hwnd dlg, int id);
// Shows a loaded image on a bitmap button (BM_SETIMAGE); returns the previous image.
Bitmap set_button_image(Hwnd dlg, int id, Bitmap image);
// The image a button shows now (null when none).
Bitmap get_button_image(Hwnd dlg, int id);

// ---- Message boxes and file dialogs --------------------------------------------------

// The buttons of a message box.
enum class MessageButtons {
    Ok,                 // OK; answers IDOK
    SaveDiscardCancel,  // Save, Discard, Cancel; answers IDYES, IDNO, IDCANCEL (also the close box)
    YesNo,              // Yes, No; answers IDYES, IDNO (also the close box)
};
// Shows a modal message box (owner may be null) and returns the button pressed.
int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                MessageButtons buttons = MessageButtons::Ok);

struct FileFilter {
    std::string name;     // shown text, "TRAJ data file(*.traj)"
    std::string pattern;  // patterns separated by ';', "*.traj*"
};
struct FileDialogOptions {
    std::string title;                // dialog caption
    std::vector<FileFilter> filters;  // first is selected
    std::string initial_dir;          // "" = current directory
    std::string file_name;            // proposed file name ("" = none)
    bool must_exist = true;           // open: the file must exist
};
// Modal open/save dialogs (run by our own loop, like dialog_box). Return the chosen
// path, or nullopt when the user cancels.
std::optional<std::string> open_file_dialog(Hwnd owner, const FileDialogOptions& options);
std::optional<std::string> save_file_dialog(Hwnd owner, const FileDialogOptions& options);

// ---- Cursors, keys, accelerators, time -----------------------------------------------

Hcursor load_cursor(StdCursor which);
// A named cursor of the resources ("HAND_CUR"); null when absent.
Hcursor load_cursor(std::string_view name);
// Shows the cursor over our windows and returns the previous one. It stays until
// the next set_cursor, or until a mouse button is released over one of our windows,
// when the class cursor returns. A null cursor hides the pointer.
Hcursor set_cursor(Hcursor cursor);
Hcursor get_cursor();

// Whether a key is held, as of the last message taken from the queue
// (VK_SHIFT, VK_CONTROL, VK_MENU; other keys: as far as the back end knows).
bool is_key_down(int vk);
inline bool shift_down() {
    return is_key_down(VK_SHIFT);
}

// Loads accelerator table `id` of the resources; null when absent.
Haccel load_accelerators(int id);
// When msg is a WM_KEYDOWN matching an entry (key and exact Ctrl/Shift/Alt state),
// sends WM_COMMAND make_wparam(cmd, CMD_ACCELERATOR) to hwnd and returns true.
bool translate_accelerator(Hwnd hwnd, Haccel table, const Msg& msg);

// Sleeps ms milliseconds. The Qt back end keeps handling toolkit events meanwhile
// (they only queue messages); the headless one advances its virtual clock.
void sleep_ms(unsigned ms);
// Milliseconds since start_platform (headless: the virtual clock).
std::uint64_t tick_ms();

// ---- Device contexts -----------------------------------------------------------------

enum class PenStyle { Solid, Dot, Dash, Null };  // Dot and Dash draw solid when width > 1
enum class BkMode { Transparent = 1, Opaque = 2 };

Pen create_pen(PenStyle style, int width, Color color);
Brush create_solid_brush(Color color);
Pen stock_pen(StockPen which);        // never delete these
Brush stock_brush(StockBrush which);  // never delete these
// Deletes an object; false when it is a stock object, stale, or selected in a DC.
bool delete_object(Pen pen);
bool delete_object(Brush brush);
bool delete_object(Bitmap bitmap);

// Selection returns the object selected before (null when dc is stale or the new
// object is). A fresh DC holds the black pen, the white brush and (memory DCs) a
// 1x1 bitmap.
Pen select_object(Dc dc, Pen pen);
Brush select_object(Dc dc, Brush brush);
Bitmap select_object(Dc dc, Bitmap bitmap);

// Closed polygon through the points, filled with the brush (alternate rule) and
// outlined with the pen. Fewer than 2 points draw nothing.
void polygon(Dc dc, const Point* points, int count);
inline void polygon(Dc dc, const std::vector<Point>& points) {
    polygon(dc, points.data(), static_cast<int>(points.size()));
}
// Ellipse inside the box (left, top)-(right, bottom), pen outline, brush fill.
void ellipse(Dc dc, int left, int top, int right, int bottom);
// Fills the rectangle with the brush, no outline.
void fill_rect(Dc dc, const Rect& rect, Brush brush);
// Moves the current position; returns the previous one.
Point move_to(Dc dc, int x, int y);
// Line from the current position to (x, y) with the pen; (x, y) becomes current.
void line_to(Dc dc, int x, int y);
// Text with its top-left corner at (x, y) in the text colour; the background box
// is filled white in Opaque mode.
void text_out(Dc dc, int x, int y, std::string_view text);
Color set_text_color(Dc dc, Color color);  // returns the previous colour (default black)
BkMode set_bk_mode(Dc dc, BkMode mode);    // default Opaque

// A memory DC compatible with dc (dc may be null: compatible with the screen).
Dc create_compatible_dc(Dc dc);
// A bitmap of w x h pixels compatible with dc, filled black. Null when w or h <= 0.
Bitmap create_compatible_bitmap(Dc dc, int width, int height);
// Copies a w x h block from src at (sx, sy) to dst at (x, y).
bool bit_blt(Dc dst, int x, int y, int width, int height, Dc src, int sx, int sy);
// Deletes a DC from create_compatible_dc or create_canvas.
bool delete_dc(Dc dc);

// An off-screen canvas of w x h pixels filled black, for pictures without a window.
// Works in canvas-only mode and in the headless back end (which records it).
Dc create_canvas(int width, int height);
// Writes the canvas as a PNG file. Headless: rasterises the recording when the Qt
// back end is registered (register_qt_backend), else returns false. The picture is
// encoded in memory and written whole or not at all: on false the file that was
// there stays as it was, and error (when given) says why ("<path>: write failed: No
// space left on device").
bool save_canvas_png(Dc canvas, const std::string& path, std::string* error = nullptr);
// The canvas's pixels, row by row from the top, each 0x00RRGGBB (in memory the bytes
// B, G, R, 0 on the little-endian systems we build for), for a video encoder.
// Headless: rasterises the recording as save_canvas_png does. False when it cannot.
bool canvas_pixels(Dc canvas, std::vector<std::uint32_t>& pixels);

// Loads a named bitmap of the resources (button images); null when absent.
Bitmap load_bitmap(std::string_view name);

}  // namespace plat
