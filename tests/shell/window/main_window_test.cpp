// The viewer's main window in a user's session: start-up, menu toggles, the About
// box, leaving the program, and the mouse and resize handling.
#include "shell_fixture.h"
#include "viewer/plovane_playback.h"

namespace {

using namespace shell_test;
using MainWindow = ShellSession;

TEST_F(MainWindow, StartsWithTheViewersMarksAndView) {
    EXPECT_EQ(plat::get_window_text(main), "Plovane");
    EXPECT_GE(hl::paint_count(main), 1);
    EXPECT_TRUE(checked(ids::IDM_GRID_LINE) && checked(ids::IDM_AXIS) &&
                checked(ids::IDM_TIME_SERIALS));
    EXPECT_FALSE(checked(ids::IDM_EGO_CENTERED) || checked(ids::IDM_TRAJ_ID));
    const plat::Size client = plat::get_client_size(main);
    EXPECT_EQ(view().centerX, client.width / 2);
    EXPECT_EQ(view().centerY, (client.height - 20) / 2);
    EXPECT_EQ(view().scale, 0.045);
    EXPECT_EQ(view().azimuth, 270);
}

TEST_F(MainWindow, DisplayTogglesFlipTheirFlagAndMarkAndRepaintWithErase) {
    for (const auto& [id, bit] : {std::pair{ids::IDM_GRID_LINE, render::SHOW_GRID},
                                  std::pair{ids::IDM_AXIS, render::SHOW_AXIS},
                                  std::pair{ids::IDM_TRAJ_ID, render::SHOW_TRAJ_ID}}) {
        const bool was_on = checked(id);
        hl::clear_logs();
        menu(id);
        EXPECT_EQ((viewer->view.settings.flags & bit) != 0, !was_on) << id;
        EXPECT_EQ(checked(id), !was_on) << id;
        EXPECT_EQ(invalidations(true), 1) << id;
        menu(id);
        EXPECT_EQ(checked(id), was_on) << id;
    }
    EXPECT_EQ(viewer->view.settings.flags, 7);
}

TEST_F(MainWindow, PlaybackCodesWithoutPlaybackAreIgnored) {
    for (int code = 230; code <= 233; ++code) {
        plat::post_message(main, plat::WM_COMMAND, plat::make_wparam(code, 0));
    }
    run();
    EXPECT_FALSE(quit);
    EXPECT_TRUE(hl::invalidations().empty());
}

TEST_F(MainWindow, AboutBoxIgnoresEscapeAndItsCloseBox) {
    int waits = 0;
    on_dialog([](plat::Hwnd dlg, int) {
        hl::press_escape(dlg);
        hl::click_close_box(dlg);
    });
    when_idle([&] {
        ++waits;
        hl::press_button(hl::find_dialog(ids::IDD_ABOUT), plat::IDOK);
    });
    menu(ids::IDM_ABOUT);
    EXPECT_EQ(waits, 1);  // still open after Escape and the close box
    EXPECT_FALSE(hl::find_dialog(ids::IDD_ABOUT));
}

TEST_F(MainWindow, ExitAndTheCloseBoxEndWithZeroAndFreeTheData) {
    ASSERT_EQ(load_ego(scene(), nav_file()), 1);
    menu(ids::IDM_EXIT);
    EXPECT_TRUE(quit);
    EXPECT_EQ(exit_code, 0);
    EXPECT_EQ(pose_track_loaded(scene().pose), 0);

    TearDown();
    SetUp();
    hl::click_close_box(main);
    run();
    EXPECT_EQ(exit_code, 0);
    EXPECT_FALSE(plat::is_window(main));
}

TEST_F(MainWindow, CloseDuringPlaybackTakesTwoPasses) {
    app().playing = 1;
    hl::click_close_box(main);
    plat::Msg msg;
    ASSERT_TRUE(plat::peek_message(msg));
    plat::dispatch_message(msg);
    EXPECT_EQ(app().playing, 0);  // the first pass only stops playback
    EXPECT_TRUE(plat::is_window(main));
    run();
    EXPECT_EQ(exit_code, 0);
    EXPECT_FALSE(plat::is_window(main));
}

TEST_F(MainWindow, EachButtonDragsWithItsCursorUntilItsOwnRelease) {
    using hl::Button;
    for (const auto& [button, held, cursor] :
         {std::tuple{Button::Middle, plat::MK_MBUTTON, "EW_CUR"},
          std::tuple{Button::Right, plat::MK_RBUTTON, "HAND_CUR"},
          std::tuple{Button::Left, plat::MK_LBUTTON, "MAG_CUR"}}) {
        hl::clear_logs();
        hl::mouse_down(main, button, 100, 200);
        hl::mouse_move(main, 140, 180, held);
        run();
        EXPECT_EQ(hl::current_cursor_name(), cursor);
        hl::mouse_up(main, button == Button::Left ? Button::Right : Button::Left, 0, 0);
        hl::mouse_move(main, 150, 180, held);
        run();
        EXPECT_EQ(invalidations(true), 2) << cursor;  // another button's release: still on
        hl::mouse_up(main, button, 150, 180);
        hl::mouse_move(main, 300, 100);
        run();
        EXPECT_EQ(invalidations(true), 2) << cursor;
    }
    EXPECT_EQ(view().azimuth, 270 + 50);
    EXPECT_EQ(view().elevation, 10);
    EXPECT_EQ(view().centerY, (plat::get_client_size(main).height - 20) / 2 - 20);
    EXPECT_NEAR(view().scale, 0.065, 1e-12);
}

// Repaints of a held scene (a drag, an uncovered window) record nothing new: only a
// paint after the clock moved appends its boxes to the history.
TEST_F(MainWindow, RepaintsOfOneFrameKeepTheHistoryATickAppends) {
    ASSERT_EQ(load_ego(scene(), nav_file()) + load_mov(scene(), traj_file()), 2);
    plat::invalidate(main, false);
    run();
    const int32_t after_first = scene().history.appended;
    ASSERT_EQ(after_first, 3);  // two trajectories and the ego
    for (int i = 0; i < 10; ++i) {
        plat::invalidate(main, i % 2 == 0);
        run();
    }
    hl::mouse_down(main, hl::Button::Middle, 100, 200);
    hl::mouse_move(main, 160, 150, plat::MK_MBUTTON);
    hl::mouse_up(main, hl::Button::Middle, 160, 150);
    run();
    EXPECT_GE(hl::paint_count(main), 12);
    EXPECT_EQ(scene().history.appended, after_first);
    shell::plovane_tick(*viewer);
    plat::invalidate(main, false);
    run();
    EXPECT_EQ(scene().history.appended, 2 * after_first);
}

// A resize puts the origin where start-up puts it for the new size (a tenth of
// the width, as a resize once did, left it off centre for good after a resize to a
// small window and back); zoom and angles stay.
TEST_F(MainWindow, ResizeKeepsZoomAndAnglesAndCentresTheOrigin) {
    const render::ViewState start = view();
    view().scale = 0.3;
    view().azimuth = 12;
    for (const plat::Size size :
         {plat::Size{1000, 700}, plat::Size{200, 120}, plat::get_client_size(main)}) {
        hl::resize_client(main, size);
        run();
        EXPECT_EQ(view().centerX, size.width / 2);
        EXPECT_EQ(view().centerY, (size.height - 20) / 2);
        EXPECT_EQ(view().scale, 0.3);
        EXPECT_EQ(view().azimuth, 12);
    }
    EXPECT_EQ(view().centerX, start.centerX);
    EXPECT_EQ(view().centerY, start.centerY);
}

}  // namespace
