#include "render/role_colours.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/headless.h"
#include "render/scene_painter.h"
#include "resources/resource_ids.h"
#include "tests/render/render_fixture.h"

namespace {

using render::RoleColours;
using render_test::RenderTest;

// Settings as compared in these tests: the members in key order.
std::string describe(const RoleColours& c) {
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  "ids %d %d %d %d front %d,%d,%d lead %d,%d,%d lag %d,%d,%d rear %d,%d,%d "
                  "ego %d,%d,%d speeds %g %g on %d",
                  c.frontid, c.leadid, c.lagid, c.rearid, c.frontcol.r, c.frontcol.g, c.frontcol.b,
                  c.leadcol.r, c.leadcol.g, c.leadcol.b, c.lagcol.r, c.lagcol.g, c.lagcol.b,
                  c.rearcol.r, c.rearcol.g, c.rearcol.b, c.egocol.r, c.egocol.g, c.egocol.b,
                  c.speedmin, c.speedmax, c.trajcolseton);
    return buf;
}

RoleColours read(const std::string& text) {
    RoleColours c;
    render::apply_role_colour_text(text, c);
    return c;
}

class LoadRoleColours : public RenderTest {};
class TrajColorSetting : public RenderTest {};

}  // namespace

TEST(ApplyRoleColourText, KeysValuesAndSeparators) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"frontid=12\n",
         "ids 12 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        {"frontcol=255,128,0\n",
         "ids 0 0 0 0 front 255,128,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        {"frontcol 255 128 0\n",
         "ids 0 0 0 0 front 255,128,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        {"frontcolour=1\t2\t3\nleadcx=9,9,9\nleadc 9 9 9\n",
         "ids 0 0 0 0 front 1,2,3 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        {"egocol=300,-1,256\n",
         "ids 0 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 44,255,0 speeds 0 0 on 0"},
        {"trajcolseton=5\n",
         "ids 0 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 1"},
        {"trajcolseton=5\ntrajcols=0\n",
         "ids 0 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        {"leadid=3\nlagid=-4\nrearid=x\nspeedmin=2.5\nspeedmax=1e1\n",
         "ids 0 3 -4 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 2.5 10 on 0"},
        // Case matters; the last value wins.
        {"FrontId=3\nfrontid=4\nfrontid=5\n",
         "ids 5 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        // A blank before "=" is read as key and value.
        {"frontid = 3\nleadid =4\nlagcol = 1, 2, 3\n",
         "ids 3 4 0 0 front 0,0,0 lead 0,0,0 lag 1,2,3 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0"},
        // Carriage returns belong to the line end.
        {"rearid=8\r\nrearcol=4,5,6\r\n",
         "ids 0 0 0 8 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 4,5,6 ego 0,0,0 speeds 0 0 on 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(describe(read(c.text)), c.expected) << c.text;
}

TEST(ApplyRoleColourText, MissingValuesLeaveTheMemberAlone) {
    RoleColours c = render::default_role_colours();
    const std::string before = describe(c);
    render::apply_role_colour_text(
        "frontid\nleadid=\nfrontcol=1,2\nlagcol 7\negocol=\nspeedmin=\ntrajcolseton\nrearco", c);
    EXPECT_EQ(describe(c), before);
}

TEST(ApplyRoleColourText, LongLinesAreReadIn199CharacterPieces) {
    // The second piece of a long line counts as a line of its own.
    const std::string padding(199, '#');
    EXPECT_EQ(read(padding + "frontid=9\n").frontid, 9);
    // A key line cut after 199 characters keeps the numbers of its first piece.
    const std::string key = "speedmin=1" + std::string(189, '0');  // 199 characters
    EXPECT_EQ(read(key + "5\n").speedmin, 1e189);
}

TEST_F(LoadRoleColours, DefaultsOnlyWhenTheFileIsMissing) {
    // No file (the fixture's start-up found none).
    EXPECT_EQ(describe(render::role_colours()), describe(render::default_role_colours()));
    EXPECT_EQ(describe(render::role_colours()),
              "ids -1 -1 -1 -1 front 255,0,0 lead 0,255,0 lag 0,0,255 rear 255,0,255 "
              "ego 255,255,0 speeds 5 30 on 1");
    // A file with one key: everything else stays at zero, role colours off.
    render_test::write_file("trajcolset.ini", "frontid=12\n");
    render::load_role_colours();  // over the defaults of the first load
    EXPECT_EQ(describe(render::role_colours()),
              "ids 12 0 0 0 front 0,0,0 lead 0,0,0 lag 0,0,0 rear 0,0,0 ego 0,0,0 speeds 0 0 on 0");
    EXPECT_TRUE(render::role_pens().front);
    EXPECT_TRUE(render::role_pens().ego_brush);
}

TEST_F(LoadRoleColours, RoleIdMinusOneNeverMatches) {
    render::RoleColours& c = render::role_colours();
    c.frontid = -1;
    c.leadid = 4;
    EXPECT_FALSE(render::role_pen_for_id(-1));
    EXPECT_EQ(render::role_pen_for_id(4), render::role_pens().lead);
}

// The dialog, driven as a user would: the script edits fields and presses a button.
TEST_F(TrajColorSetting, OkWithTheBoxTickedAppliesTheFields) {
    plat::headless::set_dialog_script([](plat::Hwnd dlg, int id) {
        ASSERT_EQ(id, resources::IDD_TRAJ_COLOR);
        EXPECT_EQ(plat::get_dlg_item_text(dlg, resources::IDC_FRONT_ID), "-1");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, resources::IDC_FRONT_COL), "255,0,0");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, resources::IDC_SPEED_MIN), "5.00");
        EXPECT_TRUE(plat::is_dlg_button_checked(dlg, resources::IDC_TRAJ_COL_ON));
        plat::set_dlg_item_text(dlg, resources::IDC_FRONT_ID, "7");
        plat::set_dlg_item_text(dlg, resources::IDC_FRONT_COL, "10, 20,\t300");
        plat::set_dlg_item_text(dlg, resources::IDC_LEAD_COL, "1,2");  // short: kept
        plat::set_dlg_item_text(dlg, resources::IDC_SPEED_MAX, "12.5");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    const plat::Pen old_front = render::role_pens().front;
    EXPECT_EQ(render::run_traj_color_dialog(plat::Hwnd{}), 1);
    const RoleColours& c = render::role_colours();
    EXPECT_EQ(c.frontid, 7);
    EXPECT_EQ(c.frontcol, plat::rgb(10, 20, 44));
    EXPECT_EQ(c.leadcol, plat::rgb(0, 255, 0));
    EXPECT_EQ(c.speedmax, 12.5);
    EXPECT_EQ(c.trajcolseton, 1);
    EXPECT_NE(render::role_pens().front, old_front);
    EXPECT_FALSE(plat::delete_object(old_front));  // the old pen is gone already
}

