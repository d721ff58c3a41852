// Modal and modeless dialogs and the dialog manager's rules, through the headless back end.
#include <memory>

#include "resources/resource_ids.h"
#include "tests/platform/test_support.h"

using namespace plat;
using platform_test::HeadlessTest;

namespace {

// A dialog procedure that records what it sees and ends on the commands given.
struct ScriptedDialog : std::enable_shared_from_this<ScriptedDialog> {
    std::vector<std::pair<unsigned, unsigned>> seen;  // message, low word of wparam
    bool handle_close = false;
    std::vector<int> ending_ids{IDOK, IDCANCEL};

    DlgProc proc() {
        // The dialog may outlive the test's handle on it (closed at tear-down).
        return [self = shared_from_this()](Hwnd dlg, unsigned m, WPARAM w, LPARAM) {
            self->seen.emplace_back(m, loword(w));
            if (m == WM_INITDIALOG) return true;
            if (m == WM_CLOSE) return self->handle_close;
            if (m == WM_COMMAND) {
                for (int id : self->ending_ids)
                    if (static_cast<int>(loword(w)) == id) {
                        end_dialog(dlg, id * 10);
                        return true;
                    }
            }
            return false;
        };
    }
    int commands(int id) const {
        int n = 0;
        for (auto& [m, w] : seen) n += m == WM_COMMAND && static_cast<int>(w) == id;
        return n;
    }
};

}  // namespace

using ModalDialog = HeadlessTest;

TEST_F(ModalDialog, EnterPressesTheDefaultButtonAndEscapeCancels) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    headless::set_dialog_script([](Hwnd dlg, int) { headless::press_enter(dlg); });
    EXPECT_EQ(dialog_box(2100, w, d->proc()), 10);
    EXPECT_EQ(d->commands(IDOK), 1);

    auto e = std::make_shared<ScriptedDialog>();
    headless::set_dialog_script([](Hwnd dlg, int) { headless::press_escape(dlg); });
    EXPECT_EQ(dialog_box(2100, w, e->proc()), 20);
    EXPECT_EQ(e->commands(IDCANCEL), 1);
}

TEST_F(ModalDialog, EnterUsesTheTemplatesDefaultButtonId) {
    DialogTemplate t;
    t.id = 7000;
    t.cx = 100;
    t.cy = 50;
    t.controls = {ControlTemplate{ControlKind::Button, 1, "One", 0, 0, 20, 10, CS_TABSTOP},
                  ControlTemplate{ControlKind::DefaultButton, 44, "Go", 30, 0, 20, 10, CS_TABSTOP}};
    ResourceSet set;
    set.dialogs.push_back(t);
    use_resources(&set);
    auto d = std::make_shared<ScriptedDialog>();
    d->ending_ids = {44};
    headless::set_dialog_script([](Hwnd dlg, int) { headless::press_enter(dlg); });
    EXPECT_EQ(dialog_box(7000, Hwnd{}, d->proc()), 440);
    EXPECT_EQ(d->commands(IDOK), 0);
}

TEST_F(ModalDialog, UnhandledCloseBoxBecomesCancel) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    headless::set_dialog_script([](Hwnd dlg, int) { headless::click_close_box(dlg); });
    EXPECT_EQ(dialog_box(2100, w, d->proc()), 20);
    // WM_CLOSE reached the procedure first, then the cancel command.
    ASSERT_GE(d->seen.size(), 3u);
    EXPECT_EQ(d->seen[1].first, WM_CLOSE);
    EXPECT_EQ(d->seen[2], (std::pair<unsigned, unsigned>{WM_COMMAND, IDCANCEL}));
}

TEST_F(ModalDialog, HandledCloseBoxAndIgnoredCancelLeaveItOpen) {
    // An About-like procedure: only OK ends it.
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    d->ending_ids = {IDOK};
    int step = 0;
    Hwnd running;
    headless::set_dialog_script([&](Hwnd dlg, int id) {
        EXPECT_EQ(id, 2000);
        running = dlg;
        headless::press_escape(dlg);
        headless::click_close_box(dlg);
        step = 1;
    });
    // Still open once everything queued is done: only OK closes it.
    headless::set_idle_hook([&] { headless::press_button(running, IDOK); });
    EXPECT_EQ(dialog_box(2000, w, d->proc()), 10);
    EXPECT_EQ(step, 1);
    EXPECT_EQ(d->commands(IDCANCEL), 2);  // Escape, then the unhandled close box
    EXPECT_EQ(d->commands(IDOK), 1);
}

