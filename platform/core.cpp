// The core of the platform layer: back-end registry, message queue, windows,
// menus, message boxes and file dialogs, cursors, keys and accelerators. The
// dialog manager is dialogs.cpp.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/detail.h"

namespace plat {
namespace detail {

namespace {

struct Registered {
    BackendFactory factory = nullptr;
    BackendTraits traits;
    int order = 0;  // registration order: the first fit is chosen
};

std::map<std::string, Registered>& registry() {
    static std::map<std::string, Registered> r;
    static bool seeded = false;
    if (!seeded) {
        seeded = true;
        register_builtin_backends();
    }
    return r;
}

Rasteriser g_rasteriser = nullptr;
PixelRasteriser g_pixel_rasteriser = nullptr;

// Handle numbers are never reused within a process, across restarts included.
std::uint32_t g_next_id = 1;

std::unique_ptr<State>& state_ptr() {
    static std::unique_ptr<State> s = std::make_unique<State>();
    return s;
}

}  // namespace

void register_backend(const char* name, BackendFactory factory, BackendTraits traits) {
    auto& r = registry();
    auto it = r.find(name);
    const int order = it != r.end() ? it->second.order : static_cast<int>(r.size());
    r[name] = Registered{factory, traits, order};
}
void set_rasteriser(Rasteriser r) {
    g_rasteriser = r;
}
Rasteriser rasteriser() {
    return g_rasteriser;
}
void set_pixel_rasteriser(PixelRasteriser r) {
    g_pixel_rasteriser = r;
}
PixelRasteriser pixel_rasteriser() {
    return g_pixel_rasteriser;
}

State& state() {
    return *state_ptr();
}
bool started() {
    return state().backend != nullptr;
}
std::uint32_t new_id() {
    return g_next_id++;
}

Window* find_window(Hwnd h) {
    if (!h) return nullptr;
    auto& ws = state().windows;
    auto it = ws.find(h.id);
    return it == ws.end() ? nullptr : it->second.get();
}

Window* find_window_kind(Hwnd h, WinKind kind) {
    Window* w = find_window(h);
    return w && w->kind == kind ? w : nullptr;
}

Window* top_of(Hwnd h) {
    Window* w = find_window(h);
    if (w && w->kind == WinKind::Control) return find_window(w->parent);
    return w;
}

namespace {

std::shared_ptr<Window> hold(Hwnd h) {
    if (!h) return nullptr;
    auto& ws = state().windows;
    auto it = ws.find(h.id);
    return it == ws.end() ? nullptr : it->second;
}

void push(const Msg& msg, bool input, unsigned mods, bool front = false) {
    Queued q{msg, input, mods};
    if (front)
        state().queue.push_front(q);
    else
        state().queue.push_back(q);
    state().backend->posted(msg);
}

// Takes the next message: posted ones first, then WM_PAINT for a visible, invalid
// top-level window.
bool take(Msg& msg, bool remove) {
    State& st = state();
    if (!st.queue.empty()) {
        const Queued& q = st.queue.front();
        msg = q.msg;
        if (remove) {
            if (q.input) st.key_mods = q.mods;
            st.queue.pop_front();
        }
        return true;
    }
    for (std::uint32_t id : st.order) {
        Window* w = find_window(Hwnd{id});
        if (w && w->kind == WinKind::Top && w->visible && w->invalid) {
            msg = Msg{Hwnd{id}, WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

bool is_button_up(unsigned m) {
    return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP;
}

}  // namespace

bool refuse_in_native_handler(const char* what) {
    if (state().native_handler_depth == 0) return false;
    std::fprintf(stderr, "platform: %s inside a native event handler refused\n", what);
#ifndef NDEBUG
    std::abort();
#endif
    return true;
}

LRESULT deliver(const std::shared_ptr<Window>& w, unsigned message, WPARAM wparam, LPARAM lparam) {
    state().backend->delivered(Msg{Hwnd{w->id}, message, wparam, lparam});
    switch (w->kind) {
        case WinKind::Top: {
            WndProc proc = w->proc;
            return proc ? proc(Hwnd{w->id}, message, wparam, lparam) : 0;
        }
        case WinKind::Dialog:
            return dialog_manager(*w, message, wparam, lparam);
        case WinKind::Control:
            return 0;  // controls are native (or records); nobody writes procedures for them
    }
    return 0;
}

void post_input(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam, unsigned mods) {
    State& st = state();
    Window* target = top_of(hwnd);
    if (!target) return;
    // A running modal dialog disables every other window of the program.
    for (auto it = st.modal_stack.rbegin(); it != st.modal_stack.rend(); ++it) {
        if (!find_window(*it)) continue;
        if (target->id != it->id) return;
        break;
    }
    push(Msg{hwnd, message, wparam, lparam}, true, mods);
}

void client_resized(Window& w, Size size) {
    if (w.client == size) return;
    w.client = size;
    w.invalid = true;
    w.erase = true;
    push(Msg{Hwnd{w.id}, WM_SIZE, 0, make_lparam(size.width, size.height)}, false, 0);
}

int& default_argc() {
    static int argc = 1;
    return argc;
}

char** default_argv() {
    static char arg0[] = "scene";
    static char* argv[] = {arg0, nullptr};
    return argv;
}

void run_modal_loop(const bool& done) {
    Msg msg;
    while (!done) {
        if (!get_message(msg)) {
            post_quit_message(static_cast<int>(msg.wparam));
            return;
        }
        translate_message(msg);
        dispatch_message(msg);
    }
}

bool display_available() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v && *v) return true;
    }
    return false;
}

}  // namespace detail

using namespace detail;

// ---- Start-up ------------------------------------------------------------------------

namespace {

// Names of the registered back ends, for the message of a failed start.
std::string backend_list() {
    std::string known;
    for (auto& [name, entry] : registry()) known += (known.empty() ? "" : ", ") + name;
    return known;
}

// The one place where a back end is chosen: the name asked for, else the
// SCENE_PLATFORM environment variable, else by what the program needs: windows a
// user sees, pictures, or neither (tests and the command line).
std::string choose_backend(const StartOptions& options) {
    if (!options.backend.empty()) return options.backend;
    const char* env = std::getenv("SCENE_PLATFORM");
    if (env && *env) return env;
    const Registered* best = nullptr;
    std::string name;
    for (const auto& [n, entry] : registry()) {
        const bool fits = options.window        ? entry.traits.windows
                          : options.canvas_only ? entry.traits.pixels
                                                : !entry.traits.windows;
        if (fits && (!best || entry.order < best->order)) {
            best = &entry;
            name = n;
        }
    }
    return name;
}

}  // namespace

bool start_platform(const StartOptions& options, int& argc, char** argv) {
    stop_platform();
    const std::string name = choose_backend(options);
    auto it = registry().find(name);
    if (it == registry().end()) {
        const std::string known = backend_list();
        if (name.empty())
            std::fprintf(stderr, "platform: no back end %s (known: %s)\n",
                         options.window ? "shows windows" : "draws pictures", known.c_str());
        else
            std::fprintf(stderr, "platform: unknown back end '%s' (known: %s)\n", name.c_str(),
                         known.c_str());
        return false;
    }
    State& st = state();
    st.options = options;
    st.options.backend = name;
    std::unique_ptr<Backend> backend = it->second.factory();
    if (!backend->start(st.options, argc, argv)) {
        std::fprintf(stderr, "platform: back end '%s' could not start\n", name.c_str());
        state_ptr() = std::make_unique<State>();
        return false;
    }
    st.backend = std::move(backend);
    gdi_start();
    return true;
}

bool start_platform(const StartOptions& options) {
    return start_platform(options, default_argc(), default_argv());
}

void stop_platform() {
    State& st = state();
    if (!st.backend) return;
    std::vector<std::uint32_t> order = st.order;
    for (auto it = order.rbegin(); it != order.rend(); ++it) destroy_window(Hwnd{*it});
    gdi_stop();
    st.backend->stop();
    state_ptr() = std::make_unique<State>();
}

// ---- Message queue -------------------------------------------------------------------

bool post_message(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam) {
    if (!started()) return false;
    if (hwnd && !find_window(hwnd)) return false;
    push(Msg{hwnd, message, wparam, lparam}, false, 0);
    return true;
}

LRESULT send_message(Hwnd hwnd, unsigned message, WPARAM wparam, LPARAM lparam) {
    auto w = hold(hwnd);
    if (!w || refuse_in_native_handler("send_message")) return 0;
    return deliver(w, message, wparam, lparam);
}

bool peek_message(Msg& msg, bool remove) {
    if (!started()) return false;
    state().backend->pump(false);
    return take(msg, remove);
}

bool get_message(Msg& msg) {
    if (!started()) {
        msg = Msg{Hwnd{}, WM_QUIT, 0, 0};
        return false;
    }
    for (;;) {
        if (take(msg, true)) return msg.message != WM_QUIT;
        state().backend->pump(true);
    }
}

LRESULT dispatch_message(const Msg& msg) {
    auto w = hold(msg.hwnd);
    if (!w || refuse_in_native_handler("dispatch_message")) return 0;
    if (msg.message == WM_PAINT) w->invalid = false;
    if (is_button_up(msg.message) && w->kind == WinKind::Top) {
        // The class cursor comes back when a button is let go (a drag ends).
        Hcursor cls = state().std_cursors[static_cast<int>(w->class_cursor)];
        if (state().cursor != cls) set_cursor(cls);
    }
    return deliver(w, msg.message, msg.wparam, msg.lparam);
}

bool translate_message(const Msg& msg) {
    if (msg.message != WM_KEYDOWN || !started()) return false;
    const State& st = state();
    const bool shift = (st.key_mods & MK_SHIFT) != 0;
    const bool ctrl = (st.key_mods & MK_CONTROL) != 0;
    const int vk = static_cast<int>(msg.wparam);
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z')
        ch = ctrl ? vk - 'A' + 1 : (shift ? vk : vk - 'A' + 'a');
    else if (vk >= '0' && vk <= '9' && !ctrl)
        ch = vk;
    else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB || vk == VK_BACK)
        ch = vk;
    if (ch == 0) return false;
    // The character comes next, before anything queued after the key.
    push(Msg{msg.hwnd, WM_CHAR, static_cast<WPARAM>(ch), msg.lparam}, true, st.key_mods, true);
    return true;
}

void post_quit_message(int exit_code) {
    if (!started()) return;
    push(Msg{Hwnd{}, WM_QUIT, static_cast<WPARAM>(static_cast<std::intptr_t>(exit_code)), 0}, false,
         0);
}

// ---- Windows -------------------------------------------------------------------------

bool register_class(const WindowClass& cls) {
    if (!started() || cls.name.empty() || !cls.proc) return false;
    auto& classes = state().classes;
    if (classes.count(cls.name)) return false;
    classes.emplace(cls.name, cls);
    return true;
}

Hwnd create_window(std::string_view class_name, std::string_view title, int width, int height,
                   Hwnd owner, void* data) {
    if (!started()) return {};
    State& st = state();
    auto cit = st.classes.find(std::string(class_name));
    if (cit == st.classes.end()) return {};
    const WindowClass& cls = cit->second;
    auto w = std::make_shared<Window>();
    w->id = new_id();
    w->kind = WinKind::Top;
    w->title = std::string(title);
    w->owner = find_window(owner) ? owner : Hwnd{};
    w->user_data = data;
    w->class_name = cls.name;
    w->proc = cls.proc;
    w->icon_id = cls.icon_id;
    w->class_cursor = cls.cursor;
    w->background = cls.background;
    w->client = Size{std::max(width, 0), std::max(height, 0)};
    if (cls.menu_id != 0 && current_resources()) {
        if (const MenuTemplate* m = current_resources()->find_menu(cls.menu_id)) {
            w->menu_template = m;
            w->menu = Hmenu{new_id()};
            for (std::size_t p = 0; p < m->popups.size(); ++p)
                for (const auto& item : m->popups[p].items)
                    if (item.id != 0)
                        w->menu_items.push_back(
                            MenuItemState{item.id, item.text, false, static_cast<int>(p)});
        }
    }
    const Hwnd h{w->id};
    st.windows.emplace(w->id, w);
    st.order.push_back(w->id);
    if (!st.backend->create_top(*w, width, height)) {
        st.windows.erase(w->id);
        st.order.pop_back();
        return {};
    }
    deliver(w, WM_CREATE, 0, 0);
    if (find_window(h)) deliver(w, WM_SIZE, 0, make_lparam(w->client.width, w->client.height));
    return find_window(h) ? h : Hwnd{};
}

void show_window(Hwnd hwnd, bool show) {
    Window* w = find_window(hwnd);
    if (!w || w->kind == WinKind::Control || w->visible == show) return;
    w->visible = show;
    if (show) {
        w->invalid = true;
        w->erase = true;
    }
    state().backend->show(*w, show);
}

void update_window(Hwnd hwnd) {
    Window* w = find_window_kind(hwnd, WinKind::Top);
    if (w && w->visible && w->invalid) dispatch_message(Msg{hwnd, WM_PAINT, 0, 0});
}

bool destroy_window(Hwnd hwnd) {
    auto w = hold(hwnd);
    if (!w || w->kind == WinKind::Control || w->destroying) return false;
    State& st = state();
    w->destroying = true;
    // Owned windows go first, newest first, ending their modal loops.
    std::vector<std::uint32_t> owned;
    for (std::uint32_t id : st.order) {
        Window* o = find_window(Hwnd{id});
        if (o && o->owner == hwnd) owned.push_back(id);
    }
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) destroy_window(Hwnd{*it});
    if (w->modal && !w->ended) {
        w->ended = true;
        w->result = 0;
    }
    deliver(w, WM_DESTROY, 0, 0);
    // Device contexts still open on the window die with it.
    for (auto it = st.dcs.begin(); it != st.dcs.end();) {
        if (it->second.kind == DcKind::Window && it->second.window == hwnd) {
            st.backend->dc_closed(it->second);
            const std::uint32_t id = (it++)->first;
            forget_dc(id);
        } else {
            ++it;
        }
    }
    if (w->visible) st.backend->show(*w, false);
    st.backend->destroy(*w);
    for (Hwnd c : w->controls) st.windows.erase(c.id);
    st.windows.erase(w->id);
    st.order.erase(std::remove(st.order.begin(), st.order.end(), w->id), st.order.end());
    // Messages queued for the window or its controls are dropped.
    auto gone = [&](const Queued& q) {
        if (q.msg.hwnd == hwnd) return true;
        return std::find(w->controls.begin(), w->controls.end(), q.msg.hwnd) != w->controls.end();
    };
    st.queue.erase(std::remove_if(st.queue.begin(), st.queue.end(), gone), st.queue.end());
    return true;
}

