#include "render/role_colours.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/headless.h"
#include "resources/resource_ids.h"
#include "tests/render/render_fixture.h"

namespace {

using render::RoleColours;
namespace ids = resources;

// The members that are not zero, in key order: "frontid=12 frontcol=255,128,0 ".
std::string nonzero(const RoleColours& c) {
    std::string out;
    char buf[64];
    auto add = [&](const char* key, double v) {
        std::snprintf(buf, sizeof buf, "%s=%g ", key, v);
        if (v != 0) out += buf;
    };
    auto col = [&](const char* key, plat::Color v) {
        std::snprintf(buf, sizeof buf, "%s=%d,%d,%d ", key, v.r, v.g, v.b);
        if (v != plat::Color{}) out += buf;
    };
    add("frontid", c.frontid);
    col("frontcol", c.frontcol);
    add("leadid", c.leadid);
    col("leadcol", c.leadcol);
    add("lagid", c.lagid);
    col("lagcol", c.lagcol);
    add("rearid", c.rearid);
    col("rearcol", c.rearcol);
    col("egocol", c.egocol);
    add("speedmin", c.speedmin);
    add("speedmax", c.speedmax);
    add("trajcolseton", c.trajcolseton);
    return out;
}

std::string read(const std::string& text) {
    RoleColours c;
    render::apply_role_colour_text(text, c);
    return nonzero(c);
}

const std::string kDefaults =
    "frontid=-1 frontcol=255,0,0 leadid=-1 leadcol=0,255,0 lagid=-1 lagcol=0,0,255 rearid=-1 "
    "rearcol=255,0,255 egocol=255,255,0 speedmin=5 speedmax=30 trajcolseton=1 ";

class RoleColourSetting : public render_test::RenderTest {};

}  // namespace

TEST(ApplyRoleColourText, KeysValuesAndSeparators) {
    struct Case {
        std::string text;
        const char* expected;
    };
    const Case cases[] = {
        {"frontid=12\n", "frontid=12 "},  // the switch stays off without its key
        {"frontcol=255,128,0\n", "frontcol=255,128,0 "},
        {"frontcol 255 128 0\n", "frontcol=255,128,0 "},
        {"frontcolour=1\t2\t3\nleadcx=9,9,9\nleadc 9 9 9\n", "frontcol=1,2,3 "},
        {"egocol=300,-1,256\n", "egocol=44,255,0 "},
        {"trajcolseton=5\n", "trajcolseton=1 "},
        {"trajcolseton=5\ntrajcols=0\n", ""},
        {"leadid=3\nlagid=-4\nrearid=x\nspeedmin=2.5\nspeedmax=1e1\n",
         "leadid=3 lagid=-4 speedmin=2.5 speedmax=10 "},
        {"FrontId=3\nfrontid=4\nfrontid=5\n", "frontid=5 "},  // case matters; the last wins
        {"frontid = 3\nleadid =4\nlagcol = 1, 2, 3\n", "frontid=3 leadid=4 lagcol=1,2,3 "},
        {"rearid=8\r\nrearcol=4,5,6\r\n", "rearid=8 rearcol=4,5,6 "},
        // A line is read in pieces of 199 characters, each taken as a line.
        {std::string(199, '#') + "frontid=9\n", "frontid=9 "},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.text), c.expected) << c.text;
}

TEST(ApplyRoleColourText, MissingValuesLeaveTheMemberAlone) {
    RoleColours c = render::default_role_colours();
    render::apply_role_colour_text(
        "frontid\nleadid=\nfrontcol=1,2\nlagcol 7\negocol=\nspeedmin=\ntrajcolseton\nrearco", c);
    EXPECT_EQ(nonzero(c), kDefaults);
}