TEST_F(ModalDialog, ScriptFillsEditsAndTicksBoxesBeforePressingOk) {
    const Hwnd w = make_window();
    std::string typed;
    bool ticked = false;
    DlgProc proc = [&](Hwnd dlg, unsigned m, WPARAM wp, LPARAM) {
        if (m == WM_INITDIALOG) {
            set_dlg_item_text(dlg, 2301, "-1");
            check_dlg_button(dlg, 2312, true);
            return true;
        }
        if (m == WM_COMMAND && loword(wp) == IDOK) {
            typed = get_dlg_item_text(dlg, 2303, 5);
            ticked = is_dlg_button_checked(dlg, 2312);
            end_dialog(dlg, 1);
            return true;
        }
        return false;
    };
    headless::set_dialog_script([](Hwnd dlg, int) {
        EXPECT_EQ(get_dlg_item_text(dlg, 2301), "-1");
        set_dlg_item_text(dlg, 2303, "255,128,0");
        headless::press_button(dlg, 2312);  // untick
        headless::press_button(dlg, IDOK);
    });
    EXPECT_EQ(dialog_box(2300, w, proc), 1);
    EXPECT_EQ(typed, "255,1");  // cut to the buffer the caller gave
    EXPECT_FALSE(ticked);
}

TEST_F(ModalDialog, OwnerTakesNoInputButKeepsPainting) {
    const Hwnd w = make_window();
    drain();
    seen.clear();
    auto d = std::make_shared<ScriptedDialog>();
    Hwnd running;
    headless::set_dialog_script([&](Hwnd dlg, int) {
        running = dlg;
        headless::mouse_down(w, headless::Button::Left, 5, 5);
        headless::click_menu(w, 51);
        headless::click_close_box(w);
        invalidate(w, false);
        post_message(w, WM_USER);  // programs may still post to the owner
    });
    // OK only once the loop has nothing left to do.
    headless::set_idle_hook([&] { headless::press_button(running, IDOK); });
    EXPECT_EQ(dialog_box(2100, w, d->proc()), 10);
    EXPECT_EQ(codes(), (std::vector<unsigned>{WM_USER}));
    EXPECT_EQ(headless::paint_count(w), 2);
}

TEST_F(ModalDialog, QuitEndsTheLoopAndIsPostedAgain) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    headless::set_dialog_script([](Hwnd, int) { post_quit_message(3); });
    EXPECT_EQ(dialog_box(2100, w, d->proc()), 0);
    EXPECT_FALSE(headless::find_dialog(2100));
    Msg msg;
    EXPECT_FALSE(get_message(msg));
    EXPECT_EQ(msg.wparam, 3u);
}

TEST_F(ModalDialog, DestroyingTheOwnerEndsTheLoop) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    headless::set_dialog_script([w](Hwnd, int) { post_message(w, WM_CLOSE); });
    EXPECT_EQ(dialog_box(2100, w, d->proc()), 0);
    EXPECT_FALSE(is_window(w));
}

TEST_F(ModalDialog, NestedDialogsEndInnermostFirst) {
    const Hwnd w = make_window();
    std::vector<int> order;
    DlgProc inner = [&](Hwnd dlg, unsigned m, WPARAM wp, LPARAM) {
        if (m == WM_COMMAND && loword(wp) == IDOK) {
            order.push_back(2000);
            end_dialog(dlg, 1);
            return true;
        }
        return m == WM_INITDIALOG;
    };
    DlgProc outer = [&](Hwnd dlg, unsigned m, WPARAM wp, LPARAM) {
        if (m == WM_COMMAND && loword(wp) == 99) {
            EXPECT_EQ(dialog_box(2000, dlg, inner), 1);
            headless::press_button(dlg, IDOK);
            return true;
        }
        if (m == WM_COMMAND && loword(wp) == IDOK) {
            order.push_back(2100);
            end_dialog(dlg, 2);
            return true;
        }
        return m == WM_INITDIALOG;
    };
    headless::set_dialog_script([](Hwnd dlg, int id) {
        EXPECT_EQ(headless::modal_stack().back(), dlg);
        if (id == 2100) {
            post_message(dlg, WM_COMMAND, 99);
        } else {
            EXPECT_EQ(headless::modal_stack().size(), 2u);
            headless::press_enter(dlg);
        }
    });
    EXPECT_EQ(dialog_box(2100, w, outer), 2);
    EXPECT_EQ(order, (std::vector<int>{2000, 2100}));
    EXPECT_TRUE(headless::modal_stack().empty());
}