LRESULT def_window_proc(Hwnd hwnd, unsigned message, WPARAM, LPARAM) {
    switch (message) {
        case WM_CLOSE:
            destroy_window(hwnd);
            return 0;
        case WM_PAINT: {
            PaintStruct ps;
            if (begin_paint(hwnd, ps)) end_paint(hwnd, ps);
            return 0;
        }
        default:
            return 0;
    }
}

bool is_window(Hwnd hwnd) {
    return find_window(hwnd) != nullptr;
}

void set_window_data(Hwnd hwnd, void* data) {
    if (Window* w = find_window(hwnd)) w->user_data = data;
}

void* get_window_data(Hwnd hwnd) {
    Window* w = find_window(hwnd);
    if (w && w->kind == WinKind::Control) w = find_window(w->parent);
    return w ? w->user_data : nullptr;
}

void set_window_text(Hwnd hwnd, std::string_view text) {
    Window* w = find_window(hwnd);
    if (!w) return;
    w->title = std::string(text);
    if (w->kind == WinKind::Control)
        state().backend->control_changed(*w);
    else
        state().backend->title_changed(*w);
}

std::string get_window_text(Hwnd hwnd) {
    Window* w = find_window(hwnd);
    return w ? w->title : std::string();
}

Size get_client_size(Hwnd hwnd) {
    Window* w = find_window(hwnd);
    return w && w->kind == WinKind::Top ? w->client : Size{};
}

