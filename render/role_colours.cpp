#include "render/role_colours.h"

#include <cstdio>
#include <string>

#include "data/text_input.h"
#include "data/traj_format.h"
#include "resources/resource_ids.h"

namespace render {
namespace {

RoleColours g_colours;
RolePens g_pens;

constexpr int32_t kNoRole = -1;
constexpr std::size_t kPieceChars = 199;  // a line is read in pieces of at most this
constexpr std::string_view kKeyEnd = "= ,\t\n";
constexpr std::string_view kValueSeparators = " ,\t\n";

enum class Key {
    FrontId,
    FrontCol,
    LeadId,
    LeadCol,
    LagId,
    LagCol,
    RearId,
    RearCol,
    EgoCol,
    SpeedMin,
    SpeedMax,
    TrajColSetOn
};

struct KeyPrefix {
    std::string_view prefix;
    Key key;
};

// Tested in this order; the first prefix that begins the line takes it.
constexpr KeyPrefix kKeys[] = {
    {"frontid", Key::FrontId},   {"frontco", Key::FrontCol},  {"leadid", Key::LeadId},
    {"leadco", Key::LeadCol},    {"lagid", Key::LagId},       {"lagco", Key::LagCol},
    {"rearid", Key::RearId},     {"rearco", Key::RearCol},    {"egocol", Key::EgoCol},
    {"speedmin", Key::SpeedMin}, {"speedmax", Key::SpeedMax}, {"trajcols", Key::TrajColSetOn},
};

std::uint8_t low_byte(std::int32_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// Three integers from the splitter into colour; fewer than three leave it as it was.
void read_colour(TokenSplitter& values, plat::Color& colour) {
    std::string_view r, g, b;
    if (values.next(r) && values.next(g) && values.next(b))
        colour =
            plat::Color{low_byte(parse_int(r)), low_byte(parse_int(g)), low_byte(parse_int(b))};
}

void read_int(TokenSplitter& values, std::int32_t& member) {
    std::string_view token;
    if (values.next(token)) member = parse_int(token);
}

void read_real(TokenSplitter& values, double& member) {
    std::string_view token;
    if (values.next(token)) member = parse_real(token);
}

// The values of a key line: what follows the key token and its terminating
// character, with a "=" that stands after blanks ("frontid = 3") skipped as well.
std::string_view values_of(std::string_view line) {
    std::size_t end = line.find_first_of(kKeyEnd);
    if (end == std::string_view::npos) return {};
    std::size_t pos = end + 1;
    if (line[end] != '=') {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == ',' || line[pos] == '\t'))
            ++pos;
        if (pos < line.size() && line[pos] == '=') ++pos;
    }
    return line.substr(pos);
}

void apply_line(std::string_view line, RoleColours& c) {
    for (const KeyPrefix& k : kKeys) {
        if (line.substr(0, k.prefix.size()) != k.prefix) continue;
        TokenSplitter values(values_of(line), kValueSeparators);
        switch (k.key) {
            case Key::FrontId:
                read_int(values, c.frontid);
                break;
            case Key::FrontCol:
                read_colour(values, c.frontcol);
                break;
            case Key::LeadId:
                read_int(values, c.leadid);
                break;
            case Key::LeadCol:
                read_colour(values, c.leadcol);
                break;
            case Key::LagId:
                read_int(values, c.lagid);
                break;
            case Key::LagCol:
                read_colour(values, c.lagcol);
                break;
            case Key::RearId:
                read_int(values, c.rearid);
                break;
            case Key::RearCol:
                read_colour(values, c.rearcol);
                break;
            case Key::EgoCol:
                read_colour(values, c.egocol);
                break;
            case Key::SpeedMin:
                read_real(values, c.speedmin);
                break;
            case Key::SpeedMax:
                read_real(values, c.speedmax);
                break;
            case Key::TrajColSetOn: {
                std::int32_t on = c.trajcolseton;
                read_int(values, on);
                c.trajcolseton = on != 0 ? 1 : 0;
                break;
            }
        }
        return;
    }
}

std::string format_colour(plat::Color c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d,%d,%d", c.r, c.g, c.b);
    return buf;
}

std::string format_int(std::int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(v));
    return buf;
}

