// The viewer's main window in a user's session: start-up, menu toggles, the About
// box, leaving the program, and navigating the view with the mouse.
#include <gtest/gtest.h>

#include "shell_fixture.h"

namespace {

using plat::headless::Button;
using shell_test::ShellSession;
namespace ids = resources;

using MainWindow = ShellSession;

TEST_F(MainWindow, StartsAsTheViewerWithItsDefaults) {
    EXPECT_EQ(plat::get_window_text(main), "Plovane");
    EXPECT_TRUE(plat::is_window_visible(main));
    EXPECT_GE(plat::headless::paint_count(main), 1);
    EXPECT_FALSE(shell::app_state().frameControl);
    EXPECT_FALSE(shell::app_state().accelTable);

    // Check marks: grid, axis, time series on; ego-centred and trajectory ids off.
    EXPECT_TRUE(checked(ids::IDM_GRID_LINE));
    EXPECT_TRUE(checked(ids::IDM_AXIS));
    EXPECT_TRUE(checked(ids::IDM_TIME_SERIALS));
    EXPECT_FALSE(checked(ids::IDM_EGO_CENTERED));
    EXPECT_FALSE(checked(ids::IDM_TRAJ_ID));
    EXPECT_EQ(render::GetDisplaySettings().flags, 7);
    EXPECT_EQ(render::ego_centered(), 0);

    const plat::Size client = plat::get_client_size(main);
    EXPECT_EQ(view().centerX, client.width / 2);
    EXPECT_EQ(view().centerY, (client.height - 20) / 2);
    EXPECT_EQ(view().scale, 0.045);
    EXPECT_EQ(view().azimuth, 270);
    EXPECT_EQ(view().elevation, 0);
}

TEST_F(MainWindow, DisplayTogglesFlipTheirFlagAndMark) {
    struct Toggle {
        int id;
        int bit;
        bool on_at_start;
    };
    for (const Toggle t : {Toggle{ids::IDM_GRID_LINE, render::SHOW_GRID, true},
                           Toggle{ids::IDM_AXIS, render::SHOW_AXIS, true},
                           Toggle{ids::IDM_TRAJ_ID, render::SHOW_TRAJ_ID, false}}) {
        plat::headless::clear_logs();
        menu(t.id);
        EXPECT_EQ((render::GetDisplaySettings().flags & t.bit) != 0, !t.on_at_start) << t.id;
        EXPECT_EQ(checked(t.id), !t.on_at_start) << t.id;
        EXPECT_EQ(invalidations(true), 1) << t.id;
        menu(t.id);
        EXPECT_EQ((render::GetDisplaySettings().flags & t.bit) != 0, t.on_at_start) << t.id;
        EXPECT_EQ(checked(t.id), t.on_at_start) << t.id;
    }
    EXPECT_EQ(render::GetDisplaySettings().flags, 7);
}

TEST_F(MainWindow, PlaybackCodesWithoutPlaybackAreIgnored) {
    const render::ViewState before = view();
    for (int code = 230; code <= 233; ++code) {
        plat::post_message(main, plat::WM_COMMAND, plat::make_wparam(code, 0));
    }
    run();
    EXPECT_TRUE(plat::is_window(main));
    EXPECT_FALSE(quit);
    EXPECT_TRUE(plat::headless::invalidations().empty());
    EXPECT_EQ(view().azimuth, before.azimuth);
    EXPECT_EQ(shell::app_state().playing, 0);
}

TEST_F(MainWindow, AboutBoxClosesOnlyWithOk) {
    int escapes_tried = 0;
    on_dialog([](plat::Hwnd dlg, int id) {
        EXPECT_EQ(id, ids::IDD_ABOUT);
        plat::headless::press_escape(dlg);
        plat::headless::click_close_box(dlg);
    });
    when_idle([&] {
        // Escape and the close box were taken; the box is still there.
        const plat::Hwnd dlg = plat::headless::find_dialog(ids::IDD_ABOUT);
        ASSERT_TRUE(dlg);
        ++escapes_tried;
        plat::headless::press_button(dlg, plat::IDOK);
    });
    menu(ids::IDM_ABOUT);
    EXPECT_EQ(escapes_tried, 1);
    EXPECT_FALSE(plat::headless::find_dialog(ids::IDD_ABOUT));
    EXPECT_EQ(plat::headless::stalls(), 0);
    EXPECT_TRUE(plat::is_window(main));
}

TEST_F(MainWindow, ExitEndsTheProgramWithZeroAndFreesTheData) {
    ASSERT_EQ(load_ego(shell_test::nav_file()), 1);
    menu(ids::IDM_EXIT);
    EXPECT_TRUE(quit);
    EXPECT_EQ(exit_code, 0);
    EXPECT_FALSE(plat::is_window(main));
    EXPECT_EQ(pose_track_loaded(), 0);
}

TEST_F(MainWindow, CloseBoxEndsTheProgramWithZero) {
    plat::headless::click_close_box(main);
    run();
    EXPECT_TRUE(quit);
    EXPECT_EQ(exit_code, 0);
    EXPECT_FALSE(plat::is_window(main));
}

TEST_F(MainWindow, CloseDuringPlaybackTakesTwoPasses) {
    shell::app_state().playing = 1;
    plat::headless::click_close_box(main);
    plat::Msg msg;
    ASSERT_TRUE(plat::peek_message(msg));
    ASSERT_EQ(msg.message, plat::WM_CLOSE);
    plat::dispatch_message(msg);
    // The first pass only stops playback and asks again.
    EXPECT_EQ(shell::app_state().playing, 0);
    EXPECT_TRUE(plat::is_window(main));
    run();
    EXPECT_TRUE(quit);
    EXPECT_EQ(exit_code, 0);
    EXPECT_FALSE(plat::is_window(main));
}

TEST_F(MainWindow, MiddleDragRotatesWithItsCursorAndRepaints) {
    plat::headless::mouse_down(main, Button::Middle, 100, 200);
    plat::headless::mouse_move(main, 200, 180, plat::MK_MBUTTON);
    run();
    EXPECT_EQ(view().azimuth, 10);
    EXPECT_EQ(view().elevation, 10);
    EXPECT_EQ(plat::headless::current_cursor_name(), "EW_CUR");
    EXPECT_GE(invalidations(true), 1);
    plat::headless::mouse_up(main, Button::Middle, 200, 180);
    plat::headless::mouse_move(main, 300, 100);
    run();
    EXPECT_EQ(view().azimuth, 10);  // the drag ended with its button
}

TEST_F(MainWindow, RightDragPansAndLeftDragZooms) {
    const int cx = view().centerX, cy = view().centerY;
    plat::headless::mouse_down(main, Button::Right, 50, 50);
    plat::headless::mouse_move(main, 80, 40, plat::MK_RBUTTON);
    run();
    EXPECT_EQ(plat::headless::current_cursor_name(), "HAND_CUR");
    EXPECT_EQ(view().centerX, cx + 30);
    EXPECT_EQ(view().centerY, cy - 10);
    plat::headless::mouse_up(main, Button::Right, 80, 40);

    plat::headless::mouse_down(main, Button::Left, 0, 300);
    plat::headless::mouse_move(main, 0, 5000, plat::MK_LBUTTON);
    run();
    EXPECT_EQ(plat::headless::current_cursor_name(), "MAG_CUR");
    EXPECT_EQ(view().scale, render::kMinScale);
    plat::headless::mouse_up(main, Button::Left, 0, 5000);
}

TEST_F(MainWindow, AnotherButtonsReleaseLeavesADragActive) {
    plat::headless::mouse_down(main, Button::Middle, 0, 0);
    plat::headless::mouse_up(main, Button::Right, 0, 0);
    plat::headless::mouse_up(main, Button::Left, 0, 0);
    plat::headless::mouse_move(main, 30, 0, plat::MK_MBUTTON);
    run();
    EXPECT_EQ(view().azimuth, 300);
}

TEST_F(MainWindow, ResizeMovesTheOriginOnly) {
    view().scale = 0.3;
    view().azimuth = 12;
    plat::headless::resize_client(main, {1000, 700});
    run();
    EXPECT_EQ(view().centerX, 100);
    EXPECT_EQ(view().centerY, 350);
    EXPECT_EQ(view().scale, 0.3);
    EXPECT_EQ(view().azimuth, 12);
}

}  // namespace
