// The "Traj Color Setting" dialog driven as a user would: a script edits fields
// and presses buttons.
#include <clocale>

#include "render/role_colours.h"
#include "tests/shell/window/shell_fixture.h"
#include "tests/support/comma_locale.h"
#include "tests/support/role_colours_text.h"
#include "viewer/traj_color_dialog.h"

namespace {

using namespace shell_test;
using test_support::nonzero;

class TrajColorDialog : public ShellSession {
  protected:
    void SetUp() override {
        ShellSession::SetUp();
        owner = main;
    }
    // Whether the owner was asked to repaint, and never with erase.
    bool repainted() {
        for (const auto& r : hl::invalidations())
            if (r.hwnd == owner && !r.erase) return true;
        return false;
    }
    plat::Hwnd owner;
};

}  // namespace

TEST_F(TrajColorDialog, OkWithTheBoxTickedAppliesTheFields) {
    hl::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRONT_COL), "255,0,0");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_SPEED_MIN), "5.00");
        plat::set_dlg_item_text(dlg, ids::IDC_FRONT_ID, "7");
        plat::set_dlg_item_text(dlg, ids::IDC_FRONT_COL, "10, 20,\t300");
        plat::set_dlg_item_text(dlg, ids::IDC_LEAD_COL, "1,2");  // short: kept
        plat::set_dlg_item_text(dlg, ids::IDC_SPEED_MAX, "12.5");
        hl::press_button(dlg, plat::IDOK);
    });
    const plat::Pen old_front = viewer->view.roles.pens.front;
    EXPECT_EQ(shell::run_traj_color_dialog(*viewer), 1);
    EXPECT_EQ(nonzero(viewer->view.roles.colours),
              "frontid=7 frontcol=10,20,44 leadid=-1 leadcol=0,255,0 lagid=-1 lagcol=0,0,255 "
              "rearid=-1 rearcol=255,0,255 egocol=255,255,0 speedmin=5 speedmax=12.5 "
              "trajcolseton=1 ");
    EXPECT_NE(viewer->view.roles.pens.front, old_front);
    EXPECT_FALSE(plat::delete_object(old_front));  // already deleted
    EXPECT_TRUE(repainted());
}

// Unticked OK switches role colours off and discards the fields; Cancel and the
// close box change nothing and repaint nothing.
TEST_F(TrajColorDialog, OtherEndsDiscardTheFields) {
    enum How { Untick, Cancel, CloseBox };
    for (How how : {Cancel, CloseBox, Untick}) {
        const plat::Pen old_front = viewer->view.roles.pens.front;
        hl::set_dialog_script([how](plat::Hwnd dlg, int) {
            EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRONT_ID), "-1");
            plat::set_dlg_item_text(dlg, ids::IDC_FRONT_ID, "7");
            if (how == Untick) hl::press_button(dlg, ids::IDC_TRAJ_COL_ON);
            if (how == CloseBox) hl::click_close_box(dlg);
            hl::press_button(dlg, how == Untick ? plat::IDOK : plat::IDCANCEL);
        });
        EXPECT_EQ(shell::run_traj_color_dialog(*viewer), how == Untick ? 1 : 2);
        std::string expected = test_support::kDefaultRoleColours;
        if (how == Untick) expected.erase(expected.find("trajcolseton"));
        EXPECT_EQ(nonzero(viewer->view.roles.colours), expected);
        EXPECT_EQ(viewer->view.roles.pens.front, old_front);
        EXPECT_EQ(repainted(), how == Untick);
    }
    hl::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_FALSE(plat::is_dlg_button_checked(dlg, ids::IDC_TRAJ_COL_ON));
        hl::press_button(dlg, plat::IDCANCEL);
    });
    EXPECT_EQ(shell::run_traj_color_dialog(*viewer), 2);
}

// Under a comma-decimal locale the speeds still show and read with a decimal
// point: "17,50" would be cut at the comma, a field separator, and store 17.
TEST_F(TrajColorDialog, SpeedsKeepTheirFractionUnderACommaDecimalLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, test_support::kCommaDecimalLocale), nullptr)
        << "tools/bootstrap makes it";
    std::string shown;
    hl::set_dialog_script([&shown](plat::Hwnd dlg, int) {
        shown = plat::get_dlg_item_text(dlg, ids::IDC_SPEED_MIN);
        plat::set_dlg_item_text(dlg, ids::IDC_SPEED_MAX, "17.50");
        hl::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(shell::run_traj_color_dialog(*viewer), 1);
    EXPECT_EQ(viewer->view.roles.colours.speedmax, 17.5);
    hl::set_dialog_script([&shown](plat::Hwnd dlg, int) {
        shown += " " + plat::get_dlg_item_text(dlg, ids::IDC_SPEED_MAX);
        hl::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(shell::run_traj_color_dialog(*viewer), 1);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(shown, "5.00 17.50");
    EXPECT_EQ(viewer->view.roles.colours.speedmax, 17.5);
}
