// Role colours: which surrounding vehicles are drawn as front, lead, lag and rear,
// in which colours, the ego car's colour, and the speed range of the history
// shading. Read once at start-up from "trajcolset.ini" in the current directory,
// edited in the "Traj Color Setting" dialog (2300), never written back.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace render {

// The program-wide settings; member names are the keys of "trajcolset.ini".
// All zero before the first load.
struct RoleColours {
    int32_t frontid = 0;       // trajectory id drawn as the front vehicle; -1 or an unused id: none
    int32_t leadid = 0;        // trajectory id of the lead vehicle
    int32_t lagid = 0;         // trajectory id of the lag vehicle
    int32_t rearid = 0;        // trajectory id of the rear vehicle
    plat::Color frontcol;      // outline colour of the front vehicle
    plat::Color leadcol;       // outline colour of the lead vehicle
    plat::Color lagcol;        // outline colour of the lag vehicle
    plat::Color rearcol;       // outline colour of the rear vehicle
    plat::Color egocol;        // outline and fill of the ego car
    double speedmin = 0;       // m/s: history boxes at or below it are black
    double speedmax = 0;       // m/s: history boxes at or above it are white
    int32_t trajcolseton = 0;  // 1: colour by role, shade history by speed; 0: by index and frame
};

// The settings used when "trajcolset.ini" cannot be opened: no roles (ids -1),
// front red, lead green, lag blue, rear magenta, ego yellow, 5 to 30 m/s, on.
RoleColours default_role_colours();

// Applies the lines of "trajcolset.ini" text to `colours`. Each line (a line longer
// than 199 characters counts as several, cut every 199) is taken by the first key
// whose text begins it, letter case included, in the order frontid "frontid",
// frontcol "frontco", leadid "leadid", leadcol "leadco", lagid "lagid", lagcol
// "lagco", rearid "rearid", rearcol "rearco", egocol "egocol", speedmin "speedmin",
// speedmax "speedmax", trajcolseton "trajcols"; other lines are ignored. The key
// token ends at the first of "= ,\t\n"; a "=" standing apart after blanks
// ("frontid = 3") is skipped too; the values follow, split at " ,\t\n". Integers
// and reals read their leading number (0 when there is none); a colour component
// keeps the low 8 bits of its integer; trajcolseton stores 1 for any nonzero
// number. A key without a value, or a colour with fewer than three numbers,
// leaves its member unchanged. A key given twice takes its last value. Members
// whose key does not occur keep their value.
void apply_role_colour_text(std::string_view text, RoleColours& colours);

// The program's settings.
RoleColours& role_colours();

// Pens and brush made from the settings, owned by the renderer.
struct RolePens {
    plat::Pen front;        // solid, 2 px, frontcol
    plat::Pen lead;         // solid, 2 px, leadcol
    plat::Pen lag;          // solid, 2 px, lagcol
    plat::Pen rear;         // solid, 2 px, rearcol
    plat::Pen ego;          // solid, 2 px, egocol
    plat::Brush ego_brush;  // solid, egocol
};
const RolePens& role_pens();

// Start-up: reads "trajcolset.ini" from the current directory over the all-zero
// settings, or, when it cannot be opened, takes default_role_colours(); then
// creates the six role objects. Nothing is reported.
void load_role_colours();
// The same from a given path (tests and tools); "trajcolset.ini" for the program.
void load_role_colours_from(const char* path);
// Deletes the six role objects (safe when there are none).
void delete_role_colours();
// Deletes the role objects and makes them anew from the current colours.
void recreate_role_pens();

// The role pen of a trajectory id while role colours are on: the front pen when
// id equals frontid, else lead, lag, rear in that order; a null pen when the id
// has no role. A role id of -1 is an empty role and never matches.
plat::Pen role_pen_for_id(int32_t id);

// ---- "Traj Color Setting" ------------------------------------------------------------

// Characters of a field the dialog reads (an 80-byte buffer).
constexpr std::size_t kRoleFieldMaxChars = 79;

// Procedure of dialog 2300 with `owner` repainted after OK. On OK with "Traj Col
// Setting On" ticked the fields are read (ids and speeds as numbers, colours as
// three integers separated by ", \t"; an empty field or a colour with fewer than
// three numbers keeps its member), role colours go on and the role objects are
// made anew; unticked, only role colours go off and the fields are discarded.
// Both repaint the owner without erase and end the dialog with 1. Cancel and the
// close box end it with 2 and change nothing.
bool TrajColorSettingProc(plat::Hwnd owner, plat::Hwnd dlg, unsigned message, plat::WPARAM wparam,
                          plat::LPARAM lparam);

// Menu command 55 "Set TrajCol": runs dialog 2300 modally, owned by `owner`.
// Returns the dialog's result (1 OK, 2 Cancel).
plat::LRESULT run_traj_color_dialog(plat::Hwnd owner);

}  // namespace render