TEST_F(RoleColourSetting, DefaultsOnlyWhenTheFileIsMissing) {
    EXPECT_EQ(nonzero(render::role_colours()), kDefaults);  // the fixture's start found no file
    EXPECT_FALSE(render::role_pen_for_id(-1));              // -1: an empty role
    render_test::write_file("trajcolset.ini", "frontid=12\n");
    render::load_role_colours();  // over the defaults of the first load
    EXPECT_EQ(nonzero(render::role_colours()), "frontid=12 ");
    EXPECT_EQ(render::role_pen_for_id(12), render::role_pens().front);
    EXPECT_TRUE(render::role_pens().ego_brush);
}

// The dialog driven as a user would: a script edits fields and presses buttons.
class TrajColorDialog : public render_test::RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        plat::WindowClass cls;
        cls.name = "RoleColourOwner";
        cls.proc = plat::def_window_proc;
        ASSERT_TRUE(plat::register_class(cls));
        owner = plat::create_window(cls.name, "owner", 960, 640);
        plat::headless::clear_logs();
    }
    // Whether the owner was asked to repaint, and never with erase.
    bool repainted() {
        for (const auto& r : plat::headless::invalidations())
            if (r.hwnd == owner && !r.erase) return true;
        return false;
    }
    plat::Hwnd owner;
};

TEST_F(TrajColorDialog, OkWithTheBoxTickedAppliesTheFields) {
    plat::headless::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRONT_COL), "255,0,0");
        EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_SPEED_MIN), "5.00");
        plat::set_dlg_item_text(dlg, ids::IDC_FRONT_ID, "7");
        plat::set_dlg_item_text(dlg, ids::IDC_FRONT_COL, "10, 20,\t300");
        plat::set_dlg_item_text(dlg, ids::IDC_LEAD_COL, "1,2");  // short: kept
        plat::set_dlg_item_text(dlg, ids::IDC_SPEED_MAX, "12.5");
        plat::headless::press_button(dlg, plat::IDOK);
    });
    const plat::Pen old_front = render::role_pens().front;
    EXPECT_EQ(render::run_traj_color_dialog(owner), 1);
    EXPECT_EQ(nonzero(render::role_colours()),
              "frontid=7 frontcol=10,20,44 leadid=-1 leadcol=0,255,0 lagid=-1 lagcol=0,0,255 "
              "rearid=-1 rearcol=255,0,255 egocol=255,255,0 speedmin=5 speedmax=12.5 "
              "trajcolseton=1 ");
    EXPECT_NE(render::role_pens().front, old_front);
    EXPECT_FALSE(plat::delete_object(old_front));  // already deleted
    EXPECT_TRUE(repainted());
}

// Unticked OK switches role colours off and discards the fields; Cancel and the
// close box change nothing and repaint nothing.
TEST_F(TrajColorDialog, OtherEndsDiscardTheFields) {
    enum How { Untick, Cancel, CloseBox };
    for (How how : {Cancel, CloseBox, Untick}) {
        const plat::Pen old_front = render::role_pens().front;
        plat::headless::set_dialog_script([how](plat::Hwnd dlg, int) {
            EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRONT_ID), "-1");
            plat::set_dlg_item_text(dlg, ids::IDC_FRONT_ID, "7");
            if (how == Untick) plat::headless::press_button(dlg, ids::IDC_TRAJ_COL_ON);
            if (how == CloseBox) plat::headless::click_close_box(dlg);
            plat::headless::press_button(dlg, how == Untick ? plat::IDOK : plat::IDCANCEL);
        });
        EXPECT_EQ(render::run_traj_color_dialog(owner), how == Untick ? 1 : 2);
        std::string expected = kDefaults;
        if (how == Untick) expected.erase(expected.find("trajcolseton"));
        EXPECT_EQ(nonzero(render::role_colours()), expected);
        EXPECT_EQ(render::role_pens().front, old_front);
        EXPECT_EQ(repainted(), how == Untick);
    }
    plat::headless::set_dialog_script([](plat::Hwnd dlg, int) {
        EXPECT_FALSE(plat::is_dlg_button_checked(dlg, ids::IDC_TRAJ_COL_ON));
        plat::headless::press_button(dlg, plat::IDCANCEL);
    });
    EXPECT_EQ(render::run_traj_color_dialog(owner), 2);
}
