// The Win32 back end on a real (Wine) desktop: what it passes through to the
// system is checked on the system's side (pixels of GDI's pictures, the native
// menu's check marks, the dialog manager's controls), and what comes back from
// the system (clicks, typing) arrives as our messages. Windows build only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/win32/win32_backend.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"
#include "tests/support/temp_folder.h"

namespace {

using plat::Color;
using plat::Point;
using plat::rgb;

// The colour of a pixel of a decoded picture.
Color at(const plat::Pixels& p, int x, int y) {
    const std::uint32_t v = p.argb[static_cast<std::size_t>(y) * p.width + x];
    return rgb(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
}

class Win32Test : public testing::Test {
  protected:
    void SetUp() override {
        plat::win32::register_backend();
        plat::use_resources(&resources::plovane());
    }
    void TearDown() override {
        plat::stop_platform();
        plat::use_resources(nullptr);
    }
    void start(bool canvas_only) {
        plat::StartOptions o;
        o.backend = "win32";
        o.canvas_only = canvas_only;
        o.window = !canvas_only;
        ASSERT_TRUE(plat::start_platform(o));
    }
    // Dispatches what is queued, native input included.
    void drain() {
        plat::Msg msg;
        while (plat::peek_message(msg) && msg.message != plat::WM_QUIT) plat::dispatch_message(msg);
    }
    plat::Pixels picture_of(plat::Dc canvas) {
        const std::string path = dir.file("canvas.png");
        EXPECT_TRUE(plat::save_canvas_png(canvas, path));
        plat::Pixels p;
        EXPECT_TRUE(plat::win32::read_png(path, p));
        return p;
    }
    test_support::TempFolder dir;
};

// Colours keep their channels through GDI, the DIB section and the PNG file; the
// polygon fills by the alternate rule inside its outline; a dotted pen leaves gaps;
// a block copy moves a memory DC's bitmap onto the canvas.
TEST_F(Win32Test, CanvasDrawsThroughGdiAndWritesPng) {
    start(true);
    const plat::Dc canvas = plat::create_canvas(80, 60);
    ASSERT_TRUE(canvas);
    const plat::Pen red = plat::create_pen(plat::PenStyle::Solid, 1, rgb(255, 0, 0));
    const plat::Brush blue = plat::create_solid_brush(rgb(0, 0, 255));
    plat::select_object(canvas, red);
    plat::select_object(canvas, blue);
    const Point box[] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}};
    plat::polygon(canvas, box, 4);
    const plat::Pen dots = plat::create_pen(plat::PenStyle::Dot, 1, rgb(0, 255, 0));
    plat::select_object(canvas, dots);
    plat::set_bk_mode(canvas, plat::BkMode::Transparent);
    plat::move_to(canvas, 0, 50);
    plat::line_to(canvas, 79, 50);

    const plat::Dc memory = plat::create_compatible_dc(canvas);
    const plat::Bitmap bitmap = plat::create_compatible_bitmap(canvas, 10, 10);
    plat::select_object(memory, bitmap);
    plat::fill_rect(memory, plat::Rect{0, 0, 10, 10}, plat::create_solid_brush(rgb(1, 2, 3)));
    ASSERT_TRUE(plat::bit_blt(canvas, 60, 5, 10, 10, memory, 0, 0));

    const plat::Pixels p = picture_of(canvas);
    ASSERT_EQ(p.width, 80);
    ASSERT_EQ(p.height, 60);
    EXPECT_EQ(at(p, 10, 20), rgb(255, 0, 0));  // outline
    EXPECT_EQ(at(p, 20, 20), rgb(0, 0, 255));  // fill
    EXPECT_EQ(at(p, 5, 5), rgb(0, 0, 0));      // a canvas starts black
    EXPECT_EQ(at(p, 65, 10), rgb(1, 2, 3));    // copied
    int lit = 0;
    for (int x = 0; x < 80; ++x) lit += at(p, x, 50) == rgb(0, 255, 0);
    EXPECT_GT(lit, 20);  // dotted: partly lit ...
    EXPECT_LT(lit, 60);  // ... with gaps, left black in transparent mode
    plat::delete_dc(memory);
    plat::delete_dc(canvas);
}

// Text goes through the system's font in the text colour, from its top-left corner,
// at a readable size; transparent mode leaves the rest of the canvas as it was.
TEST_F(Win32Test, TextInTheTextColourFromItsCorner) {
    start(true);
    const plat::Dc canvas = plat::create_canvas(100, 30);
    plat::set_text_color(canvas, rgb(255, 255, 0));
    plat::set_bk_mode(canvas, plat::BkMode::Transparent);
    plat::text_out(canvas, 2, 2, "Wide text");
    const plat::Pixels p = picture_of(canvas);
    int lit = 0, yellow = 0, left = p.width, right = -1, top = p.height;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const plat::Color c = at(p, x, y);
            if (c == rgb(0, 0, 0)) continue;
            ++lit;
            yellow += c == rgb(255, 255, 0);
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
        }
    EXPECT_GT(yellow, 20);
    EXPECT_GE(left, 2);
    EXPECT_GE(top, 2);
    EXPECT_GT(right - left, 30);  // "Wide text" in a real font
    plat::delete_dc(canvas);
}

