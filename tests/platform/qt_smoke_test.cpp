// One session through the Qt back end under the offscreen platform: a window with a
// menu, posted commands, a paint through the device context, a modal dialog closed
// by a queued action, close and quit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "resources/resources.h"
#include "tests/support/temp_folder.h"

using namespace plat;

namespace {

constexpr unsigned END_ABOUT = WM_USER + 1;
constexpr unsigned SNAPSHOT = WM_USER + 2;

struct Session {
    Hwnd about;
    LRESULT about_result = -1;
    std::vector<unsigned> commands;
    int paints = 0;
    bool snapshot_saved = false;
    std::string png;
};
Session* g_session = nullptr;

void paint(Hwnd h) {
    PaintStruct ps;
    const Dc dc = begin_paint(h, ps);
    const Size size = get_client_size(h);
    const Dc mem = create_compatible_dc(dc);
    const Bitmap bmp = create_compatible_bitmap(dc, size.width, size.height);
    const Bitmap old_bmp = select_object(mem, bmp);
    const Pen grid = create_pen(PenStyle::Dot, 1, rgb(0, 0, 255));
    const Pen axis = create_pen(PenStyle::Solid, 2, rgb(128, 128, 128));
    const Brush yellow = create_solid_brush(rgb(255, 255, 0));
    fill_rect(mem, Rect{0, 0, size.width, size.height}, stock_brush(StockBrush::Black));
    const Pen old_pen = select_object(mem, grid);
    for (int x = 0; x < size.width; x += 40) {
        move_to(mem, x, 0);
        line_to(mem, x, size.height);
    }
    select_object(mem, axis);
    const Brush old_brush = select_object(mem, yellow);
    const Point box[] = {{100, 100}, {140, 100}, {140, 180}, {100, 180}};
    polygon(mem, box, 4);
    ellipse(mem, 200, 200, 208, 208);
    set_bk_mode(mem, BkMode::Transparent);
    set_text_color(mem, rgb(128, 128, 128));
    text_out(mem, 20, 20, "200(m)");
    bit_blt(dc, 0, 0, size.width, size.height, mem, 0, 0);
    select_object(mem, old_pen);
    select_object(mem, old_brush);
    select_object(mem, old_bmp);
    EXPECT_TRUE(delete_object(bmp));
    delete_object(grid);
    delete_object(axis);
    delete_object(yellow);
    delete_dc(mem);
    end_paint(h, ps);
    ++g_session->paints;
}

LRESULT main_proc(Hwnd h, unsigned m, WPARAM w, LPARAM l) {
    Session& s = *g_session;
    switch (m) {
        case WM_PAINT:
            paint(h);
            return 0;
        case WM_COMMAND:
            s.commands.push_back(loword(w));
            if (loword(w) == 51)
                check_menu_item(get_menu(h), 51, menu_item_checked(get_menu(h), 51) == 0);
            if (loword(w) == 23) {
                // The queued action that ends the dialog is already waiting.
                post_message(h, END_ABOUT);
                s.about_result =
                    dialog_box(2000, h, [&s](Hwnd dlg, unsigned dm, WPARAM dw, LPARAM) {
                        if (dm == WM_INITDIALOG) {
                            s.about = dlg;
                            return true;
                        }
                        if (dm == WM_COMMAND && loword(dw) == IDOK) return end_dialog(dlg, 1);
                        return false;
                    });
                post_message(h, SNAPSHOT);
                post_message(h, WM_CLOSE);
            }
            return 0;
        case END_ABOUT:
            end_dialog(s.about, 7);
            return 0;
        case SNAPSHOT:
            s.snapshot_saved = qt::save_window_png(h, s.png);
            return 0;
        case WM_DESTROY:
            post_quit_message(0);
            return 0;
        default:
            return def_window_proc(h, m, w, l);
    }
}

bool file_has_png_signature(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char sig[8] = {};
    in.read(sig, 8);
    return in && sig[1] == 'P' && sig[2] == 'N' && sig[3] == 'G';
}

}  // namespace

