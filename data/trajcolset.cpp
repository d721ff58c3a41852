#include "data/trajcolset.h"

#include "data/text_input.h"
#include "data/traj_format.h"

namespace {

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
void read_colour(TokenSplitter& values, RgbColour& colour) {
    std::string_view r, g, b;
    if (values.next(r) && values.next(g) && values.next(b))
        colour = RgbColour{low_byte(parse_int(r)), low_byte(parse_int(g)), low_byte(parse_int(b))};
}

void read_int(TokenSplitter& values, std::int32_t& member) {
    std::string_view token;
    if (values.next(token)) member = parse_int(token);
}

// A role's trajectory id. Trajectory ids are 32-bit, so an id beyond that range names
// no vehicle: the role is taken by none (-1) rather than by the id at the range's end.
void read_id(TokenSplitter& values, std::int32_t& member) {
    std::string_view token;
    if (values.next(token)) member = int_in_range(token) ? parse_int(token) : -1;
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
                read_id(values, c.frontid);
                break;
            case Key::FrontCol:
                read_colour(values, c.frontcol);
                break;
            case Key::LeadId:
                read_id(values, c.leadid);
                break;
            case Key::LeadCol:
                read_colour(values, c.leadcol);
                break;
            case Key::LagId:
                read_id(values, c.lagid);
                break;
            case Key::LagCol:
                read_colour(values, c.lagcol);
                break;
            case Key::RearId:
                read_id(values, c.rearid);
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

}  // namespace

RoleColours default_role_colours() {
    RoleColours c;
    c.frontid = c.leadid = c.lagid = c.rearid = -1;
    c.frontcol = RgbColour{255, 0, 0};
    c.leadcol = RgbColour{0, 255, 0};
    c.lagcol = RgbColour{0, 0, 255};
    c.rearcol = RgbColour{255, 0, 255};
    c.egocol = RgbColour{255, 255, 0};
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

RoleColours read_role_colours_file(const std::string& path) {
    TextBuffer text;
    if (read_text_file(path, text, nullptr) != ReadTextStatus::Ok) return default_role_colours();
    RoleColours colours;
    apply_role_colour_text(text.view(), colours);
    return colours;
}

void read_id_value(std::string_view text, std::string_view separators, int32_t& member) {
    TokenSplitter values(text, separators);
    read_id(values, member);
}

void read_real_value(std::string_view text, std::string_view separators, double& member) {
    TokenSplitter values(text, separators);
    read_real(values, member);
}

void read_colour_value(std::string_view text, std::string_view separators, RgbColour& member) {
    TokenSplitter values(text, separators);
    read_colour(values, member);
}
