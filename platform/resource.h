// Resource templates: menus, dialogs, accelerator tables and images as plain data.
//
// A program describes its resources in one ResourceSet (see resources/resources.h)
// and installs it with plat::use_resources before it creates windows. Both back
// ends build their menus and dialogs from these records, so what a test drives
// through the headless back end is what a user sees in the Qt one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// ---- Menus ---------------------------------------------------------------------------

struct MenuItemTemplate {
    std::string text;  // item text; a '\t' separates a shortcut shown as plain text
    int id = 0;        // command id sent as WM_COMMAND; 0 marks a separator
};

struct PopupTemplate {
    std::string text;                     // popup title in the menu bar, e.g. "File"
    std::vector<MenuItemTemplate> items;  // in display order
};

struct MenuTemplate {
    int id = 0;                         // resource id (menu 10)
    std::vector<PopupTemplate> popups;  // left to right
};

// ---- Dialogs -------------------------------------------------------------------------

enum class ControlKind {
    Label,          // static text
    Edit,           // single-line edit box
    Button,         // push button
    DefaultButton,  // push button pressed by Enter
    CheckBox,       // two-state check box
    BitmapButton,   // push button showing an image set with set_button_image
    GroupBox,       // frame with a caption
};

// Style bits of a control (combine with |).
enum ControlStyle : unsigned {
    CS_NONE = 0,
    CS_BORDER = 1u << 0,       // bordered edit box
    CS_RIGHT = 1u << 1,        // right-aligned text
    CS_AUTOHSCROLL = 1u << 2,  // edit text scrolls instead of stopping at the edge
    CS_TABSTOP = 1u << 3,      // reachable with Tab
    CS_READONLY = 1u << 4,     // edit box the user cannot change
    CS_CENTER = 1u << 5,       // centred text (labels)
};

constexpr int IDC_STATIC = -1;  // id of controls nobody addresses

struct ControlTemplate {
    ControlKind kind = ControlKind::Label;
    int id = IDC_STATIC;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units, relative to the client area
    unsigned style = CS_NONE;          // ControlStyle bits
};

struct DialogTemplate {
    int id = 0;                             // resource id
    std::string title;                      // caption
    int cx = 0, cy = 0;                     // client size in dialog units
    std::string font = "Helv";              // font face; converted with this font's metrics
    int point_size = 8;                     // font size in points
    bool visible = true;                    // shown at creation (modeless dialogs)
    bool right_corner = false;              // modeless: at the owner's top-right corner
    std::vector<ControlTemplate> controls;  // in tab order

    // Id of the first DefaultButton, or 1 (IDOK) when there is none.
    int default_id() const;
};

// ---- Accelerators --------------------------------------------------------------------

enum AccelFlags : unsigned {
    FVIRTKEY = 0x01,  // key is a virtual-key code (always so in our tables)
    FSHIFT = 0x04,
    FCONTROL = 0x08,
    FALT = 0x10,
};

struct AccelEntry {
    unsigned flags = FVIRTKEY;  // AccelFlags; the modifiers must be held exactly as given
    int key = 0;                // virtual-key code ('D', VK_LEFT...)
    int cmd = 0;                // command id sent as WM_COMMAND (high word 1)
};

struct AccelTableTemplate {
    int id = 0;
    std::vector<AccelEntry> entries;
};

// ---- Images --------------------------------------------------------------------------

// A small picture written as text: `palette` maps a character to a colour
// ("#000000", or "None" for transparent), each row of `rows` is one pixel row.
// Every row must be `width` characters; unknown characters are transparent.
struct ImageTemplate {
    std::string name;  // resource name ("HAND_CUR", "START_BTN") or "#<id>" for numbered ones
    int width = 0, height = 0;
    int hot_x = 0, hot_y = 0;  // cursor hot spot (pixels from the top-left)
    std::vector<std::pair<char, std::string>> palette;
    std::vector<std::string> rows;
};

// Decoded pixels of an ImageTemplate, 0xAARRGGBB row by row (alpha 0 = transparent).
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
};
// Decodes an image; a malformed row or colour yields transparent pixels, never fails.
Pixels decode_image(const ImageTemplate& image);

// ---- The set -------------------------------------------------------------------------

struct ResourceSet {
    std::vector<MenuTemplate> menus;
    std::vector<DialogTemplate> dialogs;
    std::vector<AccelTableTemplate> accelerators;
    std::vector<ImageTemplate> icons;    // numbered: name "#1" is icon 1
    std::vector<ImageTemplate> cursors;  // by name
    std::vector<ImageTemplate> bitmaps;  // by name (button images)

    const MenuTemplate* find_menu(int id) const;
    const DialogTemplate* find_dialog(int id) const;
    const AccelTableTemplate* find_accelerators(int id) const;
    const ImageTemplate* find_icon(int id) const;
    const ImageTemplate* find_cursor(const std::string& name) const;
    const ImageTemplate* find_bitmap(const std::string& name) const;
};

// Makes `set` the program's resources (not copied: it must outlive its use).
// nullptr removes them; every lookup then fails as "no such resource".
void use_resources(const ResourceSet* set);
const ResourceSet* current_resources();

}  // namespace plat