Rect get_client_rect(Hwnd hwnd) {
    Size s = get_client_size(hwnd);
    return Rect{0, 0, s.width, s.height};
}

void invalidate(Hwnd hwnd, bool erase) {
    Window* w = find_window_kind(hwnd, WinKind::Top);
    if (!w) return;
    w->invalid = true;
    w->erase = w->erase || erase;
    state().backend->invalidated(hwnd, erase);
}

// ---- Menus ---------------------------------------------------------------------------

namespace {
Window* menu_owner(Hmenu menu) {
    if (!menu || !started()) return nullptr;
    for (auto& [id, w] : state().windows)
        if (w->menu == menu) return w.get();
    return nullptr;
}
MenuItemState* menu_item(Window* w, int id) {
    if (!w) return nullptr;
    for (auto& item : w->menu_items)
        if (item.id == id) return &item;
    return nullptr;
}
}  // namespace

Hmenu get_menu(Hwnd hwnd) {
    Window* w = find_window_kind(hwnd, WinKind::Top);
    return w ? w->menu : Hmenu{};
}

int check_menu_item(Hmenu menu, int id, bool checked) {
    Window* w = menu_owner(menu);
    MenuItemState* item = menu_item(w, id);
    if (!item) return -1;
    const int previous = item->checked ? 1 : 0;
    if (item->checked != checked) {
        item->checked = checked;
        state().backend->menu_check_changed(*w, *item);
    }
    return previous;
}

