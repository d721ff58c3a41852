// Every item of the labelling tool's menu and every accelerator does something a
// user notices: a dialog, a file dialog, a message, a check mark, a repaint, or
// the window closing. A command the program's command function does not handle
// does nothing, and fails here.
#include <vector>

#include "resources/resources.h"
#include "vantrel_fixture.h"

namespace {

using namespace vantrel_test;

class VantrelCommands : public VantrelSession {
  protected:
    void SetUp() override {
        VantrelSession::SetUp();
        load(track_text(), "1 3000 5000 2\n2 8000 10000 3\n");
        on_dialog_end_at_once();
    }
    void on_dialog_end_at_once() {
        hl::set_dialog_script([this](plat::Hwnd dlg, int) {
            ++dialogs;
            plat::end_dialog(dlg, plat::IDCANCEL);
        });
    }
    std::vector<int> marks() {
        std::vector<int> states;
        const plat::Hmenu bar = plat::get_menu(main);
        for (int id = 1; id < 100; ++id) states.push_back(plat::menu_item_checked(bar, id));
        return states;
    }
    // Runs the input; true when anything came of it.
    template <class Input>
    bool noticed(Input input) {
        hl::clear_logs();
        dialogs = 0;
        const std::vector<int> marks_before = marks();
        input();
        int repaints = 0;
        for (const auto& r : hl::invalidations()) repaints += r.hwnd == main;
        return dialogs > 0 || !hl::file_dialogs().empty() || !hl::message_boxes().empty() ||
               repaints > 0 || quit || !plat::is_window(main) ||
               (plat::is_window(main) && marks() != marks_before);
    }
    int dialogs = 0;
};

}  // namespace

TEST_F(VantrelCommands, EveryMenuItemDoesSomething) {
    const plat::MenuTemplate* bar = resources::vantrel().find_menu(ids::IDR_MAIN_MENU);
    ASSERT_NE(bar, nullptr);
    for (const plat::PopupTemplate& popup : bar->popups)
        for (const plat::MenuItemTemplate& item : popup.items) {
            if (item.id == 0 || item.id == ids::IDM_V_EXIT) continue;  // Exit goes last
            EXPECT_TRUE(noticed([&] { command(item.id); })) << popup.text << " > " << item.text;
        }
    EXPECT_TRUE(noticed([&] { command(ids::IDM_V_EXIT); }));
    EXPECT_TRUE(quit);
}

// The edit modes act while labelling: each key is pressed with labelling on.
TEST_F(VantrelCommands, EveryAcceleratorDoesSomething) {
    const plat::AccelTableTemplate* table =
        resources::vantrel().find_accelerators(ids::IDR_ACCELERATORS);
    ASSERT_NE(table, nullptr);
    for (const plat::AccelEntry& e : table->entries) {
        if (!state().labelling) command(ids::IDM_LABELLING);
        ASSERT_TRUE(state().labelling);
        EXPECT_TRUE(noticed([&] {
            key(e.key, (e.flags & plat::FSHIFT) != 0, (e.flags & plat::FCONTROL) != 0);
        })) << "key "
            << e.key << " for command " << e.cmd;
    }
}