TEST_F(ModalDialog, MissingTemplateAndLateEndDialog) {
    EXPECT_EQ(dialog_box(4242, Hwnd{}, nullptr), -1);
    Hwnd kept;
    headless::set_dialog_script([&](Hwnd dlg, int) {
        kept = dlg;
        EXPECT_TRUE(end_dialog(dlg, 5));
        EXPECT_FALSE(end_dialog(dlg, 6));  // already ended: the first result stays
    });
    EXPECT_EQ(dialog_box(2000, Hwnd{}, nullptr), 5);
    EXPECT_FALSE(is_window(kept));
    EXPECT_FALSE(end_dialog(kept, 1));
}

using ModelessDialog = HeadlessTest;

TEST_F(ModelessDialog, HiddenTemplateStaysHiddenUntilShown) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    const Hwnd fc = create_dialog(resources::IDD_FRAME_CONTROL, w, d->proc());
    ASSERT_TRUE(fc);
    EXPECT_EQ(d->seen.front().first, WM_INITDIALOG);
    EXPECT_FALSE(headless::is_visible(fc));
    show_window(fc, true);
    EXPECT_TRUE(headless::is_visible(fc));
    EXPECT_EQ(headless::find_dialog(resources::IDD_FRAME_CONTROL), fc);
}

// The dialog manager's keyboard rules belong to the modal loop.
TEST_F(ModelessDialog, KeysReachTheProcedureAsKeys) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    d->ending_ids = {};
    const Hwnd fc = create_dialog(resources::IDD_FRAME_CONTROL, w, d->proc());
    headless::press_escape(fc);
    headless::press_enter(fc);
    drain();
    EXPECT_EQ(d->seen.back(), (std::pair<unsigned, unsigned>{WM_KEYDOWN, VK_RETURN}));
    EXPECT_EQ(d->commands(IDCANCEL), 0);
}

TEST_F(ModelessDialog, ButtonImagesAndControlsById) {
    const Hwnd w = make_window();
    const Hwnd fc = create_dialog(resources::IDD_FRAME_CONTROL, w, nullptr);
    const Bitmap start = load_bitmap("START_BTN");
    const Bitmap pause = load_bitmap("PAUSE_BTN");
    ASSERT_TRUE(start);
    EXPECT_EQ(load_bitmap("START_BTN"), start);  // shared, loaded once
    EXPECT_FALSE(load_bitmap("NO_SUCH_BTN"));
    EXPECT_FALSE(set_button_image(fc, resources::IDC_START, start));
    EXPECT_EQ(set_button_image(fc, resources::IDC_START, pause), start);
    EXPECT_EQ(get_button_image(fc, resources::IDC_START), pause);
    EXPECT_FALSE(set_button_image(fc, resources::IDC_FRAME_NO, start));  // not a button

    EXPECT_FALSE(check_dlg_button(fc, resources::IDC_START, true));  // not a check box
    EXPECT_FALSE(set_dlg_item_text(fc, 9999, "x"));
    EXPECT_EQ(get_dlg_item_text(fc, 9999), "");
}

TEST_F(ModelessDialog, DestroyDropsMessagesForItsControls) {
    const Hwnd w = make_window();
    auto d = std::make_shared<ScriptedDialog>();
    const Hwnd fc = create_dialog(resources::IDD_FRAME_CONTROL, w, d->proc());
    headless::press_button(fc, resources::IDC_START);  // its message names the control
    const Hwnd start{static_cast<std::uint32_t>(headless::posted().back().lparam)};
    ASSERT_TRUE(is_window(start));
    post_message(start, WM_USER);
    post_message(fc, WM_COMMAND, 2210);
    destroy_window(fc);
    EXPECT_FALSE(is_window(start));
    const std::size_t before = d->seen.size();
    drain();
    EXPECT_EQ(d->seen.size(), before);
    EXPECT_EQ(send_message(fc, 2207), 0);  // sends to a gone dialog do nothing
}