// The headless back end's recordings become pictures through GDI (the script
// mode's snapshots in the Windows build).
TEST_F(Win32Test, HeadlessRecordingsRasteriseThroughGdi) {
    plat::StartOptions o;
    o.backend = "headless";
    ASSERT_TRUE(plat::start_platform(o));
    plat::headless::set_default_client_size(plat::Size{40, 40});
    plat::WindowClass cls;
    cls.name = "Recorded";
    cls.proc = [](plat::Hwnd h, unsigned m, plat::WPARAM, plat::LPARAM) -> plat::LRESULT {
        if (m != plat::WM_PAINT) return 0;
        plat::PaintStruct ps;
        const plat::Dc dc = plat::begin_paint(h, ps);
        plat::select_object(dc, plat::create_solid_brush(rgb(0, 128, 0)));
        plat::select_object(dc, plat::stock_pen(plat::StockPen::Null));
        plat::ellipse(dc, 5, 5, 35, 35);
        plat::end_paint(h, ps);
        return 0;
    };
    ASSERT_TRUE(plat::register_class(cls));
    const plat::Hwnd h = plat::create_window("Recorded", "Recorded", 40, 40);
    plat::show_window(h, true);
    plat::update_window(h);
    const std::string path = dir.file("recording.png");
    ASSERT_TRUE(plat::headless::save_window_png(h, path));
    plat::Pixels p;
    ASSERT_TRUE(plat::win32::read_png(path, p));
    ASSERT_EQ(p.width, 40);
    EXPECT_EQ(at(p, 20, 20), rgb(0, 128, 0));
    EXPECT_EQ(at(p, 1, 1), rgb(0, 0, 0));  // the class background: black
}

class Win32WindowTest : public Win32Test {
  protected:
    void SetUp() override {
        Win32Test::SetUp();
        start(false);
        plat::WindowClass cls;
        cls.name = "Win32TestClass";
        cls.menu_id = resources::IDR_MAIN_MENU;
        cls.proc = [](plat::Hwnd h, unsigned m, plat::WPARAM w, plat::LPARAM l) {
            return plat::def_window_proc(h, m, w, l);
        };
        ASSERT_TRUE(plat::register_class(cls));
        main = plat::create_window("Win32TestClass", "Win32 test", 640, 480);
        ASSERT_TRUE(main);
        plat::show_window(main, true);
    }
    plat::Hwnd main;
};

// The menu is the system's menu built from the template; check marks set through
// the layer are the system's own.
TEST_F(Win32WindowTest, MenuFromTheTemplateWithTheSystemsCheckMarks) {
    const plat::Size client = plat::get_client_size(main);
    EXPECT_GT(client.width, 500);
    EXPECT_LT(client.height, 480);  // the caption and the menu bar take their share
    const plat::Hmenu menu = plat::get_menu(main);
    EXPECT_EQ(plat::win32::native_menu_check(main, resources::IDM_GRID_LINE), 0);
    EXPECT_EQ(plat::check_menu_item(menu, resources::IDM_GRID_LINE, true), 0);
    EXPECT_EQ(plat::win32::native_menu_check(main, resources::IDM_GRID_LINE), 1);
    plat::check_menu_item(menu, resources::IDM_GRID_LINE, false);
    EXPECT_EQ(plat::win32::native_menu_check(main, resources::IDM_GRID_LINE), 0);
    EXPECT_EQ(plat::win32::native_menu_check(main, 9999), -1);
}

