// Inside the platform layer: the records behind the handles and the back-end table.
//
// The core (core.cpp, dialogs.cpp, gdi.cpp) owns the message queue, the window,
// dialog and drawing-object records and the dialog manager's rules; a back end supplies what
// only it can do: native windows and widgets, waiting for input, pixels or a
// recording, file dialogs, message boxes, cursors and time. Programs never include
// this header.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/draw_record.h"
#include "platform/platform.h"

namespace plat::detail {

enum class WinKind { Top, Dialog, Control };

struct MenuItemState {
    int id = 0;
    std::string text;
    bool checked = false;
    int popup = 0;  // index of its popup
};

struct Window {
    std::uint32_t id = 0;
    WinKind kind = WinKind::Top;
    std::string title;  // caption; a control's text
    Hwnd owner;         // owning window (top-levels and dialogs)
    Hwnd parent;        // a control's dialog
    bool visible = false;
    bool destroying = false;
    void* native = nullptr;  // back end's object
    void* user_data =
        nullptr;  // the program's record (set_window_data); dialogs take their owner's

    // Top-level windows.
    std::string class_name;
    WndProc proc;
    int icon_id = 0;
    StdCursor class_cursor = StdCursor::Arrow;
    StockBrush background = StockBrush::Black;
    Size client;
    bool invalid = false;
    bool erase = false;
    Hmenu menu;
    std::vector<MenuItemState> menu_items;  // every item of every popup, in order
    const MenuTemplate* menu_template = nullptr;
    int dcs_open = 0;  // window DCs of begin_paint not yet ended

    // Dialogs.
    DlgProc dlg_proc;
    const DialogTemplate* dlg_template = nullptr;
    int template_id = 0;
    std::vector<Hwnd> controls;  // in template order
    int focus = -1;              // index into controls
    bool modal = false;
    bool ended = false;
    LRESULT result = 0;

    // Controls.
    const ControlTemplate* ctl = nullptr;
    bool checked = false;
    Bitmap image;
};

struct PenRec {
    PenInfo info;
    bool stock = false;
    int selected = 0;  // DCs holding it
};
struct BrushRec {
    BrushInfo info;
    bool stock = false;
    int selected = 0;
};
struct BitmapRec {
    Size size;
    bool resource = false;  // loaded from the resources (button image)
    std::string name;
    int selected = 0;
    void* native = nullptr;  // back end's picture
};

enum class DcKind { Window, Memory, Canvas };

struct DcRec {
    std::uint32_t id = 0;
    DcKind kind = DcKind::Memory;
    Hwnd window;          // Window DCs
    Bitmap bitmap;        // Memory: the selected bitmap; Canvas: its own
    Bitmap stock_bitmap;  // Memory: the 1x1 bitmap it starts with
    Pen pen;
    Brush brush;
    PenInfo pen_info;
    BrushInfo brush_info;
    Point pos;
    Color text_color = rgb(0, 0, 0);
    Color bk_color = rgb(255, 255, 255);  // opaque text's background
    BkMode bk_mode = BkMode::Opaque;
    void* native = nullptr;
};

// What a call on this DC draws with.
inline DrawLook look_of(const DcRec& dc) {
    return DrawLook{dc.pen_info, dc.brush_info, dc.text_color, dc.bk_color, dc.bk_mode};
}

// Everything a back end does. The core calls these only with live records.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    virtual bool start(const StartOptions& options, int& argc, char** argv) = 0;
    virtual void stop() = 0;

    // Handles pending native events (they post messages). With wait, blocks until
    // something may have been posted.
    virtual void pump(bool wait) = 0;

    // Windows. create_* build the native side of a filled-in record.
    virtual bool create_top(Window& w, int outer_width, int outer_height) = 0;
    virtual bool create_dialog(Window& dlg) = 0;  // controls already recorded
    virtual void destroy(Window& w) = 0;          // top-level or dialog
    virtual void show(Window& w, bool show) = 0;
    virtual void title_changed(Window& w) = 0;
    virtual void control_changed(Window& ctl) = 0;  // text, check, image
    virtual void menu_check_changed(Window& w, const MenuItemState& item) = 0;
    virtual void modal_started(Window& dlg) = 0;
    virtual void modal_ended(Window& dlg) = 0;
    virtual void focus_control(Window& dlg, Window& ctl) = 0;
    virtual void paint_begun(Window&) {}  // begin_paint: a new picture of the window starts
    virtual void painted(Window& w) = 0;  // end of paint: show the picture

