// Resource lookups and the decoding of text images.
#include "platform/resource.h"

#include <cstdlib>

namespace plat {

namespace {
const ResourceSet* g_resources = nullptr;

template <class T, class Key, class Get>
const T* find_in(const std::vector<T>& items, const Key& key, Get get) {
    for (const T& item : items)
        if (get(item) == key) return &item;
    return nullptr;
}

// "#rrggbb" -> 0xFFrrggbb; "None" or anything malformed -> transparent.
std::uint32_t parse_colour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str() + 1, &end, 16);
    if (end != text.c_str() + 7) return 0;
    return 0xFF000000u | static_cast<std::uint32_t>(v);
}
}  // namespace

int DialogTemplate::default_id() const {
    for (const ControlTemplate& c : controls)
        if (c.kind == ControlKind::DefaultButton) return c.id;
    return 1;
}

const MenuTemplate* ResourceSet::find_menu(int id) const {
    return find_in(menus, id, [](const MenuTemplate& m) { return m.id; });
}
const DialogTemplate* ResourceSet::find_dialog(int id) const {
    return find_in(dialogs, id, [](const DialogTemplate& d) { return d.id; });
}
const AccelTableTemplate* ResourceSet::find_accelerators(int id) const {
    return find_in(accelerators, id, [](const AccelTableTemplate& a) { return a.id; });
}
const ImageTemplate* ResourceSet::find_icon(int id) const {
    return find_in(icons, "#" + std::to_string(id), [](const ImageTemplate& i) { return i.name; });
}
const ImageTemplate* ResourceSet::find_cursor(const std::string& name) const {
    return find_in(cursors, name, [](const ImageTemplate& i) { return i.name; });
}
const ImageTemplate* ResourceSet::find_bitmap(const std::string& name) const {
    return find_in(bitmaps, name, [](const ImageTemplate& i) { return i.name; });
}

void use_resources(const ResourceSet* set) {
    g_resources = set;
}
const ResourceSet* current_resources() {
    return g_resources;
}

Pixels decode_image(const ImageTemplate& image) {
    Pixels out;
    if (image.width <= 0 || image.height <= 0) return out;
    out.width = image.width;
    out.height = image.height;
    out.argb.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    std::uint32_t lut[256] = {};
    for (const auto& [ch, colour] : image.palette)
        lut[static_cast<unsigned char>(ch)] = parse_colour(colour);
    for (int y = 0; y < image.height && y < static_cast<int>(image.rows.size()); ++y) {
        const std::string& row = image.rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < image.width && x < static_cast<int>(row.size()); ++x)
            out.argb[static_cast<std::size_t>(y) * image.width + x] =
                lut[static_cast<unsigned char>(row[static_cast<std::size_t>(x)])];
    }
    return out;
}

}  // namespace plat
