// The headless back end: windows are records, input comes only from the test or
// script that injects it, drawing is recorded, time is virtual.
#include <cstdio>

#include "platform/detail.h"
#include "platform/headless.h"

namespace plat {
namespace headless {
namespace {

struct HeadlessState {
    Size default_client;
    DialogScript script;
    std::deque<std::optional<std::string>> file_answers;
    std::vector<FileDialogRecord> file_dialogs;
    std::vector<MessageBoxRecord> message_boxes;
    std::deque<int> box_answers;
    bool echo = false;
    std::function<void()> idle_hook;
    std::function<void(unsigned)> sleep_hook;
    std::function<void(const Msg&)> delivery_hook;
    std::uint64_t clock = 0;
    std::vector<Msg> posted;
    std::vector<Msg> delivered;
    std::vector<InvalidateRecord> invalidations;
    std::vector<DrawOp> draw_log;
    unsigned mods = 0;     // modifier keys held (MK_SHIFT, MK_CONTROL, Alt)
    unsigned buttons = 0;  // mouse buttons held (MK_*BUTTON)
    bool keys[256] = {};   // other keys held
};

// What the back end keeps of a top-level window (Window::native).
struct WindowRecord {
    std::vector<DrawOp> ops;  // the calls of the latest paint
    int paint_count = 0;      // begin_paint calls
};

// A bitmap's or canvas's recording (BitmapRec::native): every call since creation.
using Recording = std::vector<DrawOp>;

HeadlessState& hs() {
    static HeadlessState s;
    return s;
}

const std::vector<DrawOp> kNoOps;

// The running headless back end, null while another one runs.
const detail::Backend* g_running = nullptr;

bool is_headless() {
    return detail::started() && g_running != nullptr;
}

WindowRecord* record_of(const detail::Window* w) {
    return w && w->kind == detail::WinKind::Top ? static_cast<WindowRecord*>(w->native) : nullptr;
}

Recording* recording_of(const detail::BitmapRec* b) {
    return b ? static_cast<Recording*>(b->native) : nullptr;
}

}  // namespace
}  // namespace headless

namespace detail {

namespace {

using headless::hs;
using headless::Recording;
using headless::WindowRecord;

class HeadlessBackend : public Backend {
  public:
    ~HeadlessBackend() override {
        if (headless::g_running == this) headless::g_running = nullptr;
    }
    const char* name() const override { return "headless"; }

    bool start(const StartOptions& options, int&, char**) override {
        headless::reset();
        hs().echo = options.command_line;
        headless::g_running = this;
        return true;
    }
    void stop() override { headless::g_running = nullptr; }

    void posted(const Msg& msg) override { hs().posted.push_back(msg); }
    void delivered(const Msg& msg) override {
        hs().delivered.push_back(msg);
        if (hs().delivery_hook) {
            auto hook = hs().delivery_hook;  // the hook may replace itself
            hook(msg);
        }
    }
    void invalidated(Hwnd hwnd, bool erase) override {
        hs().invalidations.push_back(headless::InvalidateRecord{hwnd, erase});
    }
    bool key_held(int vk) override { return vk >= 0 && vk < 256 && hs().keys[vk]; }

    void pump(bool wait) override {
        if (!wait) return;
        const std::size_t before = state().queue.size();
        if (hs().idle_hook) hs().idle_hook();
        if (state().queue.size() != before || paint_pending()) return;
        // Nothing can ever arrive: end the program rather than hang the test.
        std::fprintf(stderr, "platform (headless): a blocking wait found nothing to deliver\n");
        post_quit_message(-1);
    }

    bool create_top(Window& w, int, int) override {
        const Size d = hs().default_client;
        if (d.width > 0 && d.height > 0) w.client = d;
        w.native = new WindowRecord;
        return true;
    }
    bool create_dialog(Window&) override { return true; }
    void destroy(Window& w) override {
        if (w.kind == WinKind::Top) delete static_cast<WindowRecord*>(w.native);
        w.native = nullptr;
    }
    void show(Window&, bool) override {}
    void title_changed(Window&) override {}
    void control_changed(Window&) override {}
    void menu_check_changed(Window&, const MenuItemState&) override {}
    void modal_started(Window& dlg) override {
        if (hs().script) {
            headless::DialogScript script = hs().script;  // it may replace itself
            script(Hwnd{dlg.id}, dlg.template_id);
        }
    }
    void modal_ended(Window&) override {}
    void focus_control(Window&, Window&) override {}
    void paint_begun(Window& w) override {
        if (WindowRecord* r = headless::record_of(&w)) {
            r->ops.clear();
            ++r->paint_count;
        }
    }
    void painted(Window&) override {}