    virtual int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                            MessageButtons buttons) = 0;
    virtual std::optional<std::string> file_dialog(Hwnd owner, const FileDialogOptions& options,
                                                   bool save) = 0;

    virtual bool load_cursor(Hcursor handle, const ImageTemplate* image, StdCursor std) = 0;
    virtual void cursor_set(Hcursor handle, bool is_class_cursor) = 0;

    virtual void sleep(unsigned ms) = 0;
    virtual std::uint64_t now_ms() = 0;
    // Whether a key other than Shift, Ctrl and Alt is held, as far as the back end knows.
    virtual bool key_held(int) { return false; }

    // What passes through the core, for back ends that keep a log of it.
    virtual void posted(const Msg&) {}       // a message queued
    virtual void delivered(const Msg&) {}    // a message handed to a procedure
    virtual void invalidated(Hwnd, bool) {}  // a window's client area invalidated (erase?)

    // Drawing objects and device contexts.
    virtual void bitmap_created(BitmapRec& bmp, const Pixels* pixels) = 0;  // black if null
    virtual void bitmap_deleted(BitmapRec& bmp) = 0;
    virtual bool dc_opened(DcRec& dc) = 0;    // window, memory or canvas DC made
    virtual void dc_closed(DcRec& dc) = 0;    // before it goes
    virtual void dc_retarget(DcRec& dc) = 0;  // its bitmap selection changed
    virtual void erase(DcRec& dc, const BrushRec& brush, Size size) = 0;
    virtual void line(DcRec& dc, Point from, Point to) = 0;
    virtual void move(DcRec& dc, Point to) = 0;
    virtual void polygon(DcRec& dc, const Point* points, int count) = 0;
    virtual void ellipse(DcRec& dc, const Rect& box) = 0;
    virtual void fill_rect(DcRec& dc, const Rect& rect, Brush brush, const BrushRec& rec) = 0;
    virtual void text(DcRec& dc, Point at, std::string_view text) = 0;
    virtual void blt(DcRec& dst, Point at, Size size, DcRec& src, Point from) = 0;
    // The canvas as the bytes of a PNG file, made in memory: the file itself is
    // written by the core, every write checked (data/atomic_file.h).
    virtual bool encode_png(DcRec& canvas, std::string& png) = 0;
    // The canvas's pixels, 0x00RRGGBB row by row from the top (plat::canvas_pixels).
    virtual bool read_pixels(DcRec& canvas, std::vector<std::uint32_t>& pixels) = 0;
};

// What a back end can do; start_platform chooses by it when no name is given.
struct BackendTraits {
    bool windows = false;  // shows real windows to a user
    bool pixels = false;   // draws real pixels (canvases become pictures by themselves)
};

// Back-end registry. A back end registers under its name; registering a name
// again replaces the entry.
using BackendFactory = std::unique_ptr<Backend> (*)();
void register_backend(const char* name, BackendFactory factory, BackendTraits traits);
// The back ends the platform library carries itself (builtin_backends.cpp); the
// registry starts with them.
void register_builtin_backends();
// Rasterises a recording into the bytes of a PNG file (set by a back end that draws
// pixels, for the back ends that only record).
using Rasteriser = bool (*)(const std::vector<DrawOp>& ops, Size size, std::string& png);
// Writes png to path whole or not at all; false with error (when given) set to
// "<path>: <reason>" when it could not ("cannot encode the picture" for encoded false).
bool write_png_file(bool encoded, const std::string& png, const std::string& path,
                    std::string* error);
void set_rasteriser(Rasteriser r);
Rasteriser rasteriser();
// The same into pixels, 0x00RRGGBB row by row from the top (plat::canvas_pixels).
using PixelRasteriser = bool (*)(const std::vector<DrawOp>& ops, Size size,
                                 std::vector<std::uint32_t>& pixels);
void set_pixel_rasteriser(PixelRasteriser r);
PixelRasteriser pixel_rasteriser();

// ---- Core state, shared by core.cpp, gdi.cpp and the back ends -----------------------

