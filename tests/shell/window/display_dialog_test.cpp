// The "Display Setting" dialog as a user works it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/display_dialog.h"
#include "shell_fixture.h"

namespace {

using shell_test::ShellSession;
namespace ids = resources;

class DisplaySettingDialog : public ShellSession {
  protected:
    std::vector<std::string> shown;  // field texts when the dialog opened

    void record_fields(plat::Hwnd dlg) {
        shown.clear();
        for (int id = ids::IDC_MAX_RANGE_X; id <= ids::IDC_DRAW_HISTORY; ++id) {
            shown.push_back(plat::get_dlg_item_text(dlg, id));
        }
    }
    // Opens the dialog from the menu; `act` fills and closes it.
    void open(std::function<void(plat::Hwnd)> act) {
        on_dialog([this, act](plat::Hwnd dlg, int id) {
            ASSERT_EQ(id, ids::IDD_DISPLAY_SETTING);
            record_fields(dlg);
            act(dlg);
        });
        menu(ids::IDM_DISPLAY_SETTING);
        EXPECT_FALSE(plat::headless::find_dialog(ids::IDD_DISPLAY_SETTING));
    }
    static void type(plat::Hwnd dlg, int id, const char* text) {
        plat::set_dlg_item_text(dlg, id, text);
    }
};

TEST_F(DisplaySettingDialog, ShowsTheDefaultsAndOkStoresTheFields) {
    open([](plat::Hwnd dlg) {
        type(dlg, ids::IDC_MAX_RANGE_X, "10000");
        type(dlg, ids::IDC_GRID_SIZE_X, "500");
        type(dlg, ids::IDC_YX_FACTOR, "1.234");
        type(dlg, ids::IDC_MS_PER_METER, "2.5");
        type(dlg, ids::IDC_FRAME_STEP, "5");
        type(dlg, ids::IDC_TOO_SHORT_TRAJ, "3");
        type(dlg, ids::IDC_DRAW_HISTORY, "9");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"30000", "2000", "1.50", "5.00", "1", "20", "0"}));
    const render::DisplaySettings s = render::GetDisplaySettings();
    EXPECT_EQ(s.maxRangeX, 10000);
    EXPECT_EQ(s.gridSizeX, 500);
    EXPECT_DOUBLE_EQ(s.yxFactor, 1.234);
    EXPECT_DOUBLE_EQ(s.msPerMeter, 2.5);
    EXPECT_EQ(s.drawHistory, 1);
    EXPECT_EQ(s.flags, 7);
    EXPECT_EQ(clock_settings().frameStep, 5);
    EXPECT_EQ(clock_settings().tooShortTraj, 3);
    EXPECT_EQ(invalidations(false), 1);
    EXPECT_EQ(invalidations(true), 0);

    open([](plat::Hwnd dlg) { plat::headless::press_enter(dlg); });
    EXPECT_EQ(shown, (std::vector<std::string>{"10000", "500", "1.23", "2.50", "5", "3", "1"}));
}

TEST_F(DisplaySettingDialog, OkWithoutChangesKeepsEverythingAndRepaintsWithoutErase) {
    menu(ids::IDM_GRID_LINE);  // flags 6 now
    plat::headless::clear_logs();
    open([](plat::Hwnd dlg) { plat::headless::press_button(dlg, plat::IDOK); });
    const render::DisplaySettings s = render::GetDisplaySettings();
    const render::DisplaySettings d = render::plovane_display_profile().defaults;
    EXPECT_EQ(s.maxRangeX, d.maxRangeX);
    EXPECT_EQ(s.gridSizeX, d.gridSizeX);
    EXPECT_EQ(s.yxFactor, d.yxFactor);
    EXPECT_EQ(s.msPerMeter, d.msPerMeter);
    EXPECT_EQ(s.flags, 6);
    EXPECT_EQ(invalidations(false), 1);
    EXPECT_EQ(invalidations(true), 0);
}

TEST_F(DisplaySettingDialog, CancelEscapeAndCloseBoxChangeNothing) {
    const std::function<void(plat::Hwnd)> ways[] = {
        [](plat::Hwnd dlg) { plat::headless::press_button(dlg, plat::IDCANCEL); },
        [](plat::Hwnd dlg) { plat::headless::press_escape(dlg); },
        [](plat::Hwnd dlg) { plat::headless::click_close_box(dlg); },
    };
    for (const auto& leave : ways) {
        plat::headless::clear_logs();
        open([&leave](plat::Hwnd dlg) {
            type(dlg, ids::IDC_MAX_RANGE_X, "5");
            type(dlg, ids::IDC_FRAME_STEP, "9");
            leave(dlg);
        });
        EXPECT_EQ(render::GetDisplaySettings().maxRangeX, 30000);
        EXPECT_EQ(clock_settings().frameStep, 1);
        EXPECT_TRUE(plat::headless::invalidations().empty());
    }
    EXPECT_EQ(plat::headless::stalls(), 0);
}

TEST_F(DisplaySettingDialog, RefusedValueKeepsTheDialogOpenWithTheUsersText) {
    int checks = 0;
    when_idle([&] {
        const plat::Hwnd dlg = plat::headless::find_dialog(ids::IDD_DISPLAY_SETTING);
        ASSERT_TRUE(dlg);
        ++checks;
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_GRID_SIZE_X), "0");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_MAX_RANGE_X), "777");
        // The user corrects the field and tries again.
        type(dlg, ids::IDC_GRID_SIZE_X, "100");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    open([](plat::Hwnd dlg) {
        type(dlg, ids::IDC_MAX_RANGE_X, "777");
        type(dlg, ids::IDC_GRID_SIZE_X, "0");
        type(dlg, ids::IDC_FRAME_STEP, "4");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(checks, 1);
    ASSERT_EQ(plat::headless::message_boxes().size(), 1u);
    EXPECT_EQ(plat::headless::message_boxes()[0].caption, "Display Setting");
    EXPECT_EQ(plat::headless::message_boxes()[0].text,
              "Grid Size X [cm] must be a number greater than 0.");
    // Nothing was stored by the refused press; the corrected one stored everything.
    EXPECT_EQ(render::GetDisplaySettings().maxRangeX, 777);
    EXPECT_EQ(render::GetDisplaySettings().gridSizeX, 100);
    EXPECT_EQ(clock_settings().frameStep, 4);
}

TEST_F(DisplaySettingDialog, RefusedPressStoresNothing) {
    when_idle([&] {
        const plat::Hwnd dlg = plat::headless::find_dialog(ids::IDD_DISPLAY_SETTING);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(render::GetDisplaySettings().maxRangeX, 30000);
        EXPECT_EQ(clock_settings().frameStep, 1);
        plat::headless::press_button(dlg, plat::IDCANCEL);
    });
    open([](plat::Hwnd dlg) {
        type(dlg, ids::IDC_MAX_RANGE_X, "1");
        type(dlg, ids::IDC_FRAME_STEP, "8");
        type(dlg, ids::IDC_MS_PER_METER, "-2");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(render::GetDisplaySettings().maxRangeX, 30000);
    EXPECT_EQ(clock_settings().frameStep, 1);
}

}  // namespace
