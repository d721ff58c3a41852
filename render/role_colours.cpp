#include "render/role_colours.h"

namespace render {
namespace {

RoleColours g_colours;
RolePens g_pens;

constexpr int32_t kNoRole = -1;

plat::Color colour(RgbColour c) {
    return plat::rgb(c.r, c.g, c.b);
}

}  // namespace

RoleColours& role_colours() {
    return g_colours;
}
const RolePens& role_pens() {
    return g_pens;
}

void load_role_colours_from(const char* path) {
    g_colours = read_role_colours_file(path);
    recreate_role_pens();
}

void load_role_colours() {
    load_role_colours_from("trajcolset.ini");
}

void delete_role_colours() {
    plat::delete_object(g_pens.front);
    plat::delete_object(g_pens.rear);
    plat::delete_object(g_pens.lag);
    plat::delete_object(g_pens.lead);
    plat::delete_object(g_pens.ego);
    plat::delete_object(g_pens.ego_brush);
    g_pens = RolePens{};
}

void recreate_role_pens() {
    delete_role_colours();
    g_pens.front = plat::create_pen(plat::PenStyle::Solid, 2, colour(g_colours.frontcol));
    g_pens.lead = plat::create_pen(plat::PenStyle::Solid, 2, colour(g_colours.leadcol));
    g_pens.rear = plat::create_pen(plat::PenStyle::Solid, 2, colour(g_colours.rearcol));
    g_pens.lag = plat::create_pen(plat::PenStyle::Solid, 2, colour(g_colours.lagcol));
    g_pens.ego = plat::create_pen(plat::PenStyle::Solid, 2, colour(g_colours.egocol));
    g_pens.ego_brush = plat::create_solid_brush(colour(g_colours.egocol));
}

plat::Pen role_pen_for_id(int32_t id) {
    // -1 marks an empty role, also against a trajectory whose header says -1.
    if (id == kNoRole) return {};
    if (id == g_colours.frontid) return g_pens.front;
    if (id == g_colours.leadid) return g_pens.lead;
    if (id == g_colours.lagid) return g_pens.lag;
    if (id == g_colours.rearid) return g_pens.rear;
    return {};
}

}  // namespace render