    int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                    MessageButtons buttons) override {
        int answer = IDOK;
        if (buttons != MessageButtons::Ok) {
            answer = IDCANCEL;
            if (!hs().box_answers.empty()) {
                answer = hs().box_answers.front();
                hs().box_answers.pop_front();
            }
        }
        hs().message_boxes.push_back(headless::MessageBoxRecord{
            owner, std::string(caption), std::string(text), buttons, answer});
        if (hs().echo)
            std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                         static_cast<int>(text.size()), text.data());
        return answer;
    }

    std::optional<std::string> file_dialog(Hwnd, const FileDialogOptions& options,
                                           bool save) override {
        std::optional<std::string> answer;
        if (!hs().file_answers.empty()) {
            answer = hs().file_answers.front();
            hs().file_answers.pop_front();
        }
        hs().file_dialogs.push_back(headless::FileDialogRecord{save, options, answer});
        return answer;
    }

    bool load_cursor(Hcursor, const ImageTemplate*, StdCursor) override { return true; }
    void cursor_set(Hcursor, bool) override {}

    void sleep(unsigned ms) override {
        hs().clock += ms;
        if (hs().sleep_hook) {
            auto hook = hs().sleep_hook;
            hook(ms);
        }
    }
    std::uint64_t now_ms() override { return hs().clock; }

    void bitmap_created(BitmapRec& b, const Pixels*) override { b.native = new Recording; }
    void bitmap_deleted(BitmapRec& b) override {
        delete static_cast<Recording*>(b.native);
        b.native = nullptr;
    }
    bool dc_opened(DcRec&) override { return true; }
    void dc_closed(DcRec&) override {}
    void dc_retarget(DcRec&) override {}

    void erase(DcRec& dc, const BrushRec& brush, Size size) override {
        DrawOp op = make(dc, Op::Erase, {Point{0, 0}, Point{size.width, size.height}});
        op.brush_info = brush.info;
        record(dc, std::move(op));
    }
    void move(DcRec& dc, Point to) override { record(dc, make(dc, Op::MoveTo, {to})); }
    void line(DcRec& dc, Point from, Point to) override {
        record(dc, make(dc, Op::LineTo, {from, to}));
    }
    void polygon(DcRec& dc, const Point* points, int count) override {
        record(dc, make(dc, Op::Polygon, std::vector<Point>(points, points + count)));
    }
    void ellipse(DcRec& dc, const Rect& b) override {
        record(dc, make(dc, Op::Ellipse, {Point{b.left, b.top}, Point{b.right, b.bottom}}));
    }
    void fill_rect(DcRec& dc, const Rect& r, Brush brush, const BrushRec& rec) override {
        DrawOp op = make(dc, Op::FillRect, {Point{r.left, r.top}, Point{r.right, r.bottom}});
        op.brush = brush;
        op.brush_info = rec.info;
        record(dc, std::move(op));
    }
    void text(DcRec& dc, Point at, std::string_view text) override {
        DrawOp op = make(dc, Op::Text, {at});
        op.text = std::string(text);
        record(dc, std::move(op));
    }
    void blt(DcRec& dst, Point at, Size size, DcRec& src, Point from) override {
        record(dst, make(dst, Op::BitBlt, {at, Point{size.width, size.height}, from}));
        const std::vector<DrawOp>* source = target(src);
        if (!source || source == target(dst)) return;
        const std::vector<DrawOp> copy = *source;  // the source may be the log's owner
        std::vector<DrawOp>* out = target(dst);
        if (!out) return;
        const int dx = at.x - from.x, dy = at.y - from.y;
        for (DrawOp op : copy) {
            if (op.op != Op::BitBlt) {
                for (Point& p : op.points) {
                    p.x += dx;
                    p.y += dy;
                }
            } else {
                op.points[0].x += dx;
                op.points[0].y += dy;
            }
            out->push_back(std::move(op));
        }
    }
    bool encode_png(DcRec& canvas, std::string& png) override {
        BitmapRec* b = find_bitmap(canvas.bitmap);
        Recording* ops = headless::recording_of(b);
        Rasteriser r = rasteriser();
        return ops && r && r(*ops, b->size, png);
    }
    bool read_pixels(DcRec& canvas, std::vector<std::uint32_t>& pixels) override {
        BitmapRec* b = find_bitmap(canvas.bitmap);
        Recording* ops = headless::recording_of(b);
        PixelRasteriser r = pixel_rasteriser();
        return ops && r && r(*ops, b->size, pixels);
    }

  private:
    static bool paint_pending() {
        for (auto& [id, w] : state().windows)
            if (w->kind == WinKind::Top && w->visible && w->invalid) return true;
        return false;
    }