TEST_F(TrajColorSetting, UntickedOkOnlySwitchesRoleColoursOff) {
    const plat::Pen old_front = render::role_pens().front;
    plat::headless::set_dialog_script([](plat::Hwnd dlg, int) {
        plat::set_dlg_item_text(dlg, resources::IDC_FRONT_ID, "7");
        plat::headless::press_button(dlg, resources::IDC_TRAJ_COL_ON);  // untick
        plat::headless::press_button(dlg, plat::IDOK);
    });
    EXPECT_EQ(render::run_traj_color_dialog(plat::Hwnd{}), 1);
    RoleColours expected = render::default_role_colours();
    expected.trajcolseton = 0;
    EXPECT_EQ(describe(render::role_colours()), describe(expected));
    EXPECT_EQ(render::role_pens().front, old_front);

    // Reopened, the dialog shows the earlier values and an unticked box.
    plat::headless::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_EQ(plat::get_dlg_item_text(dlg, resources::IDC_FRONT_ID), "-1");
        EXPECT_FALSE(plat::is_dlg_button_checked(dlg, resources::IDC_TRAJ_COL_ON));
        plat::headless::press_button(dlg, plat::IDCANCEL);
    });
    EXPECT_EQ(render::run_traj_color_dialog(plat::Hwnd{}), 2);
}

TEST_F(TrajColorSetting, CancelAndCloseChangeNothingAndDoNotRepaint) {
    plat::WindowClass cls;
    cls.name = "RoleColourOwner";
    cls.proc = plat::def_window_proc;
    ASSERT_TRUE(plat::register_class(cls));
    const plat::Hwnd owner = plat::create_window(cls.name, "owner", 960, 640);
    const std::string before = describe(render::role_colours());
    for (bool close_box : {false, true}) {
        plat::headless::clear_logs();
        plat::headless::set_dialog_script([close_box](plat::Hwnd dlg, int) {
            plat::set_dlg_item_text(dlg, resources::IDC_FRONT_ID, "7");
            if (close_box)
                plat::headless::click_close_box(dlg);
            else
                plat::headless::press_button(dlg, plat::IDCANCEL);
        });
        EXPECT_EQ(render::run_traj_color_dialog(owner), 2);
        EXPECT_EQ(describe(render::role_colours()), before);
        EXPECT_TRUE(plat::headless::invalidations().empty());
    }
    // OK repaints the owner without erase.
    plat::headless::clear_logs();
    plat::headless::set_dialog_script(
        [](plat::Hwnd dlg, int) { plat::headless::press_button(dlg, plat::IDOK); });
    EXPECT_EQ(render::run_traj_color_dialog(owner), 1);
    ASSERT_EQ(plat::headless::invalidations().size(), 1u);
    EXPECT_EQ(plat::headless::invalidations()[0].hwnd, owner);
    EXPECT_FALSE(plat::headless::invalidations()[0].erase);
    plat::destroy_window(owner);
}