TEST(QtBackend, WindowMenuPaintModalDialogCloseAndQuit) {
    // Always the offscreen platform, whatever display the test run has.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qt::register_backend();
    use_resources(&resources::plovane());
    static int argc = 1;
    static char arg0[] = "platform_qt_tests";
    static char* argv[] = {arg0, nullptr};
    StartOptions options;
    options.backend = "qt";
    ASSERT_TRUE(start_platform(options, argc, argv));

    test_support::TempFolder dir;
    Session session;
    session.png = dir.file("qt_smoke_window.png");
    g_session = &session;
    WindowClass cls;
    cls.name = "SmokeClass";
    cls.proc = main_proc;
    cls.menu_id = 10;
    cls.icon_id = 1;
    ASSERT_TRUE(register_class(cls));
    const Hwnd h = create_window("SmokeClass", "Plovane", 960, 640);
    ASSERT_TRUE(h);
    const Size client = get_client_size(h);
    EXPECT_EQ(client.width, 960);
    EXPECT_GT(client.height, 500);
    EXPECT_LT(client.height, 640);  // the menu bar takes its share
    EXPECT_EQ(check_menu_item(get_menu(h), 52, true), 0);
    EXPECT_TRUE(load_cursor("HAND_CUR"));
    show_window(h, true);
    update_window(h);

    post_message(h, WM_COMMAND, 51);
    post_message(h, WM_COMMAND, 23);
    Msg msg;
    while (get_message(msg)) {
        translate_message(msg);
        dispatch_message(msg);
    }
    EXPECT_EQ(static_cast<int>(msg.wparam), 0);
    EXPECT_EQ(session.commands, (std::vector<unsigned>{51, 23}));
    EXPECT_EQ(session.about_result, 7);
    EXPECT_FALSE(is_window(session.about));
    EXPECT_FALSE(is_window(h));
    EXPECT_GE(session.paints, 1);
    EXPECT_TRUE(session.snapshot_saved);
    EXPECT_TRUE(file_has_png_signature(session.png));

    // A canvas without a window, as the snapshot mode draws it.
    const Dc canvas = create_canvas(64, 32);
    text_out(canvas, 2, 2, "ok");
    const std::string canvas_png = dir.file("qt_smoke_canvas.png");
    EXPECT_TRUE(save_canvas_png(canvas, canvas_png));
    EXPECT_TRUE(file_has_png_signature(canvas_png));
    delete_dc(canvas);

    stop_platform();
    g_session = nullptr;
    std::remove(session.png.c_str());
    std::remove(canvas_png.c_str());
}

TEST(QtBackend, CanvasOnlyModeDrawsPicturesWithoutWindows) {
    qt::register_backend();
    StartOptions options;
    options.backend = "qt";
    options.canvas_only = true;
    ASSERT_TRUE(start_platform(options));
    WindowClass cls;
    cls.name = "NoWindows";
    cls.proc = def_window_proc;
    ASSERT_TRUE(register_class(cls));
    EXPECT_FALSE(create_window("NoWindows", "none", 100, 100));
    testing::internal::CaptureStderr();
    EXPECT_EQ(message_box(Hwnd{}, "Invalid TRAJ file.", "Error"), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Invalid TRAJ file.\n");

    const Dc canvas = create_canvas(120, 80);
    const Pen pen = create_pen(PenStyle::Dot, 1, rgb(0, 0, 255));
    select_object(canvas, pen);
    move_to(canvas, 0, 40);
    line_to(canvas, 120, 40);
    set_text_color(canvas, rgb(128, 128, 128));
    text_out(canvas, 4, 4, "-200");
    test_support::TempFolder dir;
    const std::string png = dir.file("qt_canvas_only.png");
    EXPECT_TRUE(save_canvas_png(canvas, png));
    EXPECT_TRUE(file_has_png_signature(png));
    delete_dc(canvas);
    stop_platform();
    std::remove(png.c_str());
}

// Last in this file: the picture needs a GUI application, which then stays.
TEST(QtBackend, HeadlessRecordingIsRasterisedWhenThePictureIsWanted) {
    qt::register_backend();
    StartOptions options;
    options.backend = "headless";
    ASSERT_TRUE(start_platform(options));
    const Dc canvas = create_canvas(64, 64);
    select_object(canvas, create_solid_brush(rgb(255, 255, 0)));
    const Point box[] = {{10, 10}, {50, 10}, {50, 50}, {10, 50}};
    polygon(canvas, box, 4);
    text_out(canvas, 2, 2, "12");
    test_support::TempFolder dir;
    const std::string png = dir.file("headless_canvas.png");
    EXPECT_TRUE(save_canvas_png(canvas, png));
    EXPECT_TRUE(file_has_png_signature(png));
    stop_platform();
    std::remove(png.c_str());
}
