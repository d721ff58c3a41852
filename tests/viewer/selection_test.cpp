// Inspecting a vehicle in a window session: click selection, the Vehicle panel's
// texts, following, Reset View, the keys, the Display items; and the script lines
// and --select of pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/pick.h"
#include "render/scene_painter.h"
#include "shell/frame_control.h"
#include "tests/shell/window/shell_fixture.h"
#include "tests/support/main_run.h"
#include "viewer/plovane_cli.h"
#include "viewer/plovane_playback.h"
#include "viewer/selection.h"
#include "viewer/vehicle_panel.h"

namespace {

using namespace shell_test;

class Inspect : public ShellSession {
  protected:
    // The ego standing at the origin heading along +x... of its own frame: trajectory
    // 7 drives 3.5 m to its side at 5 m/s along +y, 20 m ahead at frame 10; 9 far off.
    void SetUp() override {
        ShellSession::SetUp();
        std::string nav;
        for (int i = 0; i < 40; ++i) nav += std::to_string(1000 + 100 * i) + " 0 0 0 0 0 0\n";
        std::string traj;
        for (const auto& [id, x] : {std::pair{"7", 3.5}, std::pair{"9", 60.0}}) {
            traj += std::string("tno=") + id + "\n";
            for (int f = 10; f < 35; ++f) {
                const double y = 20 + 0.5 * (f - 10);
                char line[200];
                std::snprintf(line, sizeof line, "%d,%d,%.2f,%.2f,4,2,0,1,%.2f,%.2f,0,1,5\n",
                              1000 + 100 * (f - 10), f, x, y, x, y);
                traj += line;
            }
        }
        hl::queue_file_answer(dir.write("ego.nav", nav));
        menu(ids::IDM_LOAD_EGO);
        hl::queue_file_answer(dir.write("scene.traj", traj));
        menu(ids::IDM_LOAD_MOV);
        ASSERT_TRUE(app().frameControl);
        scene().scene_origin = SceneOrigin{0, 0, 0};
        run();
    }
    shell::Plovane& plovane() { return *viewer; }
    plat::Point screen_centre_of(int32_t index) {
        const TrajPoint* s = render::visible_sample_of(scene(), index);
        if (!s) return plat::Point{-1, -1};
        const render::BoxOutline o = render::sample_outline(scene(), viewer->view, *s);
        return render::project_point(viewer->view, o.centre, o.z);
    }
    void click(plat::Point p, int dx = 0) {
        hl::mouse_down(main, hl::Button::Left, p.x, p.y);
        if (dx) hl::mouse_move(main, p.x + dx, p.y, plat::MK_LBUTTON);
        hl::mouse_up(main, hl::Button::Left, p.x + dx, p.y);
        run();
    }
    std::vector<std::string> panel() {
        std::vector<std::string> lines;
        const plat::Hwnd dlg = viewer->vehiclePanel;
        for (int i = 0; dlg && i < ids::kVehicleLines; ++i)
            lines.push_back(plat::get_dlg_item_text(dlg, ids::IDC_VEHICLE_LINE + i));
        return lines;
    }
    int32_t selected() { return viewer->view.inspect.selected; }
};

TEST_F(Inspect, AClickSelectsADragZoomsEmptyGroundClears) {
    const plat::Point box = screen_centre_of(0);
    const double scale = view().scale;
    click(box, 4);  // beyond the click's 3 pixels: a zoom drag only
    EXPECT_EQ(selected(), render::kSelectNone);
    EXPECT_FALSE(viewer->vehiclePanel);
    view().scale = scale;
    click(box, 3);
    EXPECT_EQ(selected(), 0);
    ASSERT_TRUE(viewer->vehiclePanel);
    EXPECT_EQ(panel()[0], "Id: 7");
    menu(ids::IDM_FOLLOW_SELECTED);
    EXPECT_TRUE(checked(ids::IDM_FOLLOW_SELECTED));
    click(plat::Point{5, 5});
    EXPECT_EQ(selected(), render::kSelectNone);
    EXPECT_FALSE(viewer->vehiclePanel);
    EXPECT_FALSE(checked(ids::IDM_FOLLOW_SELECTED));  // nothing left to follow
    menu(ids::IDM_FOLLOW_SELECTED);
    EXPECT_FALSE(checked(ids::IDM_FOLLOW_SELECTED));
}

// The wheel zooms about the pointer: the box under it stays there, so a click
// after zooming still picks it; turned back, the view is as before.
TEST_F(Inspect, TheWheelZoomsAboutThePointer) {
    const plat::Point box = screen_centre_of(0);
    const render::ViewState before = view();
    hl::mouse_wheel(main, 3 * plat::kWheelNotch, box.x, box.y);
    run();
    EXPECT_NEAR(view().scale, before.scale * 1.25 * 1.25 * 1.25, 1e-12);
    const plat::Point after = screen_centre_of(0);
    EXPECT_NEAR(after.x, box.x, 1);
    EXPECT_NEAR(after.y, box.y, 1);
    click(after);
    EXPECT_EQ(selected(), 0);
    hl::mouse_wheel(main, -3 * plat::kWheelNotch, box.x, box.y);
    run();
    EXPECT_NEAR(view().scale, before.scale, 1e-12);
    EXPECT_NEAR(view().centerX, before.centerX, 1);
    EXPECT_NEAR(view().centerY, before.centerY, 1);
}

TEST_F(Inspect, PanelTextsOfAHandMadeScene) {
    shell::select_box(plovane(), 0);
    run();
    const TrajStore& st = scene().store;
    const std::string when = "Time: " + shell::frame_time_text(st.current_time) + "frame " +
                             std::to_string(st.current_frame);
    const double lon = 20 + 0.5 * (st.current_frame - 10);
    char ego_frame[80], gap[80];
    std::snprintf(ego_frame, sizeof ego_frame, "Ego frame: lat 3.50 m, lon %.2f m", lon);
    std::snprintf(gap, sizeof gap, "Gap: %.2f m ahead", lon - 2 - render::kEgoBody[0].y);
    EXPECT_EQ(panel(),
              (std::vector<std::string>{"Id: 7", "Role: none", "Size: 4.00 x 2.00 m",
                                        "Speed: 5.00 m/s (raw 5.00)", "Heading: 90.0 deg (world)",
                                        ego_frame, gap, when, "Frames: 10 .. 34, 25 samples"}));
    // Past its last frame: not visible, the rest stays.
    shell::jump_to_frame(*viewer, 40);
    run();
    EXPECT_EQ(panel()[2], "not visible at this frame");
    EXPECT_EQ(panel()[4], "Frames: 10 .. 34, 25 samples");
    // The ego (key E).
    hl::key_press(main, 'E');
    run();
    EXPECT_EQ(panel()[0], "Id: ego");
    // The close box closes the panel and keeps the selection.
    hl::click_close_box(viewer->vehiclePanel);
    run();
    EXPECT_FALSE(viewer->vehiclePanel);
    EXPECT_EQ(selected(), render::kSelectEgo);
}

TEST_F(Inspect, GapAlongTheEgosHeading) {
    const double front = render::kEgoBody[0].y, rear = render::kEgoBody[1].y;
    const struct {
        double lon, hx, hy, length, width, gap;
    } cases[] = {
        {20, 0, 1, 4, 2, 20 - 2 - front},   // ahead, same heading
        {-10, 0, 1, 4, 2, -10 + 2 - rear},  // behind
        {10, 1, 0, 4, 2, 10 - 1 - front},   // across: half its width counts
        {1, 0, 1, 4, 2, 0},                 // alongside
    };
    for (const auto& c : cases)
        EXPECT_NEAR(shell::bumper_gap(c.lon, c.hx, c.hy, c.length, c.width), c.gap, 1e-12) << c.lon;
}

TEST_F(Inspect, FollowKeepsTheBoxInTheMiddleThroughTicksAndAJump) {
    shell::select_box(plovane(), 0);
    hl::key_press(main, 'F');
    run();
    ASSERT_TRUE(viewer->view.inspect.follow);
    const plat::Size client = plat::get_client_size(main);
    const plat::Point middle{client.width / 2, (client.height - 20) / 2};
    for (int tick = 0; tick < 3; ++tick) {
        shell::plovane_tick(*viewer);
        plat::invalidate(main, false);
        run();
        EXPECT_NEAR(screen_centre_of(0).x, middle.x, 1);
        EXPECT_NEAR(screen_centre_of(0).y, middle.y, 1);
    }
    shell::jump_to_frame(*viewer, 30);
    run();
    EXPECT_EQ(scene().store.current_frame, 30);
    EXPECT_NEAR(screen_centre_of(0).x, middle.x, 1);
    EXPECT_NEAR(screen_centre_of(0).y, middle.y, 1);
    // Reset View: the start-up view, following off.
    view().elevation = 30;
    hl::key_press(main, 'R');
    run();
    EXPECT_FALSE(viewer->view.inspect.follow);
    EXPECT_EQ(view().elevation, 0);
    EXPECT_EQ(view().centerX, middle.x);
    EXPECT_EQ(view().centerY, middle.y);
}

TEST_F(Inspect, DisplayItemsFlipTheirSwitchesAndMarks) {
    const struct {
        int id;
        bool render::Inspection::*flag;
    } items[] = {{ids::IDM_TIME_FROM_NOW, &render::Inspection::time_from_now},
                 {ids::IDM_SHOW_RAW, &render::Inspection::show_raw}};
    for (const auto& item : items) {
        EXPECT_FALSE(checked(item.id));
        menu(item.id);
        EXPECT_TRUE(viewer->view.inspect.*item.flag);
        EXPECT_TRUE(checked(item.id));
        menu(item.id);
        EXPECT_FALSE(viewer->view.inspect.*item.flag);
    }
}

// The Frame # box: a number typed there gives way to the clock's frame when the
// box loses the focus.
TEST_F(Inspect, FrameNumberTypedGivesWayWhenTheBoxLosesTheFocus) {
    const plat::Hwnd dlg = app().frameControl;
    plat::set_dlg_item_text(dlg, ids::IDC_FRAME_NO, "77");
    plat::send_message(dlg, plat::WM_COMMAND, shell::FCM_REFRESH);
    EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRAME_NO), "77");  // outlives a refresh
    plat::send_message(dlg, plat::WM_COMMAND,
                       plat::make_wparam(ids::IDC_FRAME_NO, plat::EN_KILLFOCUS));
    EXPECT_EQ(plat::get_dlg_item_text(dlg, ids::IDC_FRAME_NO),
              std::to_string(scene().store.current_frame));
}

