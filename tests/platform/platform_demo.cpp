// A small program on the platform layer for trying a back end by hand: the viewer's
// menu and dialogs, a grid that the three drags turn, pan and zoom, the frame
// control panel with its button images, file dialogs and message boxes.
//
//   platform_demo [--backend qt|headless]
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"

using namespace plat;
namespace ids = resources;

namespace {

struct Demo {
    Hwnd window;
    Hwnd frame_control;
    int angle = 0;                   // degrees, middle drag
    int offset_x = 0, offset_y = 0;  // pixels, right drag
    double scale = 1.0;              // left drag
    int drag = 0;                    // button held: 1 left, 2 right, 3 middle
    Point start;
    int saved_angle = 0, saved_x = 0, saved_y = 0;
    double saved_scale = 1.0;
    Hcursor cursors[3];
    std::string status = "ready";
    bool running = false;
} g;

Point project(double x, double y) {
    const Size s = get_client_size(g.window);
    const double a = g.angle * 3.14159265358979 / 180.0;
    const double u = (x * std::cos(a) - y * std::sin(a)) * g.scale;
    const double v = (x * std::sin(a) + y * std::cos(a)) * g.scale;
    return Point{s.width / 2 + g.offset_x + static_cast<int>(u),
                 s.height / 2 + g.offset_y - static_cast<int>(v)};
}

void paint(Hwnd h) {
    PaintStruct ps;
    const Dc dc = begin_paint(h, ps);
    const Size size = get_client_size(h);
    const Dc mem = create_compatible_dc(dc);
    const Bitmap bmp = create_compatible_bitmap(dc, size.width, size.height);
    const Bitmap old_bmp = select_object(mem, bmp);
    fill_rect(mem, Rect{0, 0, size.width, size.height}, stock_brush(StockBrush::Black));
    const Pen grid = create_pen(PenStyle::Dot, 1, rgb(0, 0, 255));
    const Pen axis = create_pen(PenStyle::Solid, 2, rgb(128, 128, 128));
    const Pen green = create_pen(PenStyle::Solid, 2, rgb(0, 255, 0));
    const Pen magenta = create_pen(PenStyle::Solid, 2, rgb(255, 0, 255));
    const Brush yellow = create_solid_brush(rgb(255, 255, 0));
    set_bk_mode(mem, BkMode::Transparent);
    const Pen old_pen = select_object(mem, grid);
    if (menu_item_checked(get_menu(h), ids::IDM_GRID_LINE) == 1) {
        for (int b = -300; b <= 300; b += 20) {
            const Point a1 = project(-300, b), a2 = project(300, b);
            move_to(mem, a1.x, a1.y);
            line_to(mem, a2.x, a2.y);
            const Point b1 = project(b, -300), b2 = project(b, 300);
            move_to(mem, b1.x, b1.y);
            line_to(mem, b2.x, b2.y);
        }
    }
    if (menu_item_checked(get_menu(h), ids::IDM_AXIS) == 1) {
        select_object(mem, axis);
        set_text_color(mem, rgb(128, 128, 128));
        for (int i = -300; i <= 300; i += 100) {
            const Point p = project(i, 0);
            char label[32];
            std::snprintf(label, sizeof label, i == 300 ? "%d(m)" : "%d", i / 10);
            text_out(mem, p.x - 10 * static_cast<int>(std::strlen(label)), p.y + 5, label);
        }
        const Point x1 = project(-300, 0), x2 = project(300, 0);
        move_to(mem, x1.x, x1.y);
        line_to(mem, x2.x, x2.y);
        const Point y1 = project(0, -300), y2 = project(0, 300);
        move_to(mem, y1.x, y1.y);
        line_to(mem, y2.x, y2.y);
    }
    const Brush old_brush = select_object(mem, stock_brush(StockBrush::Black));
    const Pen pens[] = {green, magenta};
    for (int k = 0; k < 2; ++k) {
        select_object(mem, pens[k]);
        const double cx = k == 0 ? -60 : 70, cy = k == 0 ? 40 : -30;
        const Point box[] = {project(cx - 9, cy + 22), project(cx + 9, cy + 22),
                             project(cx + 9, cy - 22), project(cx - 9, cy - 22)};
        polygon(mem, box, 4);
        if (menu_item_checked(get_menu(h), ids::IDM_TRAJ_ID) == 1) {
            set_text_color(mem, rgb(255, 255, 255));
            text_out(mem, box[2].x, box[2].y, k == 0 ? "12" : "31");
        }
    }
    select_object(mem, stock_pen(StockPen::Black));
    select_object(mem, yellow);
    const Point ego[] = {project(-9, 22), project(9, 22), project(9, -22), project(-9, -22)};
    polygon(mem, ego, 4);
    const Point c = project(0, 0);
    ellipse(mem, c.x - 4, c.y - 4, c.x + 4, c.y + 4);
    set_text_color(mem, rgb(200, 200, 200));
    text_out(mem, 8, size.height - 22, g.status);
    bit_blt(dc, 0, 0, size.width, size.height, mem, 0, 0);
    select_object(mem, old_pen);
    select_object(mem, old_brush);
    select_object(mem, old_bmp);
    for (Pen p : {grid, axis, green, magenta}) delete_object(p);
    delete_object(yellow);
    delete_object(bmp);
    delete_dc(mem);
    end_paint(h, ps);
}

bool about_proc(Hwnd dlg, unsigned m, WPARAM w, LPARAM) {
    if (m == WM_COMMAND && loword(w) == IDOK) return end_dialog(dlg, 1);
    return m == WM_INITDIALOG;
}

bool settings_proc(Hwnd dlg, unsigned m, WPARAM w, LPARAM) {
    if (m == WM_INITDIALOG) {
        const char* values[] = {"30000", "2000", "1.50", "5.00", "1", "20", "0"};
        for (int i = 0; i < 7; ++i) set_dlg_item_text(dlg, ids::IDC_MAX_RANGE_X + i, values[i]);
        return true;
    }
    if (m == WM_COMMAND && loword(w) == IDOK) {
        g.status = "Max Range X = " + get_dlg_item_text(dlg, ids::IDC_MAX_RANGE_X, 31);
        invalidate(g.window, false);
        return end_dialog(dlg, 1);
    }
    if (m == WM_COMMAND && loword(w) == IDCANCEL) return end_dialog(dlg, 2);
    return m == WM_CLOSE ? end_dialog(dlg, 2) : false;
}

bool colours_proc(Hwnd dlg, unsigned m, WPARAM w, LPARAM) {
    if (m == WM_INITDIALOG) {
        for (int id : {ids::IDC_FRONT_ID, ids::IDC_LEAD_ID, ids::IDC_LAG_ID, ids::IDC_REAR_ID})
            set_dlg_item_text(dlg, id, "-1");
        set_dlg_item_text(dlg, ids::IDC_FRONT_COL, "255,0,0");
        set_dlg_item_text(dlg, ids::IDC_LEAD_COL, "0,255,0");
        set_dlg_item_text(dlg, ids::IDC_LAG_COL, "0,0,255");
        set_dlg_item_text(dlg, ids::IDC_REAR_COL, "255,0,255");
        set_dlg_item_text(dlg, ids::IDC_EGO_COL, "255,255,0");
        set_dlg_item_text(dlg, ids::IDC_SPEED_MIN, "5.00");
        set_dlg_item_text(dlg, ids::IDC_SPEED_MAX, "30.00");
        check_dlg_button(dlg, ids::IDC_TRAJ_COL_ON, true);
        return true;
    }
    if (m == WM_COMMAND && (loword(w) == IDOK || loword(w) == IDCANCEL))
        return end_dialog(dlg, loword(w));
    return false;
}

void show_images(Hwnd dlg, bool running) {
    set_button_image(dlg, ids::IDC_STEP, load_bitmap(ids::BMP_ONESTEP));
    set_button_image(dlg, ids::IDC_START, load_bitmap(running ? ids::BMP_PAUSE : ids::BMP_START));
    set_button_image(dlg, ids::IDC_STOP, load_bitmap(ids::BMP_STOP));
    set_button_image(dlg, ids::IDC_JUMP, load_bitmap(running ? ids::BMP_JUMP_GREY : ids::BMP_JUMP));
}

constexpr unsigned kStopCode = 230;

// A polling playback loop nested in the Start button's handler, as the viewers run
// theirs: it takes every message of the thread, turns the view one degree per tick,
// asks for a repaint and sleeps 10 ms. Stop (or closing the window) ends it; the
// ticks per second go to standard error.
void run_playback(Hwnd dlg) {
    g.running = true;
    show_images(dlg, true);
    const auto start = tick_ms();
    int ticks = 0;
    while (g.running) {
        Msg msg;
        while (peek_message(msg)) {
            if (msg.message == WM_QUIT) {
                post_quit_message(static_cast<int>(msg.wparam));
                g.running = false;
                break;
            }
            if (msg.message == WM_COMMAND && loword(msg.wparam) == kStopCode) {
                g.running = false;
                break;
            }
            translate_message(msg);
            dispatch_message(msg);
            if (msg.message == WM_CLOSE) g.running = false;
        }
        if (!g.running || !is_window(g.window)) break;
        g.angle = (g.angle + 1) % 360;
        ++ticks;
        invalidate(g.window, false);
        sleep_ms(10);
    }
    g.running = false;
    const auto ms = tick_ms() - start;
    std::fprintf(stderr, "playback: %d ticks in %llu ms, %.1f ticks/s\n", ticks,
                 static_cast<unsigned long long>(ms),
                 ms ? ticks * 1000.0 / static_cast<double>(ms) : 0.0);
    if (is_window(dlg)) show_images(dlg, false);
}

bool frame_control_proc(Hwnd dlg, unsigned m, WPARAM w, LPARAM) {
    if (m == WM_INITDIALOG) {
        set_dlg_item_text(dlg, ids::IDC_FRAME_NO, "0");
        set_dlg_item_text(dlg, ids::IDC_ELAPSED, "0");
        set_dlg_item_text(dlg, ids::IDC_TIME, "01:00:00:000 ");
        show_images(dlg, false);
        return true;
    }
    if (m == WM_COMMAND && loword(w) == ids::IDC_START) {
        if (!g.running) run_playback(dlg);
        return true;
    }
    if (m == WM_COMMAND && loword(w) == ids::IDC_STOP) {
        if (g.running) post_message(g.window, WM_COMMAND, kStopCode);
        show_images(dlg, false);
        return true;
    }
    return m == WM_CLOSE;  // only its owner closes it
}

void open_file(int cmd) {
    FileDialogOptions o;
    if (cmd == ids::IDM_LOAD_MOV) {
        o.title = "Load TRAJ File";
        o.filters = {{"TRAJ data file(*.traj)", "*.traj*"}, {"All files(*.*)", "*.*"}};
    } else {
        o.title = cmd == ids::IDM_LOAD_EGO ? "Load Vehile Pose" : "Load Origin Points";
        o.filters = {{"Vehile Pose(*.nav)", "*.nav"}, {"Vehile Pose(*.pos)", "*.pos"}};
    }
    const auto path = open_file_dialog(g.window, o);
    message_box(g.window, path ? "Chosen: " + *path : std::string("Cancelled"), o.title);
}

void toggle(int id) {
    const Hmenu m = get_menu(g.window);
    check_menu_item(m, id, menu_item_checked(m, id) == 0);
    invalidate(g.window, true);
}

void start_drag(int which, LPARAM l) {
    g.drag = which;
    g.start = Point{get_x_lparam(l), get_y_lparam(l)};
    g.saved_angle = g.angle;
    g.saved_x = g.offset_x;
    g.saved_y = g.offset_y;
    g.saved_scale = g.scale;
    set_cursor(g.cursors[which - 1]);
}

void drag_to(LPARAM l) {
    if (g.drag == 0) return;
    const int dx = get_x_lparam(l) - g.start.x, dy = get_y_lparam(l) - g.start.y;
    set_cursor(g.cursors[g.drag - 1]);
    if (g.drag == 3) g.angle = ((g.saved_angle + dx) % 360 + 360) % 360;
    if (g.drag == 2) {
        g.offset_x = g.saved_x + dx;
        g.offset_y = g.saved_y + dy;
    }
    if (g.drag == 1) g.scale = std::max(0.05, g.saved_scale - dy * 0.01);
    char text[96];
    std::snprintf(text, sizeof text, "angle %d, offset %d %d, scale %.2f", g.angle, g.offset_x,
                  g.offset_y, g.scale);
    g.status = text;
    invalidate(g.window, true);
}

LRESULT main_proc(Hwnd h, unsigned m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_PAINT:
            paint(h);
            return 0;
        case WM_LBUTTONDOWN:
            start_drag(1, l);
            return 0;
        case WM_RBUTTONDOWN:
            start_drag(2, l);
            return 0;
        case WM_MBUTTONDOWN:
            start_drag(3, l);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            g.drag = 0;
            return 0;
        case WM_MOUSEMOVE:
            drag_to(l);
            return 0;
        case WM_KEYDOWN: {
            char text[64];
            std::snprintf(text, sizeof text, "key %d%s", static_cast<int>(w),
                          shift_down() ? " with Shift" : "");
            g.status = text;
            invalidate(h, false);
            return 0;
        }
        case WM_COMMAND:
            switch (loword(w)) {
                case ids::IDM_LOAD_EGO:
                case ids::IDM_LOAD_MOV:
                case ids::IDM_LOAD_ORG:
                    open_file(static_cast<int>(loword(w)));
                    return 0;
                case ids::IDM_ABOUT:
                    dialog_box(ids::IDD_ABOUT, h, about_proc);
                    return 0;
                case ids::IDM_EXIT:
                    post_message(h, WM_CLOSE);
                    return 0;
                case ids::IDM_DISPLAY_SETTING:
                    dialog_box(ids::IDD_DISPLAY_SETTING, h, settings_proc);
                    return 0;
                case ids::IDM_SET_TRAJ_COL:
                    dialog_box(ids::IDD_TRAJ_COLOR, h, colours_proc);
                    return 0;
                case ids::IDM_GRID_LINE:
                case ids::IDM_AXIS:
                case ids::IDM_TIME_SERIALS:
                case ids::IDM_EGO_CENTERED:
                case ids::IDM_TRAJ_ID:
                    toggle(static_cast<int>(loword(w)));
                    return 0;
                default:
                    return 0;
            }
        case WM_DESTROY:
            post_quit_message(0);
            return 0;
        default:
            return def_window_proc(h, m, w, l);
    }
}

}  // namespace

