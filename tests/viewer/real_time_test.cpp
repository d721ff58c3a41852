// Real-time pacing: the Display menu's "Real Time", the speed keys and the sleeps
// of playback, on the virtual clock of the headless back end.
#include <vector>

#include "shell/frame_control.h"
#include "tests/shell/window/shell_fixture.h"
#include "viewer/plovane_playback.h"

namespace {

using namespace shell_test;

class RealTime : public ShellSession {
  protected:
    void SetUp() override {
        ShellSession::SetUp();
        hl::queue_file_answer(nav_file());
        menu(ids::IDM_LOAD_EGO);
        hl::queue_file_answer(traj_file());  // frames 10 .. 34, 100 ms apart
        menu(ids::IDM_LOAD_MOV);
        ASSERT_TRUE(app().frameControl);
    }
    // Plays `ticks` ticks and returns the sleeps that followed them.
    std::vector<unsigned> play(int ticks) {
        std::vector<unsigned> sleeps;
        hl::set_sleep_hook([&](unsigned ms) {
            sleeps.push_back(ms);
            if (static_cast<int>(sleeps.size()) == ticks)
                hl::press_button(app().frameControl, ids::IDC_STOP);
        });
        hl::press_button(app().frameControl, ids::IDC_START);
        run();
        hl::set_sleep_hook(nullptr);
        sleeps.pop_back();  // the sleep that ends playback
        return sleeps;
    }
    std::string title() { return plat::get_window_text(main); }
};

}  // namespace

// The title names the loaded TRAJ file, then the speed while real time is on.
TEST_F(RealTime, MenuItemTitleAndSpeedKeys) {
    EXPECT_FALSE(checked(ids::IDM_REAL_TIME));
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj");
    hl::key_press(main, plat::VK_UP);  // the speed changes, the title shows it only when on
    run();
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj");
    menu(ids::IDM_REAL_TIME);
    EXPECT_TRUE(checked(ids::IDM_REAL_TIME));
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj \u2014 2\u00d7");
    for (int i = 0; i < 6; ++i) hl::key_press(main, plat::VK_UP);
    run();
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj \u2014 16\u00d7");
    for (int i = 0; i < 12; ++i) hl::key_press(main, plat::VK_DOWN);
    run();
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj \u2014 1/16\u00d7");
    menu(ids::IDM_REAL_TIME);
    EXPECT_EQ(title(), "Plovane \u2014 scene.traj");
}

TEST_F(RealTime, TicksSleepTheRecordedTimeOverTheSpeed) {
    EXPECT_EQ(play(3), (std::vector<unsigned>{10, 10, 10}));  // off: the plain tick
    menu(ids::IDM_REAL_TIME);
    EXPECT_EQ(play(3), (std::vector<unsigned>{100, 100, 100}));  // 100 ms a frame
    hl::key_press(main, plat::VK_UP);
    run();
    EXPECT_EQ(play(2), (std::vector<unsigned>{50, 50}));
    // At the end of the data the clock goes back: that tick sleeps nothing.
    hl::key_press(main, plat::VK_DOWN);
    run();
    const std::vector<unsigned> to_the_end = play(30);
    EXPECT_EQ(std::count(to_the_end.begin(), to_the_end.end(), 0u), 1);
}