// A modeless dialog is the dialog manager's own, built from the template: the
// controls' texts, their places in dialog units, texts set through the layer and
// typed by the user, and a click that arrives as WM_COMMAND with the button's id,
// after the edit box the user typed into says it lost the focus (EN_KILLFOCUS), as
// the system's edit boxes do when a click moves the focus to the button.
TEST_F(Win32WindowTest, DialogTemplateBecomesTheSystemsDialog) {
    std::vector<plat::WPARAM> commands;
    const plat::Hwnd dlg =
        plat::create_dialog(resources::IDD_DISPLAY_SETTING, main,
                            [&](plat::Hwnd, unsigned m, plat::WPARAM w, plat::LPARAM) {
                                if (m == plat::WM_COMMAND) commands.push_back(w);
                                return m == plat::WM_COMMAND;
                            });
    ASSERT_TRUE(dlg);
    const plat::DialogTemplate* t =
        resources::plovane().find_dialog(resources::IDD_DISPLAY_SETTING);
    ASSERT_NE(t, nullptr);
    // Two controls' rectangles keep the ratio of their dialog units.
    const plat::ControlTemplate* a = nullptr;
    const plat::ControlTemplate* b = nullptr;
    for (const plat::ControlTemplate& c : t->controls) {
        if (c.id == resources::IDC_MAX_RANGE_X) a = &c;
        if (c.id == resources::IDC_DRAW_HISTORY) b = &c;
    }
    ASSERT_TRUE(a && b);
    const plat::Rect ra = plat::win32::native_rect(dlg, a->id);
    const plat::Rect rb = plat::win32::native_rect(dlg, b->id);
    ASSERT_GT(ra.height(), 0);
    EXPECT_NEAR(static_cast<double>(rb.top - ra.top) / ra.height(),
                static_cast<double>(b->y - a->y) / a->cy, 0.35);
    EXPECT_NEAR(static_cast<double>(ra.width()) / ra.height(), static_cast<double>(a->cx) / a->cy,
                0.6);

    ASSERT_TRUE(plat::set_dlg_item_text(dlg, a->id, "2500"));
    EXPECT_EQ(plat::win32::native_text(dlg, a->id), "2500");
    plat::win32::native_type(dlg, a->id, "1234");
    EXPECT_EQ(plat::get_dlg_item_text(dlg, a->id), "1234");

    plat::win32::native_click(dlg, plat::IDOK);
    drain();
    EXPECT_EQ(commands, (std::vector<plat::WPARAM>{
                            plat::make_wparam(static_cast<unsigned>(a->id), plat::EN_KILLFOCUS),
                            plat::make_wparam(plat::IDOK, plat::BN_CLICKED)}));
    plat::destroy_window(dlg);
}

// Bitmap buttons show the resources' images as the system's button pictures, and
// their text again without one; cursors made from our images keep their hot spots.
TEST_F(Win32WindowTest, ButtonImagesAndCursorsFromOurImages) {
    const plat::Hwnd dlg =
        plat::create_dialog(resources::IDD_FRAME_CONTROL, main,
                            [](plat::Hwnd, unsigned, plat::WPARAM, plat::LPARAM) { return false; });
    ASSERT_TRUE(dlg);
    const auto start_image = [&] {
        return plat::win32::native_button_image(dlg, resources::IDC_START);
    };
    EXPECT_EQ(start_image(), (plat::Size{0, 0}));
    const plat::ImageTemplate* picture = resources::plovane().find_bitmap(resources::BMP_START);
    ASSERT_NE(picture, nullptr);
    const plat::Bitmap image = plat::load_bitmap(resources::BMP_START);
    ASSERT_TRUE(image);
    plat::set_button_image(dlg, resources::IDC_START, image);
    EXPECT_EQ(start_image(), (plat::Size{picture->width, picture->height}));
    plat::set_button_image(dlg, resources::IDC_START, plat::Bitmap{});
    EXPECT_EQ(start_image(), (plat::Size{0, 0}));
    plat::destroy_window(dlg);

    const plat::ImageTemplate* hand = resources::plovane().find_cursor(resources::CUR_HAND);
    ASSERT_NE(hand, nullptr);
    const plat::Hcursor cursor = plat::load_cursor(resources::CUR_HAND);
    EXPECT_EQ(plat::win32::native_cursor_hot_spot(cursor), (Point{hand->hot_x, hand->hot_y}));
    EXPECT_EQ(plat::win32::native_cursor_hot_spot(plat::Hcursor{}), (Point{-1, -1}));
}

// A modal dialog disables its owner while it runs, as the system's own do, and
// ends with the result its procedure gives.
TEST_F(Win32WindowTest, ModalDialogDisablesItsOwnerAndEndsFromItsProcedure) {
    bool owner_enabled_inside = true;
    const plat::LRESULT result = plat::dialog_box(
        resources::IDD_ABOUT, main, [&](plat::Hwnd d, unsigned m, plat::WPARAM w, plat::LPARAM) {
            if (m == plat::WM_INITDIALOG) {
                plat::post_message(d, plat::WM_USER);  // once the loop runs
                return true;
            }
            if (m == plat::WM_USER) {
                owner_enabled_inside = plat::win32::native_enabled(main);
                plat::win32::native_click(d, plat::IDOK);
                return true;
            }
            if (m == plat::WM_COMMAND && plat::loword(w) == plat::IDOK) {
                plat::end_dialog(d, 7);
                return true;
            }
            return false;
        });
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(owner_enabled_inside);
    EXPECT_TRUE(plat::win32::native_enabled(main));
}

// A sleep never ends before what it asks (how much longer it lasts depends on the
// machine's load, so it is not checked here: bench_playback measures the ticks).
TEST_F(Win32Test, SleepsAtLeastWhatTheyAsk) {
    start(true);
    const std::uint64_t before = plat::tick_ms();
    for (int i = 0; i < 20; ++i) plat::sleep_ms(10);
    EXPECT_GE(plat::tick_ms() - before, 195u);
}

}  // namespace
