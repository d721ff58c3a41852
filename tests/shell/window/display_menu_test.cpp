// The Display menu as a user works it: the "Display Setting" dialog and the
// display-mode toggles.
#include "shell/display_menu.h"
#include "render/scene_painter.h"
#include "shell/scene_loads.h"
#include "shell_fixture.h"

namespace {

using namespace shell_test;
using Texts = std::vector<std::string>;

class DisplaySettingDialog : public ShellSession {
  protected:
    Texts shown;  // field texts when the dialog opened

    // Opens the dialog from the menu; `act` fills and closes it.
    void open(std::function<void(plat::Hwnd)> act) {
        on_dialog([this, act](plat::Hwnd dlg, int) {
            shown.clear();
            for (int id = ids::IDC_MAX_RANGE_X; id <= ids::IDC_DRAW_HISTORY; ++id) {
                shown.push_back(plat::get_dlg_item_text(dlg, id));
            }
            act(dlg);
        });
        menu(ids::IDM_DISPLAY_SETTING);
        EXPECT_FALSE(hl::find_dialog(ids::IDD_DISPLAY_SETTING));
    }
    static void type(plat::Hwnd dlg, int id, const char* text) {
        plat::set_dlg_item_text(dlg, id, text);
    }
};

TEST_F(DisplaySettingDialog, ShowsTheValuesAndOkStoresTheFields) {
    menu(ids::IDM_GRID_LINE);
    hl::clear_logs();
    open([](plat::Hwnd dlg) {
        const char* texts[] = {"10000", "500", "1.234", "2.5", "5", "3", "9"};
        for (int i = 0; i < 7; ++i) type(dlg, ids::IDC_MAX_RANGE_X + i, texts[i]);
        hl::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(shown, (Texts{"30000", "2000", "1.50", "5.00", "1", "20", "0"}));
    const render::DisplaySettings s = viewer->view.settings;
    EXPECT_EQ(s.maxRangeX, 10000);
    EXPECT_DOUBLE_EQ(s.yxFactor, 1.234);
    EXPECT_EQ(s.flags, 6);  // the toggles' flags are kept
    EXPECT_EQ(scene().clock.frameStep, 5);
    EXPECT_EQ(invalidations(false), 1);
    EXPECT_EQ(invalidations(true), 0);

    open([](plat::Hwnd dlg) { hl::press_enter(dlg); });  // OK without changes
    EXPECT_EQ(shown, (Texts{"10000", "500", "1.23", "2.50", "5", "3", "1"}));
    EXPECT_DOUBLE_EQ(viewer->view.settings.yxFactor, 1.23);
}

TEST_F(DisplaySettingDialog, CancelEscapeAndCloseBoxChangeNothing) {
    for (void (*leave)(plat::Hwnd) : {+[](plat::Hwnd d) { hl::press_button(d, plat::IDCANCEL); },
                                      +[](plat::Hwnd d) { hl::press_escape(d); },
                                      +[](plat::Hwnd d) { hl::click_close_box(d); }}) {
        open([leave](plat::Hwnd dlg) {
            type(dlg, ids::IDC_MAX_RANGE_X, "5");
            type(dlg, ids::IDC_FRAME_STEP, "9");
            leave(dlg);
        });
        EXPECT_EQ(viewer->view.settings.maxRangeX, 30000);
        EXPECT_EQ(scene().clock.frameStep, 1);
        EXPECT_TRUE(hl::invalidations().empty());
    }
}

TEST_F(DisplaySettingDialog, RefusedValueKeepsTheDialogOpenWithTheUsersText) {
    int waits = 0;
    when_idle([&] {
        const plat::Hwnd dlg = hl::find_dialog(ids::IDD_DISPLAY_SETTING);
        ASSERT_TRUE(dlg);
        ++waits;
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_GRID_SIZE_X), "0");
        EXPECT_EQ(scene().clock.frameStep, 1);  // nothing stored
        type(dlg, ids::IDC_GRID_SIZE_X, "100");
        hl::press_button(dlg, plat::IDOK);
    });
    open([](plat::Hwnd dlg) {
        type(dlg, ids::IDC_GRID_SIZE_X, "0");
        type(dlg, ids::IDC_FRAME_STEP, "4");
        hl::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(waits, 1);
    ASSERT_EQ(hl::message_boxes().size(), 1u);
    EXPECT_EQ(hl::message_boxes()[0].caption, "Display Setting");
    EXPECT_EQ(hl::message_boxes()[0].text, "Grid Size X [cm] must be a number greater than 0.");
    EXPECT_EQ(viewer->view.settings.gridSizeX, 100);
    EXPECT_EQ(scene().clock.frameStep, 4);
}

using DisplayModes = ShellSession;

TEST_F(DisplayModes, TimeSerialsAndEgoCentredEmptyTheHistory) {
    ASSERT_EQ(shell::load_ego(scene(), nav_file()) + shell::load_mov(scene(), traj_file()), 2);
    plat::invalidate(main, false);
    run();  // a paint fills the history
    ASSERT_GT(scene().history.appended, 0);
    const plat::Hmenu menu = plat::get_menu(main);
    hl::clear_logs();
    shell::toggle_time_series(*viewer);
    EXPECT_EQ(scene().history.appended, 0);
    EXPECT_EQ(viewer->view.settings.flags & render::SHOW_TIME_SERIES, 0);
    EXPECT_EQ(plat::menu_item_checked(menu, ids::IDM_TIME_SERIALS), 0);
    ASSERT_EQ(hl::invalidations().size(), 1u);
    EXPECT_TRUE(hl::invalidations()[0].erase);

    run();
    ASSERT_GT(scene().history.appended, 0);
    hl::clear_logs();
    shell::toggle_ego_centered(*viewer);
    EXPECT_EQ(scene().history.appended, 0);
    EXPECT_EQ(viewer->view.egoCentered, 1);
    EXPECT_EQ(plat::menu_item_checked(menu, ids::IDM_EGO_CENTERED), 1);
    // It shows at once (without erase), not only at the next repaint.
    ASSERT_EQ(hl::invalidations().size(), 1u);
    EXPECT_FALSE(hl::invalidations()[0].erase);
}

}  // namespace