// Script lines over the example scene.
TEST(InspectScript, ClickSelectKeysAndTheDump) {
    test_support::TempFolder dir;
    test_support::CurrentFolder here{dir.path()};
    const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples/";
    const std::string script = dir.write("s.script",
                                         "dump\nselect 109\nkey F\ndump\nselect ego\ndump\n"
                                         "command 73\nselect none\ndump\nclick 480 310\ndump\n");
    const test_support::MainRun run = test_support::run_main(
        plovane_cli_main, "plovane",
        {"--ego", examples + "scene.nav", "--traj", examples + "scene.traj", "--script", script});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> tails;
    for (std::size_t start = 0, nl; (nl = run.out.find('\n', start)) != std::string::npos;
         start = nl + 1) {
        const std::string line = run.out.substr(start, nl - start);
        const std::size_t from = line.find(" selected="), to = line.find(" lead=");
        tails.push_back(line.substr(from, to - from));
    }
    ASSERT_EQ(tails.size(), 5u);
    EXPECT_EQ(tails[0], " selected=-1 follow=0 raw=0");
    EXPECT_EQ(tails[1], " selected=109 follow=1 raw=0");
    EXPECT_EQ(tails[2], " selected=-2 follow=1 raw=0");
    EXPECT_EQ(tails[3], " selected=-1 follow=0 raw=1");
    // Followed last, the ego stands in the middle: a click there picks it.
    EXPECT_EQ(tails[4], " selected=-2 follow=0 raw=1");
    const test_support::MainRun bad = test_support::run_main(
        plovane_cli_main, "plovane", {"--script", dir.write("bad.script", "click 3\n")});
    EXPECT_EQ(bad.status, 2);
    for (const char* wheel : {"wheel 1 3\n", "wheel 1 3 4 5\n", "wheel 300 0 0\n", "wheel x 1 2\n"})
        EXPECT_EQ(test_support::run_main(plovane_cli_main, "plovane",
                                         {"--script", dir.write("bad.script", wheel)})
                      .status,
                  2)
            << wheel;
    EXPECT_EQ(test_support::run_main(plovane_cli_main, "plovane",
                                     {"--script", dir.write("ok.script", "wheel -2 10 20\n")})
                  .status,
              0);
}

}  // namespace

