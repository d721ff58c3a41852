// Role colours of the viewer's scene: the settings from "trajcolset.ini"
// (data/trajcolset.h) and the pens and brush the painter makes from them, part of
// the view (render/view.h). Read once at start-up from the current directory;
// changed only by the "Traj Color Setting" dialog of the shell; never written back.
#pragma once

#include <cstdint>

#include "data/trajcolset.h"
#include "platform/platform.h"

namespace render {

// Pens and brush made from the settings.
struct RolePens {
    plat::Pen front;        // solid, 2 px, frontcol
    plat::Pen lead;         // solid, 2 px, leadcol
    plat::Pen lag;          // solid, 2 px, lagcol
    plat::Pen rear;         // solid, 2 px, rearcol
    plat::Pen ego;          // solid, 2 px, egocol
    plat::Brush ego_brush;  // solid, egocol
};
// The settings and the objects made from them.
struct RoleStyle {
    RoleColours colours;
    RolePens pens;
};

// Start-up: reads "trajcolset.ini" (or the given path) over the all-zero settings,
// or, when it cannot be opened, takes default_role_colours(); then creates the six
// role objects. Nothing is reported.
void load_role_colours(RoleStyle& roles, const char* path = "trajcolset.ini");
// Deletes the six role objects (safe when there are none).
void delete_role_colours(RoleStyle& roles);
// Deletes the role objects and makes them anew from the current colours.
void recreate_role_pens(RoleStyle& roles);

// The role pen of a trajectory id while role colours are on: the front pen when
// id equals frontid, else lead, lag, rear in that order; a null pen when the id
// has no role. A role id of -1 is an empty role and never matches.
plat::Pen role_pen_for_id(const RoleStyle& roles, int32_t id);

}  // namespace render
