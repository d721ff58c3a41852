// The text of "trajcolset.ini": which surrounding vehicles take the roles front,
// lead, lag and rear, in which colours, the ego car's colour, and the speed range
// of the history shading. A pure reader: text in, record out. The viewer reads
// the file once at start-up (render/role_colours.h) and never writes it.
//
// Each line (a line longer than 199 characters counts as several, cut every 199)
// is taken by the first key whose text begins it, letter case included, in the
// order frontid "frontid", frontcol "frontco", leadid "leadid", leadcol "leadco",
// lagid "lagid", lagcol "lagco", rearid "rearid", rearcol "rearco", egocol
// "egocol", speedmin "speedmin", speedmax "speedmax", trajcolseton "trajcols";
// other lines are ignored. The key token ends at the first of "= ,\t\n"; a "="
// standing apart after blanks ("frontid = 3") is skipped too; the values follow,
// split at " ,\t\n".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A colour as the file gives it: red, green, blue.
struct RgbColour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(RgbColour a, RgbColour b) {
        return a.r == b.r && a.g == b.g && a.b == b.b;
    }
    friend bool operator!=(RgbColour a, RgbColour b) { return !(a == b); }
};

// The settings; member names are the file's keys. All zero before a load.
struct RoleColours {
    int32_t frontid = 0;       // trajectory id drawn as the front vehicle; -1 or an unused id: none
    int32_t leadid = 0;        // trajectory id of the lead vehicle
    int32_t lagid = 0;         // trajectory id of the lag vehicle
    int32_t rearid = 0;        // trajectory id of the rear vehicle
    RgbColour frontcol;        // outline colour of the front vehicle
    RgbColour leadcol;         // outline colour of the lead vehicle
    RgbColour lagcol;          // outline colour of the lag vehicle
    RgbColour rearcol;         // outline colour of the rear vehicle
    RgbColour egocol;          // outline and fill of the ego car
    double speedmin = 0;       // m/s: history boxes at or below it are black
    double speedmax = 0;       // m/s: history boxes at or above it are white
    int32_t trajcolseton = 0;  // 1: colour by role, shade history by speed; 0: by index and frame
};

// The settings used when "trajcolset.ini" cannot be opened: no roles (ids -1),
// front red, lead green, lag blue, rear magenta, ego yellow, 5 to 30 m/s, on.
RoleColours default_role_colours();

// Applies the lines of the text to colours. Integers and reals read their
// leading number (0 when there is none); a role id beyond the 32-bit range, which no
// trajectory has, reads as -1 (no role); a colour component keeps the low 8 bits
// of its integer; trajcolseton stores 1 for any nonzero number. A key without a
// value, or a colour with fewer than three numbers, leaves its member unchanged.
// A key given twice takes its last value. Members whose key does not occur keep
// their value.
void apply_role_colour_text(std::string_view text, RoleColours& colours);

// The settings of the file at path read over all-zero settings, or the defaults
// when it cannot be opened or read. Nothing is reported.
RoleColours read_role_colours_file(const std::string& path);

// One value of a field, split at separators, as a key's value is read: the first
// token as a role id, an integer or a real, or the first three as a colour. When the
// text has too few tokens the member keeps its value.
void read_id_value(std::string_view text, std::string_view separators, int32_t& member);
void read_real_value(std::string_view text, std::string_view separators, double& member);
void read_colour_value(std::string_view text, std::string_view separators, RgbColour& member);
