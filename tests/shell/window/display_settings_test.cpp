// The display settings' defaults and the text of the dialog's fields.
#include "render/display_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

TEST(DisplayFields, ShowTheDefaultsOfEachProgram) {
    const render::DisplayProfile& p = render::plovane_display_profile();
    EXPECT_EQ(render::format_display_fields(p.defaults, ClockSettings{}, p.fieldCount),
              (Texts{"30000", "2000", "1.50", "5.00", "1", "20", "0"}));
    const render::DisplayProfile& v = render::vantrel_display_profile();
    EXPECT_EQ(render::format_display_fields(v.defaults, ClockSettings{}, v.fieldCount),
              (Texts{"30000", "2000", "10.00", "5.00"}));
    EXPECT_EQ(v.defaults.flags, render::SHOW_GRID | render::SHOW_AXIS);
    EXPECT_EQ(v.trajIdBit, render::SHOW_TRAJ_ID_VANTREL);
}

TEST(DisplayFields, ReadNumbersAsTheCConversionsDo) {
    const render::DisplaySettings current;
    const ClockSettings clock;
    const render::ParsedDisplayFields r = render::parse_display_fields(
        {"  12345abc", "+500", "1.234", " 2.5e1x", "5", "-3", "7"}, current, clock);
    EXPECT_EQ(r.refusedId, 0);
    EXPECT_EQ(r.settings.maxRangeX, 12345);
    EXPECT_EQ(r.settings.gridSizeX, 500);
    EXPECT_DOUBLE_EQ(r.settings.yxFactor, 1.234);
    EXPECT_DOUBLE_EQ(r.settings.msPerMeter, 25.0);
    EXPECT_EQ(r.clock.frameStep, 5);
    EXPECT_EQ(r.clock.tooShortTraj, -3);
    EXPECT_EQ(r.settings.drawHistory, 1);  // any nonzero number turns history on
    EXPECT_EQ(r.settings.flags, current.flags);

    // Stored as typed, shown with two decimals next time.
    EXPECT_EQ(render::format_display_fields(r.settings, r.clock, 7)[2], "1.23");
}

TEST(DisplayFields, TextThatIsNoNumberReadsZero) {
    const render::ParsedDisplayFields r = render::parse_display_fields(
        {"abc", "100", "1", "1", "x", "", "no"}, render::DisplaySettings{}, ClockSettings{});
    EXPECT_EQ(r.refusedId, 0);
    EXPECT_EQ(r.settings.maxRangeX, 0);
    EXPECT_EQ(r.clock.frameStep, 0);
    EXPECT_EQ(r.clock.tooShortTraj, 0);
    EXPECT_EQ(r.settings.drawHistory, 0);
}

TEST(DisplayFields, ReadAtMostThirtyOneCharactersAndSaturateIntegers) {
    const std::string digits31 = "1" + std::string(30, '0');       // beyond any 32-bit int
    const std::string tiny32 = "0." + std::string(29, '0') + "1";  // the 1 is character 32
    const render::ParsedDisplayFields r = render::parse_display_fields(
        {digits31 + "999", "2000", tiny32}, render::DisplaySettings{}, ClockSettings{});
    EXPECT_EQ(r.settings.maxRangeX, 2147483647);
    // The 32nd character and after are not read: the factor reads as 0 and is refused.
    EXPECT_EQ(r.refusedId, 2103);
}

TEST(DisplayFields, RefuseFactorsAndGridSizeNotAboveZero) {
    struct Case {
        Texts texts;
        int refused;
        const char* message;
    };
    const Case cases[] = {
        {{"30000", "0", "1.5", "5"}, 2102, "Grid Size X [cm] must be a number greater than 0."},
        {{"30000", "-20", "1.5", "5"}, 2102, "Grid Size X [cm] must be a number greater than 0."},
        {{"30000", "2000", "0", "5"}, 2103, "Y:X Factor must be a number greater than 0."},
        {{"30000", "2000", "nan", "5"}, 2103, "Y:X Factor must be a number greater than 0."},
        {{"30000", "2000", "1.5", "-1"},
         2104,
         "Millisec:Meter Factor must be a number greater than 0."},
        {{"30000", "2000", "1.5", "inf"},
         2104,
         "Millisec:Meter Factor must be a number greater than 0."},
        {{"30000", "x", "y", "z"}, 2102, "Grid Size X [cm] must be a number greater than 0."},
    };
    for (const Case& c : cases) {
        const render::ParsedDisplayFields r =
            render::parse_display_fields(c.texts, render::DisplaySettings{}, ClockSettings{});
        EXPECT_EQ(r.refusedId, c.refused) << c.texts[1] << " " << c.texts[2] << " " << c.texts[3];
        EXPECT_EQ(r.refusal, c.message);
    }
    // A negative range is no division and no endless loop: accepted.
    EXPECT_EQ(render::parse_display_fields({"-5", "10", "1", "1"}, render::DisplaySettings{},
                                           ClockSettings{})
                  .refusedId,
              0);
}

TEST(DisplayFields, FieldsBeyondTheProgramsCountKeepTheirValues) {
    render::DisplaySettings current;
    current.drawHistory = 1;
    ClockSettings clock;
    clock.frameStep = 4;
    const render::ParsedDisplayFields r =
        render::parse_display_fields({"100", "10", "2", "3"}, current, clock);
    EXPECT_EQ(r.settings.drawHistory, 1);
    EXPECT_EQ(r.clock.frameStep, 4);
}

}  // namespace
