#include "shell/load_progress.h"

namespace shell {

namespace {

plat::DialogTemplate make_template() {
    plat::DialogTemplate t;
    t.id = IDD_LOAD_PROGRESS;
    t.title = "Loading";
    t.cx = 160;
    t.cy = 38;
    t.font = "MS Shell Dlg";
    t.point_size = 8;
    t.visible = true;
    t.controls = {
        {plat::ControlKind::Label, IDC_PROGRESS_FILE, "", 7, 7, 146, 8, plat::CS_NONE},
        {plat::ControlKind::Label, IDC_PROGRESS_PERCENT, "", 7, 22, 146, 8, plat::CS_NONE},
    };
    return t;
}

// The window only shows; its close box does nothing (the load ends it).
bool progress_proc(plat::Hwnd, unsigned message, plat::WPARAM, plat::LPARAM) {
    return message == plat::WM_INITDIALOG || message == plat::WM_CLOSE;
}

std::string base_name(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const plat::DialogTemplate& load_progress_template() {
    static const plat::DialogTemplate t = make_template();
    return t;
}

LoadProgressWindow::LoadProgressWindow(plat::Hwnd owner, const std::string& path,
                                       std::chrono::milliseconds delay)
    : owner_(owner),
      name_(base_name(path)),
      start_(std::chrono::steady_clock::now()),
      delay_(delay) {}

LoadProgressWindow::~LoadProgressWindow() {
    if (!dialog_) return;
    plat::destroy_window(dialog_);
    plat::set_cursor(previous_cursor_);
}

LoadProgress LoadProgressWindow::callback() {
    return [this](std::uint64_t done, std::uint64_t total) { update(done, total); };
}

void LoadProgressWindow::update(std::uint64_t done, std::uint64_t total) {
    if (!dialog_) {
        if (std::chrono::steady_clock::now() - start_ < delay_) return;
        dialog_ = plat::create_dialog(IDD_LOAD_PROGRESS, owner_, &progress_proc);
        if (!dialog_) return;
        plat::set_dlg_item_text(dialog_, IDC_PROGRESS_FILE, name_);
        previous_cursor_ = plat::set_cursor(plat::load_cursor(plat::StdCursor::Wait));
    }
    const int percent = total == 0 ? 0 : static_cast<int>(done >= total ? 100 : done * 100 / total);
    if (percent != percent_) {
        percent_ = percent;
        plat::set_dlg_item_text(dialog_, IDC_PROGRESS_PERCENT, std::to_string(percent) + " %");
    }
    // The load holds the thread; let the toolkit show the window meanwhile. Input
    // that arrives now is queued and handled after the load.
    plat::Msg msg;
    plat::peek_message(msg, false);
}

}  // namespace shell
