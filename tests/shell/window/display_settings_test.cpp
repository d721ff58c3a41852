// The text of the "Display Setting" dialog's fields.
#include "shell/display_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

shell::ParsedDisplayFields parse(const Texts& texts) {
    return shell::parse_display_fields(texts, render::DisplaySettings{}, ClockSettings{});
}

TEST(DisplayFields, ReadNumbersAsTheCConversionsDoWithinThirtyOneCharacters) {
    const std::string tiny32 = "0." + std::string(29, '0') + "1";  // the 1 is character 32
    shell::ParsedDisplayFields r =
        parse({"  12345abc", "+500", " 2.5e1x", "1", "x", std::string(40, '9'), "-7"});
    EXPECT_EQ(r.settings.maxRangeX, 12345);
    EXPECT_EQ(r.settings.gridSizeX, 500);
    EXPECT_DOUBLE_EQ(r.settings.yxFactor, 25.0);
    EXPECT_EQ(r.clock.frameStep, 0);                       // no number reads 0
    EXPECT_EQ(r.clock.tooShortTraj, 2147483647);           // saturated
    EXPECT_EQ(r.settings.drawHistory, 1);                  // any nonzero number
    EXPECT_EQ(parse({"1", "1", tiny32}).refusedId, 2103);  // read as "0.000...0"
}

TEST(DisplayFields, RefuseFactorsAndGridSizeNotAboveZero) {
    const std::string grid = "Grid Size X [cm] must be a number greater than 0.";
    const std::string yx = "Y:X Factor must be a number greater than 0.";
    const std::string ms = "Millisec:Meter Factor must be a number greater than 0.";
    const std::string too_fine =
        "Grid Size X [cm] is too small for Max Range X [cm]: at most 10000 grid lines.";
    const struct {
        Texts texts;
        int refused;
        std::string message;
    } cases[] = {
        {{"30000", "0", "1.5", "5"}, 2102, grid},
        {{"30000", "-20", "1.5", "5"}, 2102, grid},
        {{"30000", "2000", "0", "5"}, 2103, yx},
        {{"30000", "2000", "nan", "5"}, 2103, yx},
        {{"30000", "2000", "1.5", "-1"}, 2104, ms},
        {{"30000", "2000", "1.5", "inf"}, 2104, ms},
        {{"30000", "x", "y", "z"}, 2102, grid},
        {{"-5", "10", "1", "1"}, 0, ""},
        {{"2000000000", "1", "1", "1"}, 2102, too_fine},
        {{"49995", "10", "1", "1"}, 0, ""},
        {{"50000", "10", "1", "1"}, 2102, too_fine},
    };
    for (const auto& c : cases) {
        const shell::ParsedDisplayFields r = parse(c.texts);
        EXPECT_EQ(r.refusedId, c.refused) << c.texts[1] << " " << c.texts[2] << " " << c.texts[3];
        EXPECT_EQ(r.refusal, c.message);
    }
}

}  // namespace
