// The dialog manager: dialogs built from the resources' templates, modal
// (dialog_box, with its own loop and keyboard rules) and modeless (create_dialog),
// their controls named by id, and the default handling around a dialog procedure.
#include <algorithm>

#include "platform/detail.h"

namespace plat {
namespace detail {

LRESULT dialog_manager(Window& dlg, unsigned message, WPARAM wparam, LPARAM lparam) {
    const Hwnd h{dlg.id};
    bool handled = false;
    if (dlg.dlg_proc) {
        DlgProc proc = dlg.dlg_proc;  // the dialog may go while its procedure runs
        handled = proc(h, message, wparam, lparam);
    }
    if (!handled && message == WM_CLOSE && find_window(h)) {
        // An unhandled close box means Cancel.
        Hwnd cancel = get_dlg_item(h, IDCANCEL);
        post_message(h, WM_COMMAND, make_wparam(IDCANCEL, BN_CLICKED),
                     static_cast<LPARAM>(cancel.id));
    }
    return handled ? 1 : 0;
}

Hwnd get_dlg_item(Hwnd dlg, int id) {
    Window* d = find_window_kind(dlg, WinKind::Dialog);
    if (!d) return {};
    for (Hwnd c : d->controls) {
        Window* w = find_window(c);
        if (w && w->ctl->id == id) return c;
    }
    return {};
}

}  // namespace detail

using namespace detail;

namespace {

std::shared_ptr<Window> make_dialog(int template_id, Hwnd owner, DlgProc proc, bool modal) {
    if (!started() || !current_resources()) return nullptr;
    const DialogTemplate* t = current_resources()->find_dialog(template_id);
    if (!t) return nullptr;
    State& st = state();
    auto dlg = std::make_shared<Window>();
    dlg->id = new_id();
    dlg->kind = WinKind::Dialog;
    dlg->title = t->title;
    Window* owner_window = top_of(owner);
    dlg->owner = owner_window ? Hwnd{owner_window->id} : Hwnd{};
    dlg->user_data = owner_window ? owner_window->user_data : nullptr;
    dlg->dlg_proc = std::move(proc);
    dlg->dlg_template = t;
    dlg->template_id = template_id;
    dlg->modal = modal;
    for (const ControlTemplate& ct : t->controls) {
        auto c = std::make_shared<Window>();
        c->id = new_id();
        c->kind = WinKind::Control;
        c->parent = Hwnd{dlg->id};
        c->ctl = &ct;
        c->title = ct.text;
        dlg->controls.push_back(Hwnd{c->id});
        st.windows.emplace(c->id, c);
    }
    st.windows.emplace(dlg->id, dlg);
    st.order.push_back(dlg->id);
    if (!st.backend->create_dialog(*dlg)) {
        for (Hwnd c : dlg->controls) st.windows.erase(c.id);
        st.windows.erase(dlg->id);
        st.order.pop_back();
        return nullptr;
    }
    return dlg;
}

// Index of the first control the focus may rest on, -1 when none.
int first_tab_stop(const Window& dlg) {
    for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
        const Window* c = find_window(dlg.controls[i]);
        if (c && (c->ctl->style & CS_TABSTOP)) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < dlg.controls.size(); ++i) {
        const Window* c = find_window(dlg.controls[i]);
        if (c && c->ctl->kind != ControlKind::Label && c->ctl->kind != ControlKind::GroupBox)
            return static_cast<int>(i);
    }
    return -1;
}

void set_focus_index(Window& dlg, int index) {
    if (index < 0 || index >= static_cast<int>(dlg.controls.size())) return;
    dlg.focus = index;
    if (Window* c = find_window(dlg.controls[index])) state().backend->focus_control(dlg, *c);
}

// Sends WM_INITDIALOG; true when the procedure asked for the default focus.
bool init_dialog(const std::shared_ptr<Window>& dlg, LPARAM init_param) {
    const int first = first_tab_stop(*dlg);
    const Hwnd focus = first >= 0 ? dlg->controls[first] : Hwnd{};
    const bool default_focus = deliver(dlg, WM_INITDIALOG, focus.id, init_param) != 0;
    if (default_focus && find_window(Hwnd{dlg->id})) set_focus_index(*dlg, first);
    return default_focus;
}

// The modal loop's keyboard rules, for a message to dlg or one of its controls:
// Tab moves the focus, Enter presses the default button, Escape sends IDCANCEL,
// everything else is dispatched. True when it took the message.
bool is_dialog_message(Hwnd dlg, const Msg& msg) {
    Window* d = find_window_kind(dlg, WinKind::Dialog);
    Window* target = top_of(msg.hwnd);
    if (!d || !target || target->id != d->id) return false;
    if (msg.message == WM_KEYDOWN) {
        const int vk = static_cast<int>(msg.wparam);
        if (vk == VK_RETURN || vk == VK_ESCAPE) {
            const int id = vk == VK_RETURN ? d->dlg_template->default_id() : IDCANCEL;
            const Hwnd button = get_dlg_item(dlg, id);
            send_message(dlg, WM_COMMAND, make_wparam(static_cast<unsigned>(id), BN_CLICKED),
                         static_cast<LPARAM>(button.id));
            return true;
        }
        if (vk == VK_TAB) {
            const int n = static_cast<int>(d->controls.size());
            const int step = (state().key_mods & MK_SHIFT) ? -1 : 1;
            for (int k = 1, i = d->focus; k <= n; ++k) {
                i = ((i + step) % n + n) % n;
                Window* c = find_window(d->controls[i]);
                if (c && (c->ctl->style & CS_TABSTOP)) {
                    set_focus_index(*d, i);
                    break;
                }
            }
            return true;
        }
    }
    if (msg.message == WM_CHAR &&
        (msg.wparam == VK_RETURN || msg.wparam == VK_ESCAPE || msg.wparam == VK_TAB))
        return true;
    dispatch_message(msg);
    return true;
}

}  // namespace

