// The viewers' resources: what the shells rely on by id, and images that decode.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/resource.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"

using namespace plat;

namespace {
std::vector<std::pair<std::string, int>> menu_items(const MenuTemplate& m, int popup) {
    std::vector<std::pair<std::string, int>> out;
    for (const auto& item : m.popups[static_cast<std::size_t>(popup)].items)
        out.emplace_back(item.text, item.id);
    return out;
}
}  // namespace

TEST(ViewerResources, PlovaneMenuItemsStandInTheirOrder) {
    const MenuTemplate* m = resources::plovane().find_menu(10);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->popups.size(), 2u);
    EXPECT_EQ(m->popups[0].text, "File");
    EXPECT_EQ(menu_items(*m, 0),
              (std::vector<std::pair<std::string, int>>{{"Load Ego", 20},
                                                        {"Load Org (Optional)", 22},
                                                        {"Load Mov", 21},
                                                        {"About", 23},
                                                        {"Exit", 24}}));
    EXPECT_EQ(menu_items(*m, 1), (std::vector<std::pair<std::string, int>>{{"Setting", 50},
                                                                           {"Grid Line", 51},
                                                                           {"Axis", 52},
                                                                           {"Time Serials", 53},
                                                                           {"Ego Centered", 54},
                                                                           {"Traj ID", 56},
                                                                           {"Set TrajCol", 55},
                                                                           {"Real Time", 57}}));
}

TEST(ViewerResources, VantrelMenuAndAccelerators) {
    const ResourceSet& v = resources::vantrel();
    const MenuTemplate* m = v.find_menu(10);
    ASSERT_NE(m, nullptr);
    // The loads, the save and the sample settings have menu items: the work can be
    // saved from the program.
    EXPECT_EQ(menu_items(*m, 0), (std::vector<std::pair<std::string, int>>{{"Load Ego", 20},
                                                                           {"Load Samples", 21},
                                                                           {"Load Traj Gen", 22},
                                                                           {"Save Samples", 23},
                                                                           {"About", 25},
                                                                           {"Exit", 26}}));
    EXPECT_EQ(menu_items(*m, 1),
              (std::vector<std::pair<std::string, int>>{{"Setting", 50},
                                                        {"Grid Line", 51},
                                                        {"Axis", 52},
                                                        {"TrajID", 53},
                                                        {"Sample Settings", 64}}));
    const AccelTableTemplate* a = v.find_accelerators(101);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->entries.size(), 4u);
    for (const AccelEntry& e : a->entries) EXPECT_EQ(e.flags, FVIRTKEY | FCONTROL);
    EXPECT_EQ(a->entries[3].key, 'Y');
    EXPECT_EQ(a->entries[3].cmd, 63);
    EXPECT_EQ(resources::plovane().find_accelerators(101), nullptr);
}

TEST(ViewerResources, AboutBoxGeometry) {
    const DialogTemplate* d = resources::plovane().find_dialog(2000);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->title, "Plovane");
    EXPECT_EQ(d->cx, 231);
    EXPECT_EQ(d->cy, 77);
    EXPECT_EQ(d->font, "Helv");
    EXPECT_EQ(d->point_size, 9);
    EXPECT_EQ(d->default_id(), IDOK);
    int labels = 0;
    for (const auto& c : d->controls) {
        if (c.kind == ControlKind::Label) ++labels;
        if (c.id == IDOK) {
            EXPECT_EQ(c.kind, ControlKind::DefaultButton);
            EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}),
                      (std::vector<int>{180, 19, 40, 14}));
        }
    }
    EXPECT_EQ(labels, 4);
    EXPECT_EQ(resources::vantrel().find_dialog(2000)->title, "Vantrel");
}

TEST(ViewerResources, DisplaySettingFieldsAndButtons) {
    struct Case {
        const ResourceSet* set;
        int height, fields, buttons_y;
    };
    for (const Case& c :
         {Case{&resources::plovane(), 139, 7, 120}, Case{&resources::vantrel(), 89, 4, 71}}) {
        const DialogTemplate* d = c.set->find_dialog(2100);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->title, "Display Setting");
        EXPECT_EQ(d->cy, c.height);
        int edits = 0;
        for (const auto& ctl : d->controls) {
            if (ctl.kind == ControlKind::Edit) {
                EXPECT_EQ(ctl.id, 2101 + edits);
                EXPECT_EQ(ctl.x, 84);
                EXPECT_TRUE(ctl.style & CS_RIGHT);
                ++edits;
            }
            if (ctl.id == IDOK || ctl.id == IDCANCEL) {
                EXPECT_EQ(ctl.y, c.buttons_y);
            }
        }
        EXPECT_EQ(edits, c.fields);
    }
    // The history field's edit sits at y 103, its label at 105.
    const DialogTemplate* d = resources::plovane().find_dialog(2100);
    EXPECT_EQ(d->controls[13].id, 2107);
    EXPECT_EQ(d->controls[13].y, 103);
    EXPECT_EQ(d->controls[12].y, 105);
}

TEST(ViewerResources, DialogsHaveEveryControlTheProceduresAddress) {
    auto has = [](const DialogTemplate* d, int id) {
        for (const auto& c : d->controls)
            if (c.id == id) return true;
        return false;
    };
    const DialogTemplate* colours = resources::plovane().find_dialog(2300);
    ASSERT_NE(colours, nullptr);
    EXPECT_EQ(colours->title, "Traj Color Setting");
    for (int id = 2301; id <= 2312; ++id) EXPECT_TRUE(has(colours, id)) << id;
    EXPECT_TRUE(has(colours, IDOK) && has(colours, IDCANCEL));

    const DialogTemplate* fc = resources::plovane().find_dialog(2200);
    ASSERT_NE(fc, nullptr);
    EXPECT_FALSE(fc->visible);
    for (int id : {2201, 2202, 2203, 2204, 2205, 2206, 2211}) EXPECT_TRUE(has(fc, id)) << id;

    const DialogTemplate* settings = resources::vantrel().find_dialog(2300);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->title, "Settings");
    EXPECT_TRUE(has(settings, 2301) && has(settings, 2302));
}

TEST(ViewerResources, ImagesDecodeToTheirStatedSize) {
    const ResourceSet& r = resources::plovane();
    std::vector<const ImageTemplate*> all{r.find_icon(1)};
    for (const char* name : {"EW_CUR", "HAND_CUR", "MAG_CUR"}) all.push_back(r.find_cursor(name));
    for (const char* name :
         {"START_BTN", "PAUSE_BTN", "STOP_BTN", "ONESTEP_BTN", "JUMP_BTN", "_JUMP_BTN"})
        all.push_back(r.find_bitmap(name));
    for (const ImageTemplate* img : all) {
        ASSERT_NE(img, nullptr);
        ASSERT_EQ(static_cast<int>(img->rows.size()), img->height) << img->name;
        for (const auto& row : img->rows) EXPECT_EQ(static_cast<int>(row.size()), img->width);
        const Pixels p = decode_image(*img);
        int opaque = 0;
        for (auto px : p.argb) opaque += (px >> 24) != 0;
        EXPECT_GT(opaque, 20) << img->name;  // a picture, not an empty frame
        EXPECT_LT(img->hot_x, img->width);
    }
    EXPECT_EQ(r.find_bitmap("START_BTN")->width, 23);
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
