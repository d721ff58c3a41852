// Control and inspection of the headless back end, for tests and command-line modes.
//
// Windows and dialogs are records in memory; nothing happens unless a test makes
// it happen: it injects input, answers dialogs through a script, queues answers
// for file dialogs, and reads back what was posted, painted and shown. The clock
// is virtual: sleep_ms advances it and calls the sleep hook, so a test can act
// between the ticks of a playback loop.
//
// Every function here is safe to call when another back end runs; it then does
// nothing and returns empty values.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/draw_record.h"
#include "platform/platform.h"

namespace plat::headless {

// Forgets scripts, answers, logs, the key state and the clock; windows stay.
// Starting the headless back end does it.
void reset();

// ---- Geometry ------------------------------------------------------------------------

// Client size given to windows created from now on (default: the requested
// outer size, unchanged). {0, 0} restores the default.
void set_default_client_size(Size size);
// Resizes a window's client area and sends WM_SIZE, as a user's resize would.
void resize_client(Hwnd hwnd, Size size);

// ---- Input ---------------------------------------------------------------------------

// These post the message the Qt back end would post for the user's action.
// Mouse positions are client pixels; `keys` are MK_* bits besides the button's own.
void mouse_move(Hwnd hwnd, int x, int y, unsigned keys = 0);
enum class Button { Left, Right, Middle };
void mouse_down(Hwnd hwnd, Button button, int x, int y);
void mouse_up(Hwnd hwnd, Button button, int x, int y);
// A turn of the wheel by delta (kWheelNotch per notch, positive away from the user)
// with the pointer at client (x, y).
void mouse_wheel(Hwnd hwnd, int delta, int x, int y);
// A key press: WM_KEYDOWN with vk (and WM_KEYUP when release is true). The
// modifier state is the one set with set_key_down at the time of the call.
void key_press(Hwnd hwnd, int vk, bool release = false);
// Holds or releases a key for is_key_down (and for the next queued key messages).
void set_key_down(int vk, bool down);
// The user clicks a menu item: posts WM_COMMAND(id) to the window. False when the
// window's menu has no such item (nothing is posted).
bool click_menu(Hwnd hwnd, int id);
// The user clicks the close box of a window or dialog.
void click_close_box(Hwnd hwnd);
// The user presses a dialog's button: posts WM_COMMAND(make_wparam(id, BN_CLICKED),
// control) to the dialog. A check box also toggles its state first.
void press_button(Hwnd dlg, int id);
// Enter and Escape in a dialog, handled by the dialog manager's rules.
void press_enter(Hwnd dlg);
void press_escape(Hwnd dlg);

// ---- Scripts and answers -------------------------------------------------------------

// Called when a modal dialog starts (after WM_INITDIALOG), with the dialog and its
// template id. The script may set texts, tick boxes, and press buttons (press_*
// post to the queue; send_message acts at once). When it leaves the dialog
// running and nothing else is queued, the modal loop stalls (see stalls()).
using DialogScript = std::function<void(Hwnd dlg, int template_id)>;
void set_dialog_script(DialogScript script);

// Answers for the next file dialogs (open and save alike), taken in order; a
// nullopt answer is a cancel. With no answer left a file dialog is cancelled.
void queue_file_answer(std::optional<std::string> path);
void clear_file_answers();
// Called with each message just before a procedure gets it (dispatch and send alike),
// so that a script can act when its input arrives rather than when it was posted.
void set_delivery_hook(std::function<void(const Msg&)> hook);

struct FileDialogRecord {
    bool save = false;          // save dialog (else open)
    FileDialogOptions options;  // title, filters, initial dir as asked
    std::optional<std::string> answer;
};
const std::vector<FileDialogRecord>& file_dialogs();

struct MessageBoxRecord {
    Hwnd owner;
    std::string caption;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    int answer = IDOK;  // the button "pressed"
};
// Every message box shown; with StartOptions::command_line each is also printed
// to standard error as "caption: text".
const std::vector<MessageBoxRecord>& message_boxes();
// Answers for the next message boxes that ask a question (not plain OK boxes),
// taken in order; with none left such a box is answered IDCANCEL.
void queue_message_box_answer(int answer);

// Called when a blocking get_message finds nothing to deliver (no queued message,
// no invalid window). It may post messages; if it posts none, the wait is a stall:
// a line goes to standard error and WM_QUIT(-1) is delivered so that the program
// ends instead of hanging.
void set_idle_hook(std::function<void()> hook);

// ---- Clock ---------------------------------------------------------------------------

// Called by each sleep_ms after the clock advanced, with the requested milliseconds.
void set_sleep_hook(std::function<void(unsigned ms)> hook);
std::uint64_t clock_ms();

// ---- Logs ----------------------------------------------------------------------------

// Every post_message (including those of the press_* helpers), in order.
const std::vector<Msg>& posted();
// Every message handed to a procedure (dispatch and send), in order.
const std::vector<Msg>& delivered();
struct InvalidateRecord {
    Hwnd hwnd;
    bool erase = false;
};
const std::vector<InvalidateRecord>& invalidations();
void clear_logs();  // empties posted, delivered, invalidations, message boxes, file dialogs

// ---- Recorded drawing ----------------------------------------------------------------

// The recording is made of the platform's own drawing records.
using plat::BrushInfo;
using plat::DrawOp;
using plat::Op;
using plat::PenInfo;

// What was drawn on a surface. A window's surface holds the calls of its latest
// paint (begin_paint starts it afresh); a bitmap or canvas holds every call made
// on it since creation. bit_blt appends a BitBlt op and then the source's calls,
// moved by the copy offset, so a window shows what was drawn off-screen.
const std::vector<DrawOp>& window_ops(Hwnd hwnd);
const std::vector<DrawOp>& canvas_ops(Dc canvas);
// How many times begin_paint ran on the window.
int paint_count(Hwnd hwnd);
// Writes the window's latest paint as a PNG picture of its client area, through
// the rasteriser of a back end that draws pixels (plat::qt::register_backend).
// False when there is none, the window is stale or the file cannot be written (then
// error, when given, says why; the file that was there stays as it was).
bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error = nullptr);
// Every call on every DC, in order (cleared by clear_logs).
const std::vector<DrawOp>& draw_log();

// ---- Windows and dialogs -------------------------------------------------------------

// Windows alive, in creation order (top-levels and dialogs, not controls).
std::vector<Hwnd> windows();
// The running modal dialogs, innermost last.
std::vector<Hwnd> modal_stack();
// The first alive dialog made from the template, null when none.
Hwnd find_dialog(int template_id);
// Whether the window (a control: its dialog) is shown.
bool is_visible(Hwnd hwnd);
// The cursor set last with set_cursor (resolved: a name, "arrow", "wait" or "").
std::string current_cursor_name();

}  // namespace plat::headless
