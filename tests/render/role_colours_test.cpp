#include "render/role_colours.h"

#include <gtest/gtest.h>

#include "tests/render/render_fixture.h"
#include "tests/support/role_colours_text.h"

namespace {

using test_support::nonzero;

class RoleColourSetting : public render_test::RenderTest {};

}  // namespace

TEST_F(RoleColourSetting, DefaultsOnlyWhenTheFileIsMissing) {
    EXPECT_EQ(nonzero(view.roles.colours),
              test_support::kDefaultRoleColours);           // the fixture's start found no file
    EXPECT_FALSE(render::role_pen_for_id(view.roles, -1));  // -1: an empty role
    render_test::write_file("trajcolset.ini", "frontid=12\n");
    render::load_role_colours(view.roles);  // over the defaults of the first load
    EXPECT_EQ(nonzero(view.roles.colours), "frontid=12 ");
    EXPECT_EQ(render::role_pen_for_id(view.roles, 12), view.roles.pens.front);
    EXPECT_TRUE(view.roles.pens.ego_brush);
}