std::string format_speed(double v) {
    // "%.2f" of a large speed needs more than a fixed buffer holds; measure first.
    int n = std::snprintf(nullptr, 0, "%.2f", v);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.2f", v);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

void fill_fields(plat::Hwnd dlg, const RoleColours& c) {
    using namespace resources;
    plat::set_dlg_item_text(dlg, IDC_FRONT_ID, format_int(c.frontid));
    plat::set_dlg_item_text(dlg, IDC_FRONT_COL, format_colour(c.frontcol));
    plat::set_dlg_item_text(dlg, IDC_LEAD_ID, format_int(c.leadid));
    plat::set_dlg_item_text(dlg, IDC_LEAD_COL, format_colour(c.leadcol));
    plat::set_dlg_item_text(dlg, IDC_LAG_ID, format_int(c.lagid));
    plat::set_dlg_item_text(dlg, IDC_LAG_COL, format_colour(c.lagcol));
    plat::set_dlg_item_text(dlg, IDC_REAR_ID, format_int(c.rearid));
    plat::set_dlg_item_text(dlg, IDC_REAR_COL, format_colour(c.rearcol));
    plat::set_dlg_item_text(dlg, IDC_SPEED_MIN, format_speed(c.speedmin));
    plat::set_dlg_item_text(dlg, IDC_SPEED_MAX, format_speed(c.speedmax));
    plat::set_dlg_item_text(dlg, IDC_EGO_COL, format_colour(c.egocol));
    plat::check_dlg_button(dlg, IDC_TRAJ_COL_ON, c.trajcolseton != 0);
}

// Fields are read like the values of a key line, so an empty field or a short
// colour keeps the member as it was.
void read_fields(plat::Hwnd dlg, RoleColours& c) {
    using namespace resources;
    constexpr std::string_view kFieldSeparators = ", \t";
    auto field = [dlg](int id) { return plat::get_dlg_item_text(dlg, id, kRoleFieldMaxChars); };
    auto read_id = [&](int id, std::int32_t& member) {
        std::string text = field(id);
        TokenSplitter values(text, kFieldSeparators);
        read_int(values, member);
    };
    auto read_col = [&](int id, plat::Color& member) {
        std::string text = field(id);
        TokenSplitter values(text, kFieldSeparators);
        read_colour(values, member);
    };
    auto read_speed = [&](int id, double& member) {
        std::string text = field(id);
        TokenSplitter values(text, kFieldSeparators);
        read_real(values, member);
    };
    read_id(IDC_FRONT_ID, c.frontid);
    read_col(IDC_FRONT_COL, c.frontcol);
    read_id(IDC_LEAD_ID, c.leadid);
    read_col(IDC_LEAD_COL, c.leadcol);
    read_id(IDC_LAG_ID, c.lagid);
    read_col(IDC_LAG_COL, c.lagcol);
    read_id(IDC_REAR_ID, c.rearid);
    read_col(IDC_REAR_COL, c.rearcol);
    read_speed(IDC_SPEED_MIN, c.speedmin);
    read_speed(IDC_SPEED_MAX, c.speedmax);
    read_col(IDC_EGO_COL, c.egocol);
}

}  // namespace

RoleColours default_role_colours() {
    RoleColours c;
    c.frontid = c.leadid = c.lagid = c.rearid = -1;
    c.frontcol = plat::rgb(255, 0, 0);
    c.leadcol = plat::rgb(0, 255, 0);
    c.lagcol = plat::rgb(0, 0, 255);
    c.rearcol = plat::rgb(255, 0, 255);
    c.egocol = plat::rgb(255, 255, 0);
    c.speedmin = 5.0;
    c.speedmax = 30.0;
    c.trajcolseton = 1;
    return c;
}

void apply_role_colour_text(std::string_view text, RoleColours& colours) {
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::size_t line_end = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t piece = line_end < kPieceChars ? line_end : kPieceChars;
        std::string_view line = text.substr(0, piece);
        text.remove_prefix(piece);
        // The file is read as text: a carriage return before the line feed is part
        // of the line end.
        if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r')
            line = line.substr(0, line.size() - 2);
        apply_line(line, colours);
    }
}

RoleColours& role_colours() {
    return g_colours;
}
const RolePens& role_pens() {
    return g_pens;
}

void load_role_colours_from(const char* path) {
    TextBuffer text;
    // Keys the file leaves out stay at zero, as before any load, also when the
    // renderer is started a second time in one process.
    g_colours = RoleColours{};
    if (read_text_file(path, text, nullptr) == ReadTextStatus::Ok)
        apply_role_colour_text(text.view(), g_colours);
    else
        g_colours = default_role_colours();
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
    g_pens.front = plat::create_pen(plat::PenStyle::Solid, 2, g_colours.frontcol);
    g_pens.lead = plat::create_pen(plat::PenStyle::Solid, 2, g_colours.leadcol);
    g_pens.rear = plat::create_pen(plat::PenStyle::Solid, 2, g_colours.rearcol);
    g_pens.lag = plat::create_pen(plat::PenStyle::Solid, 2, g_colours.lagcol);
    g_pens.ego = plat::create_pen(plat::PenStyle::Solid, 2, g_colours.egocol);
    g_pens.ego_brush = plat::create_solid_brush(g_colours.egocol);
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

bool TrajColorSettingProc(plat::Hwnd owner, plat::Hwnd dlg, unsigned message, plat::WPARAM wparam,
                          plat::LPARAM) {
    switch (message) {
        case plat::WM_INITDIALOG:
            fill_fields(dlg, g_colours);
            return true;
        case plat::WM_COMMAND:
            switch (plat::loword(wparam)) {
                case plat::IDOK:
                    if (plat::is_dlg_button_checked(dlg, resources::IDC_TRAJ_COL_ON)) {
                        g_colours.trajcolseton = 1;
                        read_fields(dlg, g_colours);
                        recreate_role_pens();
                    } else {
                        g_colours.trajcolseton = 0;
                    }
                    plat::invalidate(owner, false);
                    plat::end_dialog(dlg, 1);
                    return true;
                case plat::IDCANCEL:
                    plat::end_dialog(dlg, 2);
                    return true;
                default:
                    return false;
            }
        case plat::WM_CLOSE:
            plat::end_dialog(dlg, 2);
            return true;
        default:
            return false;
    }
}

plat::LRESULT run_traj_color_dialog(plat::Hwnd owner) {
    return plat::dialog_box(
        resources::IDD_TRAJ_COLOR, owner,
        [owner](plat::Hwnd dlg, unsigned message, plat::WPARAM wparam, plat::LPARAM lparam) {
            return TrajColorSettingProc(owner, dlg, message, wparam, lparam);
        });
}

}  // namespace render
