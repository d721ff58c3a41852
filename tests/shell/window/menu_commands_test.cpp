// Every item of the viewer's menu does something a user notices: a dialog, a file
// dialog, a message, a check mark, a repaint, a new window, or the window closing. An item whose
// command the program's command function does not handle does nothing, and fails.
#include "resources/resources.h"
#include "shell_fixture.h"

namespace shell_test {
namespace {

class MenuCommands : public ShellSession {
  protected:
    // Clicks the item with every modal dialog ended at once; true when anything
    // came of it.
    bool noticed(int id) {
        hl::clear_logs();
        int dialogs = 0;
        on_dialog([&](plat::Hwnd dlg, int) {
            ++dialogs;
            plat::end_dialog(dlg, plat::IDCANCEL);
        });
        const bool was_checked = checked(id);
        const size_t windows = hl::windows().size();
        menu(id);
        return dialogs > 0 || hl::windows().size() > windows || !hl::file_dialogs().empty() ||
               !hl::message_boxes().empty() || invalidations(true) + invalidations(false) > 0 ||
               checked(id) != was_checked || quit || !plat::is_window(main);
    }
};

}  // namespace

TEST_F(MenuCommands, EveryMenuItemDoesSomething) {
    const plat::MenuTemplate* bar = resources::plovane().find_menu(ids::IDR_MAIN_MENU);
    ASSERT_NE(bar, nullptr);
    int items = 0;
    for (const plat::PopupTemplate& popup : bar->popups)
        for (const plat::MenuItemTemplate& item : popup.items) {
            if (item.id == 0 || item.id == ids::IDM_EXIT) continue;  // Exit goes last
            EXPECT_TRUE(noticed(item.id)) << popup.text << " > " << item.text;
            ++items;
        }
    EXPECT_GT(items, 10);
    EXPECT_TRUE(noticed(ids::IDM_EXIT));
    EXPECT_TRUE(quit);
}

}  // namespace shell_test