    static DrawOp make(const DcRec& dc, Op kind, std::vector<Point> points) {
        DrawOp op;
        op.op = kind;
        op.points = std::move(points);
        op.pen = dc.pen;
        op.pen_info = dc.pen_info;
        op.brush = dc.brush;
        op.brush_info = dc.brush_info;
        op.text_color = dc.text_color;
        op.bk_color = dc.bk_color;
        op.bk_mode = dc.bk_mode;
        return op;
    }

    static std::vector<DrawOp>* target(DcRec& dc) {
        if (dc.kind == DcKind::Window) {
            WindowRecord* r = headless::record_of(find_window(dc.window));
            return r ? &r->ops : nullptr;
        }
        return headless::recording_of(find_bitmap(dc.bitmap));
    }

    static void record(DcRec& dc, DrawOp op) {
        hs().draw_log.push_back(op);
        if (std::vector<DrawOp>* t = target(dc)) t->push_back(std::move(op));
    }
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend() {
    return std::make_unique<HeadlessBackend>();
}

}  // namespace detail

// ---- The test-facing API -------------------------------------------------------------

namespace headless {

using detail::find_window;
using detail::state;
using detail::Window;
using detail::WinKind;

void reset() {
    hs() = HeadlessState{};
    if (is_headless()) state().key_mods = 0;
}

void set_default_client_size(Size size) {
    hs().default_client = size;
}

void resize_client(Hwnd hwnd, Size size) {
    if (!is_headless()) return;
    if (Window* w = detail::find_window_kind(hwnd, WinKind::Top)) detail::client_resized(*w, size);
}

namespace {
unsigned button_bit(Button b) {
    switch (b) {
        case Button::Left:
            return MK_LBUTTON;
        case Button::Right:
            return MK_RBUTTON;
        case Button::Middle:
            return MK_MBUTTON;
    }
    return 0;
}
unsigned mouse_keys() {
    return hs().buttons | (hs().mods & (MK_SHIFT | MK_CONTROL));
}
void input(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam) {
    if (is_headless()) detail::post_input(hwnd, message, wparam, lparam, hs().mods);
}
}  // namespace

void mouse_move(Hwnd hwnd, int x, int y, unsigned keys) {
    input(hwnd, WM_MOUSEMOVE, mouse_keys() | keys, make_lparam(x, y));
}

void mouse_down(Hwnd hwnd, Button button, int x, int y) {
    hs().buttons |= button_bit(button);
    const unsigned message = button == Button::Left    ? WM_LBUTTONDOWN
                             : button == Button::Right ? WM_RBUTTONDOWN
                                                       : WM_MBUTTONDOWN;
    input(hwnd, message, mouse_keys(), make_lparam(x, y));
}

void mouse_up(Hwnd hwnd, Button button, int x, int y) {
    hs().buttons &= ~button_bit(button);
    const unsigned message = button == Button::Left    ? WM_LBUTTONUP
                             : button == Button::Right ? WM_RBUTTONUP
                                                       : WM_MBUTTONUP;
    input(hwnd, message, mouse_keys(), make_lparam(x, y));
}

void mouse_wheel(Hwnd hwnd, int delta, int x, int y) {
    input(hwnd, WM_MOUSEWHEEL, make_wparam(mouse_keys(), static_cast<unsigned>(delta)),
          make_lparam(x, y));
}

void key_press(Hwnd hwnd, int vk, bool release) {
    input(hwnd, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    if (release) input(hwnd, WM_KEYUP, static_cast<WPARAM>(vk), 1);
}

void set_key_down(int vk, bool down) {
    unsigned bit = 0;
    if (vk == VK_SHIFT) bit = MK_SHIFT;
    if (vk == VK_CONTROL) bit = MK_CONTROL;
    if (vk == VK_MENU) bit = detail::MODS_ALT;
    hs().mods = down ? (hs().mods | bit) : (hs().mods & ~bit);
    if (!detail::started()) return;
    // The held state shows at once, as if a key message had just been taken.
    state().key_mods = hs().mods;
    if (vk >= 0 && vk < 256) hs().keys[vk] = down;
}

bool click_menu(Hwnd hwnd, int id) {
    if (menu_item_checked(get_menu(hwnd), id) < 0) return false;
    input(hwnd, WM_COMMAND, make_wparam(static_cast<unsigned>(id), BN_CLICKED), 0);
    return true;
}

void click_close_box(Hwnd hwnd) {
    input(hwnd, WM_CLOSE, 0, 0);
}

void press_button(Hwnd dlg, int id) {
    const Hwnd ctl = detail::get_dlg_item(dlg, id);
    Window* c = find_window(ctl);
    if (!c) return;
    if (c->ctl->kind == ControlKind::CheckBox) c->checked = !c->checked;
    input(dlg, WM_COMMAND, make_wparam(static_cast<unsigned>(id), BN_CLICKED),
          static_cast<LPARAM>(ctl.id));
}

void press_enter(Hwnd dlg) {
    input(dlg, WM_KEYDOWN, VK_RETURN, 1);
}
void press_escape(Hwnd dlg) {
    input(dlg, WM_KEYDOWN, VK_ESCAPE, 1);
}

void set_dialog_script(DialogScript script) {
    hs().script = std::move(script);
}

void queue_file_answer(std::optional<std::string> path) {
    hs().file_answers.push_back(std::move(path));
}
void clear_file_answers() {
    hs().file_answers.clear();
}
const std::vector<FileDialogRecord>& file_dialogs() {
    return hs().file_dialogs;
}
const std::vector<MessageBoxRecord>& message_boxes() {
    return hs().message_boxes;
}
void queue_message_box_answer(int answer) {
    hs().box_answers.push_back(answer);
}
void set_idle_hook(std::function<void()> hook) {
    hs().idle_hook = std::move(hook);
}
void set_sleep_hook(std::function<void(unsigned)> hook) {
    hs().sleep_hook = std::move(hook);
}
void set_delivery_hook(std::function<void(const Msg&)> hook) {
    hs().delivery_hook = std::move(hook);
}
std::uint64_t clock_ms() {
    return hs().clock;
}
const std::vector<Msg>& posted() {
    return hs().posted;
}
const std::vector<Msg>& delivered() {
    return hs().delivered;
}
const std::vector<InvalidateRecord>& invalidations() {
    return hs().invalidations;
}

void clear_logs() {
    hs().posted.clear();
    hs().delivered.clear();
    hs().invalidations.clear();
    hs().message_boxes.clear();
    hs().file_dialogs.clear();
    hs().draw_log.clear();
}

const std::vector<DrawOp>& window_ops(Hwnd hwnd) {
    if (!is_headless()) return kNoOps;
    const WindowRecord* r = record_of(detail::find_window_kind(hwnd, WinKind::Top));
    return r ? r->ops : kNoOps;
}

const std::vector<DrawOp>& canvas_ops(Dc canvas) {
    if (!is_headless()) return kNoOps;
    detail::DcRec* d = detail::find_dc(canvas);
    if (!d || d->kind == detail::DcKind::Window) return kNoOps;
    const Recording* ops = recording_of(detail::find_bitmap(d->bitmap));
    return ops ? *ops : kNoOps;
}

int paint_count(Hwnd hwnd) {
    if (!is_headless()) return 0;
    const WindowRecord* r = record_of(detail::find_window_kind(hwnd, WinKind::Top));
    return r ? r->paint_count : 0;
}

bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error) {
    Window* w = is_headless() ? detail::find_window_kind(hwnd, WinKind::Top) : nullptr;
    const WindowRecord* r = record_of(w);
    detail::Rasteriser rasterise = detail::rasteriser();
    std::string png;
    const bool encoded = r && rasterise && rasterise(r->ops, w->client, png);
    return detail::write_png_file(encoded, png, path, error);
}

const std::vector<DrawOp>& draw_log() {
    return hs().draw_log;
}

std::vector<Hwnd> windows() {
    std::vector<Hwnd> out;
    if (!detail::started()) return out;
    for (std::uint32_t id : state().order) out.push_back(Hwnd{id});
    return out;
}

std::vector<Hwnd> modal_stack() {
    std::vector<Hwnd> out;
    if (!detail::started()) return out;
    for (Hwnd h : state().modal_stack)
        if (find_window(h)) out.push_back(h);
    return out;
}

Hwnd find_dialog(int template_id) {
    if (!detail::started()) return {};
    for (std::uint32_t id : state().order) {
        Window* w = find_window(Hwnd{id});
        if (w && w->kind == WinKind::Dialog && w->template_id == template_id) return Hwnd{id};
    }
    return {};
}

bool is_visible(Hwnd hwnd) {
    Window* w = detail::top_of(hwnd);
    return w && w->visible;
}

std::string current_cursor_name() {
    if (!detail::started()) return {};
    const detail::State& st = state();
    if (st.cursor == st.std_cursors[static_cast<int>(StdCursor::Arrow)]) return "arrow";
    if (st.cursor == st.std_cursors[static_cast<int>(StdCursor::Wait)]) return "wait";
    for (const auto& [name, id] : st.named_cursors)
        if (st.cursor.id == id) return name;
    return {};
}

}  // namespace headless
}  // namespace plat
