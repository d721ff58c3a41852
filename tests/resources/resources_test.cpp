// The viewers' resources as data: what makes a menu, a dialog or an accelerator
// table unusable whatever its contents (a clash of ids, a control outside its
// dialog or on top of another, a key bound twice), and images that decode. What
// the commands do is tested with the programs' sessions (tests/shell/window,
// tests/labelling/window).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/resource.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"

using namespace plat;

namespace {

struct Program {
    const char* name;
    const ResourceSet& set;
};
// Built on first use: the sets take the shared images from another file's statics.
std::vector<Program> programs() {
    return {{"plovane", resources::plovane()}, {"vantrel", resources::vantrel()}};
}

// Overlaps the design gives: the history field's label runs under its edit box.
bool overlap_by_design(const DialogTemplate& d, const ControlTemplate& a,
                       const ControlTemplate& b) {
    return d.id == resources::IDD_DISPLAY_SETTING && a.kind == ControlKind::Label &&
           a.text == "Draw Histroy Traj (0:1)" && b.id == resources::IDC_DRAW_HISTORY;
}

bool overlap(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

bool contains(const ControlTemplate& outer, const ControlTemplate& inner) {
    return outer.x <= inner.x && inner.x + inner.cx <= outer.x + outer.cx && outer.y <= inner.y &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

}  // namespace

TEST(ViewerResources, IdsAndNamesAreUnique) {
    for (const Program& p : programs()) {
        // A menu command id stands for one item, or a click could not tell them apart.
        for (const MenuTemplate& m : p.set.menus) {
            std::set<int> ids;
            for (const PopupTemplate& popup : m.popups)
                for (const MenuItemTemplate& item : popup.items) {
                    if (item.id == 0) continue;  // a separator
                    EXPECT_FALSE(item.text.empty()) << p.name << " menu item " << item.id;
                    EXPECT_TRUE(ids.insert(item.id).second) << p.name << " menu item " << item.id;
                }
        }
        std::set<int> dialogs;
        for (const DialogTemplate& d : p.set.dialogs) {
            EXPECT_TRUE(dialogs.insert(d.id).second) << p.name << " dialog " << d.id;
            std::set<int> controls;
            for (const ControlTemplate& c : d.controls) {
                if (c.id == IDC_STATIC) continue;
                EXPECT_TRUE(controls.insert(c.id).second)
                    << p.name << " dialog " << d.id << " control " << c.id;
            }
        }
        // One key with one set of modifiers gives one command.
        for (const AccelTableTemplate& t : p.set.accelerators) {
            std::set<std::pair<unsigned, int>> keys;
            for (const AccelEntry& e : t.entries) {
                EXPECT_NE(e.cmd, 0) << p.name;
                EXPECT_TRUE(keys.insert({e.flags, e.key}).second)
                    << p.name << " accelerator key " << e.key;
            }
        }
        for (const auto* images : {&p.set.cursors, &p.set.bitmaps}) {
            std::set<std::string> names;
            for (const ImageTemplate& image : *images)
                EXPECT_TRUE(names.insert(image.name).second) << p.name << " " << image.name;
        }
    }
}

// The back ends place controls where the templates say, in dialog units: one
// outside its dialog is cut off, two on top of each other hide one another. A
// group box frames the controls inside it.
TEST(ViewerResources, ControlsFitInsideTheirDialogAndDoNotOverlap) {
    for (const Program& p : programs()) {
        for (const DialogTemplate& d : p.set.dialogs) {
            const std::string where = std::string(p.name) + " dialog " + std::to_string(d.id);
            EXPECT_GT(d.cx, 0) << where;
            EXPECT_GT(d.cy, 0) << where;
            for (std::size_t i = 0; i < d.controls.size(); ++i) {
                const ControlTemplate& a = d.controls[i];
                const std::string what = where + " control " + std::to_string(i) + " '" + a.text +
                                         "' (id " + std::to_string(a.id) + ")";
                EXPECT_GT(a.cx, 0) << what;
                EXPECT_GT(a.cy, 0) << what;
                EXPECT_GE(a.x, 0) << what;
                EXPECT_GE(a.y, 0) << what;
                EXPECT_LE(a.x + a.cx, d.cx) << what;
                EXPECT_LE(a.y + a.cy, d.cy) << what;
                for (std::size_t j = i + 1; j < d.controls.size(); ++j) {
                    const ControlTemplate& b = d.controls[j];
                    if (a.kind == ControlKind::GroupBox && contains(a, b)) continue;
                    if (b.kind == ControlKind::GroupBox && contains(b, a)) continue;
                    if (overlap_by_design(d, a, b) || overlap_by_design(d, b, a)) continue;
                    EXPECT_FALSE(overlap(a, b)) << what << " and control " << j << " '" << b.text
                                                << "' (id " << b.id << ")";
                }
            }
        }
    }
}

// Enter presses the default button, Escape sends IDCANCEL: a dialog with buttons
// has the one Enter presses, and Escape finds a Cancel where there is one.
TEST(ViewerResources, EnterPressesAButtonOfTheDialog) {
    for (const Program& p : programs()) {
        for (const DialogTemplate& d : p.set.dialogs) {
            if (!d.visible) continue;  // the modeless Frame Control takes no Enter
            int defaults = 0;
            bool has_default_id = false;
            for (const ControlTemplate& c : d.controls) {
                defaults += c.kind == ControlKind::DefaultButton;
                has_default_id = has_default_id || c.id == d.default_id();
            }
            EXPECT_LE(defaults, 1) << p.name << " dialog " << d.id;
            EXPECT_TRUE(has_default_id) << p.name << " dialog " << d.id;
        }
    }
}

// The dialog procedures address these controls by id; a template without one
// leaves a field the procedure fills or reads silently empty.
TEST(ViewerResources, DialogsHaveEveryControlTheProceduresAddress) {
    auto has = [](const DialogTemplate* d, int id) {
        for (const auto& c : d->controls)
            if (c.id == id) return true;
        return false;
    };
    using namespace resources;
    const std::vector<int> display = {
        IDC_MAX_RANGE_X, IDC_GRID_SIZE_X, IDC_YX_FACTOR, IDC_MS_PER_METER, IDOK, IDCANCEL};
    std::vector<int> plovane_display = display;
    plovane_display.insert(plovane_display.end(),
                           {IDC_FRAME_STEP, IDC_TOO_SHORT_TRAJ, IDC_DRAW_HISTORY});
    const std::vector<int> frame_control = {IDC_FRAME_NO, IDC_ELAPSED, IDC_STEP, IDC_START,
                                            IDC_STOP,     IDC_JUMP,    IDC_TIME};
    const std::map<int, std::vector<int>> plovane = {
        {IDD_DISPLAY_SETTING, plovane_display},
        {IDD_FRAME_CONTROL, frame_control},
        {IDD_TRAJ_COLOR,
         {IDC_FRONT_ID, IDC_LEAD_ID, IDC_FRONT_COL, IDC_LEAD_COL, IDC_LAG_ID, IDC_LAG_COL,
          IDC_REAR_ID, IDC_REAR_COL, IDC_EGO_COL, IDC_SPEED_MIN, IDC_SPEED_MAX, IDC_TRAJ_COL_ON,
          IDOK, IDCANCEL}},
    };
    const std::map<int, std::vector<int>> vantrel = {
        {IDD_DISPLAY_SETTING, display},
        {IDD_FRAME_CONTROL, frame_control},
        {IDD_SAMPLE_SETTINGS, {IDC_CUR_TRAJ_ID, IDC_TRAJ_MARGIN, IDOK, IDCANCEL}},
    };
    for (const auto& [set, dialogs] :
         {std::pair{&resources::plovane(), plovane}, std::pair{&resources::vantrel(), vantrel}}) {
        for (const auto& [id, controls] : dialogs) {
            const DialogTemplate* d = set->find_dialog(id);
            ASSERT_NE(d, nullptr) << id;
            for (int control : controls) EXPECT_TRUE(has(d, control)) << id << ": " << control;
        }
    }
    EXPECT_FALSE(resources::plovane().find_dialog(IDD_FRAME_CONTROL)->visible);
}

TEST(ViewerResources, ImagesDecodeToTheirStatedSize) {
    for (const Program& p : programs()) {
        std::vector<const ImageTemplate*> all;
        for (const auto* images : {&p.set.icons, &p.set.cursors, &p.set.bitmaps})
            for (const ImageTemplate& image : *images) all.push_back(&image);
        EXPECT_NE(p.set.find_icon(1), nullptr) << p.name;
        for (const char* name :
             {"START_BTN", "PAUSE_BTN", "STOP_BTN", "ONESTEP_BTN", "JUMP_BTN", "_JUMP_BTN"})
            EXPECT_NE(p.set.find_bitmap(name), nullptr) << p.name << " " << name;
        for (const ImageTemplate* img : all) {
            ASSERT_EQ(static_cast<int>(img->rows.size()), img->height) << img->name;
            for (const auto& row : img->rows)
                EXPECT_EQ(static_cast<int>(row.size()), img->width) << img->name;
            const Pixels pixels = decode_image(*img);
            int opaque = 0;
            for (auto px : pixels.argb) opaque += (px >> 24) != 0;
            EXPECT_GT(opaque, 20) << img->name;  // a picture, not an empty frame
            EXPECT_LT(img->hot_x, img->width) << img->name;
            EXPECT_LT(img->hot_y, img->height) << img->name;
        }
    }
}

TEST(DecodeImage, MalformedRowsAndColoursBecomeTransparent) {
    ImageTemplate t{"x", 3, 2, 0, 0, {{'a', "#FF0000"}, {'b', "red"}}, {"ab", "aaaa"}};
    const Pixels p = decode_image(t);
    ASSERT_EQ(p.argb.size(), 6u);
    EXPECT_EQ(p.argb[0], 0xFFFF0000u);
    EXPECT_EQ(p.argb[1], 0u);           // colour not in #rrggbb form
    EXPECT_EQ(p.argb[2], 0u);           // row too short
    EXPECT_EQ(p.argb[5], 0xFFFF0000u);  // extra characters ignored
}