int main(int argc, char** argv) {
    StartOptions options;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--backend") == 0) options.backend = argv[i + 1];
    qt::register_backend();
    use_resources(&resources::plovane());
    if (!start_platform(options, argc, argv)) return 1;
    WindowClass cls;
    cls.name = "PlovaneClass";
    cls.proc = main_proc;
    cls.icon_id = ids::IDI_APP;
    cls.menu_id = ids::IDR_MAIN_MENU;
    if (!register_class(cls)) return 1;
    g.window = create_window("PlovaneClass", "Plovane", 960, 640);
    if (!g.window) return 1;
    for (int id : {ids::IDM_GRID_LINE, ids::IDM_AXIS, ids::IDM_TIME_SERIALS})
        check_menu_item(get_menu(g.window), id, true);
    g.cursors[0] = load_cursor(ids::CUR_ZOOM);
    g.cursors[1] = load_cursor(ids::CUR_HAND);
    g.cursors[2] = load_cursor(ids::CUR_ROTATE);
    show_window(g.window, true);
    update_window(g.window);
    g.frame_control = create_dialog(ids::IDD_FRAME_CONTROL, g.window, frame_control_proc);
    show_window(g.frame_control, true);
    Msg msg;
    while (get_message(msg)) {
        translate_message(msg);
        dispatch_message(msg);
    }
    stop_platform();
    return static_cast<int>(msg.wparam);
}