namespace {

// The menus' shortcuts run their commands, in playback too, and leave the playback
// keys alone.
TEST_F(Inspect, ShortcutsRunTheirCommandsAndSpareThePlaybackKeys) {
    EXPECT_EQ(plat::get_window_text(main), "Plovane \u2014 scene.traj");
    int about = 0;
    on_dialog([&about](plat::Hwnd dlg, int id) {
        about += id == ids::IDD_ABOUT;
        hl::press_button(dlg, plat::IDCANCEL);
        hl::press_button(dlg, plat::IDOK);
    });
    // The program's own loop, which offers each message to the accelerators.
    int code = 0;
    hl::key_press(main, plat::VK_F1);
    ASSERT_TRUE(shell::DispatchPending(*viewer, code));
    EXPECT_EQ(about, 1);
    const int32_t frame = scene().store.current_frame;
    hl::key_press(main, plat::VK_RIGHT);
    ASSERT_TRUE(shell::DispatchPending(*viewer, code));
    EXPECT_EQ(scene().store.current_frame, frame + 1);
    hl::set_key_down(plat::VK_CONTROL, true);
    hl::key_press(main, 'Q');
    hl::set_key_down(plat::VK_CONTROL, false);
    EXPECT_FALSE(shell::DispatchPending(*viewer, code));  // Exit: the window closed
}

}  // namespace