int menu_item_checked(Hmenu menu, int id) {
    MenuItemState* item = menu_item(menu_owner(menu), id);
    return item ? (item->checked ? 1 : 0) : -1;
}

// ---- Message boxes and file dialogs --------------------------------------------------

int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                MessageButtons buttons) {
    const int none = buttons == MessageButtons::Ok ? IDOK : IDCANCEL;
    if (!started()) return none;
    if (refuse_in_native_handler("message_box")) return none;
    return state().backend->message_box(find_window(owner) ? owner : Hwnd{}, text, caption,
                                        buttons);
}

std::optional<std::string> open_file_dialog(Hwnd owner, const FileDialogOptions& options) {
    if (!started() || refuse_in_native_handler("open_file_dialog")) return std::nullopt;
    return state().backend->file_dialog(find_window(owner) ? owner : Hwnd{}, options, false);
}

std::optional<std::string> save_file_dialog(Hwnd owner, const FileDialogOptions& options) {
    if (!started() || refuse_in_native_handler("save_file_dialog")) return std::nullopt;
    return state().backend->file_dialog(find_window(owner) ? owner : Hwnd{}, options, true);
}

// ---- Cursors, keys, accelerators, time -----------------------------------------------

Hcursor load_cursor(StdCursor which) {
    if (!started()) return {};
    return state().std_cursors[static_cast<int>(which)];
}

