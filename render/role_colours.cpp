#include "render/role_colours.h"

namespace render {
namespace {

constexpr int32_t kNoRole = -1;

plat::Color colour(RgbColour c) {
    return plat::rgb(c.r, c.g, c.b);
}

}  // namespace

void load_role_colours(RoleStyle& roles, const char* path) {
    roles.colours = read_role_colours_file(path);
    recreate_role_pens(roles);
}

void delete_role_colours(RoleStyle& roles) {
    RolePens& pens = roles.pens;
    plat::delete_object(pens.front);
    plat::delete_object(pens.rear);
    plat::delete_object(pens.lag);
    plat::delete_object(pens.lead);
    plat::delete_object(pens.ego);
    plat::delete_object(pens.ego_brush);
    pens = RolePens{};
}

void recreate_role_pens(RoleStyle& roles) {
    delete_role_colours(roles);
    RolePens& pens = roles.pens;
    const RoleColours& colours = roles.colours;
    pens.front = plat::create_pen(plat::PenStyle::Solid, 2, colour(colours.frontcol));
    pens.lead = plat::create_pen(plat::PenStyle::Solid, 2, colour(colours.leadcol));
    pens.rear = plat::create_pen(plat::PenStyle::Solid, 2, colour(colours.rearcol));
    pens.lag = plat::create_pen(plat::PenStyle::Solid, 2, colour(colours.lagcol));
    pens.ego = plat::create_pen(plat::PenStyle::Solid, 2, colour(colours.egocol));
    pens.ego_brush = plat::create_solid_brush(colour(colours.egocol));
}

plat::Pen role_pen_for_id(const RoleStyle& roles, int32_t id) {
    const RoleColours& colours = roles.colours;
    const RolePens& pens = roles.pens;
    // -1 marks an empty role, also against a trajectory whose header says -1.
    if (id == kNoRole) return {};
    if (id == colours.frontid) return pens.front;
    if (id == colours.leadid) return pens.lead;
    if (id == colours.lagid) return pens.lag;
    if (id == colours.rearid) return pens.rear;
    return {};
}

}  // namespace render