struct Queued {
    Msg msg;
    bool input = false;  // from the user: carries a key state snapshot
    unsigned mods = 0;   // MK_SHIFT | MK_CONTROL | (Alt as 0x20)
};
constexpr unsigned MODS_ALT = 0x20;

struct State {
    std::unique_ptr<Backend> backend;
    StartOptions options;
    std::uint32_t next_id = 1;
    std::unordered_map<std::uint32_t, std::shared_ptr<Window>> windows;
    std::vector<std::uint32_t> order;  // creation order of top-levels and dialogs
    std::unordered_map<std::string, WindowClass> classes;
    std::deque<Queued> queue;
    std::vector<Hwnd> modal_stack;
    unsigned key_mods = 0;  // state as of the last input message taken
    int native_handler_depth = 0;

    std::unordered_map<std::uint32_t, PenRec> pens;
    std::unordered_map<std::uint32_t, BrushRec> brushes;
    std::unordered_map<std::uint32_t, BitmapRec> bitmaps;
    std::unordered_map<std::uint32_t, DcRec> dcs;
    // The records find_dc, find_pen and find_brush found last: a paint asks for
    // the same DC and brush thousands of times in a row. An entry is forgotten
    // before its record is erased (forget_dc, delete_object).
    std::uint32_t last_dc_id = 0, last_pen_id = 0, last_brush_id = 0;
    DcRec* last_dc = nullptr;
    PenRec* last_pen = nullptr;
    BrushRec* last_brush = nullptr;
    Pen stock_pens[3];
    Brush stock_brushes[6];
    std::unordered_map<std::uint32_t, int> accel_tables;  // handle -> resource id
    Hcursor cursor;                                       // set last
    Hcursor std_cursors[2];
    std::unordered_map<std::string, std::uint32_t> named_cursors;
    std::unordered_map<std::string, std::uint32_t> named_bitmaps;
};
State& state();
bool started();

std::uint32_t new_id();
Window* find_window(Hwnd h);
Window* find_window_kind(Hwnd h, WinKind kind);
DcRec* find_dc(Dc dc);
PenRec* find_pen(Pen pen);
BrushRec* find_brush(Brush brush);
BitmapRec* find_bitmap(Bitmap bitmap);
// Erases a DC's record (and find_dc's memory of it).
void forget_dc(std::uint32_t id);

// True when a display seems available (DISPLAY, WAYLAND_DISPLAY or a QT_QPA_PLATFORM).
bool display_available();

// Hands a message to a window's procedure (a dialog's through the dialog manager)
// and tells the back end.
LRESULT deliver(const std::shared_ptr<Window>& w, unsigned message, WPARAM wparam, LPARAM lparam);
// True, after a line on standard error (and an abort in debug builds), when called
// inside a native event handler, where procedures must not run.
bool refuse_in_native_handler(const char* what);

// ---- The dialog manager (dialogs.cpp) ------------------------------------------------

// A dialog's procedure, then the manager's default handling (an unhandled close box
// is Cancel).
LRESULT dialog_manager(Window& dlg, unsigned message, WPARAM wparam, LPARAM lparam);
// The control with id `id` of the dialog (null when absent).
Hwnd get_dlg_item(Hwnd dlg, int id);

// Back ends post user input through this: it is dropped when a modal dialog other
// than the target's blocks it, and carries the modifier state for is_key_down.
void post_input(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam, unsigned mods);
// Back ends call this when a native resize changed a window's client size.
void client_resized(Window& w, Size size);
// Set up and torn down by start/stop.
void gdi_start();
void gdi_stop();
// Runs a modal message loop until `done` is set (or WM_QUIT arrives, which is
// posted again). Used by the back ends for message boxes and file dialogs.
void run_modal_loop(const bool& done);

// The top-level window or dialog a handle belongs to (itself, or a control's dialog).
Window* top_of(Hwnd h);

// An argument list of just a program name, for a toolkit started without the
// program's own arguments; it lives as long as the process.
int& default_argc();
char** default_argv();

// Marks a region of code as a native event handler: procedures must not run in it.
struct NativeHandlerScope {
    NativeHandlerScope() { ++state().native_handler_depth; }
    ~NativeHandlerScope() { --state().native_handler_depth; }
    NativeHandlerScope(const NativeHandlerScope&) = delete;
    NativeHandlerScope& operator=(const NativeHandlerScope&) = delete;
};

}  // namespace plat::detail