Hcursor load_cursor(std::string_view name) {
    if (!started() || !current_resources()) return {};
    State& st = state();
    const std::string key(name);
    auto it = st.named_cursors.find(key);
    if (it != st.named_cursors.end()) return Hcursor{it->second};
    const ImageTemplate* image = current_resources()->find_cursor(key);
    if (!image) return {};
    const Hcursor h{new_id()};
    if (!st.backend->load_cursor(h, image, StdCursor::Arrow)) return {};
    st.named_cursors.emplace(key, h.id);
    return h;
}

Hcursor set_cursor(Hcursor cursor) {
    if (!started()) return {};
    State& st = state();
    const Hcursor previous = st.cursor;
    st.cursor = cursor;
    st.backend->cursor_set(cursor, cursor == st.std_cursors[0]);
    return previous;
}

Hcursor get_cursor() {
    return started() ? state().cursor : Hcursor{};
}

bool is_key_down(int vk) {
    if (!started()) return false;
    const State& st = state();
    switch (vk) {
        case VK_SHIFT:
            return (st.key_mods & MK_SHIFT) != 0;
        case VK_CONTROL:
            return (st.key_mods & MK_CONTROL) != 0;
        case VK_MENU:
            return (st.key_mods & MODS_ALT) != 0;
        default:
            return st.backend->key_held(vk);
    }
}

Haccel load_accelerators(int id) {
    if (!started() || !current_resources() || !current_resources()->find_accelerators(id))
        return {};
    const Haccel h{new_id()};
    state().accel_tables.emplace(h.id, id);
    return h;
}

bool translate_accelerator(Hwnd hwnd, Haccel table, const Msg& msg) {
    if (!started() || msg.message != WM_KEYDOWN || !find_window(hwnd)) return false;
    auto it = state().accel_tables.find(table.id);
    if (it == state().accel_tables.end() || !current_resources()) return false;
    const AccelTableTemplate* t = current_resources()->find_accelerators(it->second);
    if (!t) return false;
    const unsigned mods = state().key_mods;
    for (const AccelEntry& e : t->entries) {
        if (e.key != static_cast<int>(msg.wparam)) continue;
        if (((e.flags & FCONTROL) != 0) != ((mods & MK_CONTROL) != 0)) continue;
        if (((e.flags & FSHIFT) != 0) != ((mods & MK_SHIFT) != 0)) continue;
        if (((e.flags & FALT) != 0) != ((mods & MODS_ALT) != 0)) continue;
        send_message(hwnd, WM_COMMAND, make_wparam(static_cast<unsigned>(e.cmd), CMD_ACCELERATOR),
                     0);
        return true;
    }
    return false;
}

void sleep_ms(unsigned ms) {
    if (!started() || refuse_in_native_handler("sleep_ms")) return;
    state().backend->sleep(ms);
}

std::uint64_t tick_ms() {
    return started() ? state().backend->now_ms() : 0;
}

}  // namespace plat