LRESULT dialog_box(int template_id, Hwnd owner, DlgProc proc, LPARAM init_param) {
    if (refuse_in_native_handler("dialog_box")) return -1;
    auto dlg = make_dialog(template_id, owner, std::move(proc), true);
    if (!dlg) return -1;
    State& st = state();
    const Hwnd h{dlg->id};
    st.modal_stack.push_back(h);
    init_dialog(dlg, init_param);
    if (find_window(h) && !dlg->ended) {
        show_window(h, true);
        st.backend->modal_started(*dlg);
    }
    Msg msg;
    while (find_window(h) && !dlg->ended) {
        if (!get_message(msg)) {
            post_quit_message(static_cast<int>(msg.wparam));
            break;
        }
        if (!is_dialog_message(h, msg)) {
            translate_message(msg);
            dispatch_message(msg);
        }
    }
    const LRESULT result = dlg->ended ? dlg->result : 0;
    st.modal_stack.erase(std::remove(st.modal_stack.begin(), st.modal_stack.end(), h),
                         st.modal_stack.end());
    if (find_window(h)) {
        st.backend->modal_ended(*dlg);
        destroy_window(h);
    }
    return result;
}

bool end_dialog(Hwnd dlg, LRESULT result) {
    Window* w = find_window_kind(dlg, WinKind::Dialog);
    if (!w || !w->modal || w->ended) return false;
    w->ended = true;
    w->result = result;
    return true;
}

Hwnd create_dialog(int template_id, Hwnd owner, DlgProc proc, LPARAM init_param) {
    auto dlg = make_dialog(template_id, owner, std::move(proc), false);
    if (!dlg) return {};
    const Hwnd h{dlg->id};
    init_dialog(dlg, init_param);
    if (find_window(h) && dlg->dlg_template->visible) show_window(h, true);
    return find_window(h) ? h : Hwnd{};
}

namespace {
Window* control(Hwnd dlg, int id) {
    return find_window(get_dlg_item(dlg, id));
}
}  // namespace

bool set_dlg_item_text(Hwnd dlg, int id, std::string_view text) {
    Window* c = control(dlg, id);
    if (!c) return false;
    c->title = std::string(text);
    state().backend->control_changed(*c);
    return true;
}

std::string get_dlg_item_text(Hwnd dlg, int id, std::size_t max_chars) {
    Window* c = control(dlg, id);
    if (!c) return {};
    return c->title.substr(0, max_chars);
}

bool check_dlg_button(Hwnd dlg, int id, bool checked) {
    Window* c = control(dlg, id);
    if (!c || c->ctl->kind != ControlKind::CheckBox) return false;
    c->checked = checked;
    state().backend->control_changed(*c);
    return true;
}

bool is_dlg_button_checked(Hwnd dlg, int id) {
    Window* c = control(dlg, id);
    return c && c->ctl->kind == ControlKind::CheckBox && c->checked;
}

Bitmap set_button_image(Hwnd dlg, int id, Bitmap image) {
    Window* c = control(dlg, id);
    if (!c) return {};
    const ControlKind k = c->ctl->kind;
    if (k != ControlKind::BitmapButton && k != ControlKind::Button &&
        k != ControlKind::DefaultButton)
        return {};
    const Bitmap previous = c->image;
    c->image = image;
    state().backend->control_changed(*c);
    return previous;
}

Bitmap get_button_image(Hwnd dlg, int id) {
    Window* c = control(dlg, id);
    return c ? c->image : Bitmap{};
}

}  // namespace plat
