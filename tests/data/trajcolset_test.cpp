#include "data/trajcolset.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/role_colours_text.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::kDefaultRoleColours;
using test_support::nonzero;

std::string read(const std::string& text) {
    RoleColours c;
    apply_role_colour_text(text, c);
    return nonzero(c);
}

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

// The file is read silently, so an id no trajectory can have (beyond the 32-bit
// range) is taken as no role, not pinned to the id at the range's end.
TEST(ApplyRoleColourText, IdsBeyondThe32BitRangeTakeNoRole) {
    struct Case {
        const char* value;
        int32_t id;
    };
    const Case cases[] = {{"2147483648", -1},
                          {"-2147483649", -1},
                          {"99999999999999999999", -1},
                          {"2147483647", 2147483647},
                          {"-2147483648", -2147483648}};
    for (const Case& c : cases) {
        RoleColours roles;
        const std::string v = c.value;
        apply_role_colour_text(
            "frontid=" + v + "\nleadid " + v + "\nlagid=" + v + "\nrearid = " + v + "\n", roles);
        EXPECT_EQ(roles.frontid, c.id) << c.value;
        EXPECT_EQ(roles.leadid, c.id) << c.value;
        EXPECT_EQ(roles.lagid, c.id) << c.value;
        EXPECT_EQ(roles.rearid, c.id) << c.value;
        int32_t dialog_id = 5;  // the colour dialog reads its id fields the same way
        read_id_value(v, " ,\t", dialog_id);
        EXPECT_EQ(dialog_id, c.id) << c.value;
    }
}

TEST(ApplyRoleColourText, MissingValuesLeaveTheMemberAlone) {
    RoleColours c = default_role_colours();
    apply_role_colour_text(
        "frontid\nleadid=\nfrontcol=1,2\nlagcol 7\negocol=\nspeedmin=\ntrajcolseton\nrearco", c);
    EXPECT_EQ(nonzero(c), kDefaultRoleColours);
}

TEST(ReadRoleColoursFile, DefaultsOnlyWhenTheFileCannotBeRead) {
    test_support::TempFolder dir;
    EXPECT_EQ(nonzero(read_role_colours_file(dir.file("trajcolset.ini"))), kDefaultRoleColours);
    EXPECT_EQ(nonzero(read_role_colours_file(dir.path())), kDefaultRoleColours);  // a folder
    EXPECT_EQ(nonzero(read_role_colours_file(dir.write("trajcolset.ini", "leadid=4\n"))),
              "leadid=4 ");
}
