// The viewer's window on the Qt back end under the offscreen platform: opened with
// the bundled example loaded, a few commands and drags, a paint, Exit, exit code 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_shell.h"

namespace {

void post_command(plat::Hwnd hwnd, int id) {
    plat::post_message(hwnd, plat::WM_COMMAND, plat::make_wparam(id, 0));
}

// Handles everything queued and the paints that follow, as the loop would.
void drain() {
    plat::Msg msg;
    while (plat::peek_message(msg)) {
        ASSERT_NE(msg.message, plat::WM_QUIT);
        plat::translate_message(msg);
        plat::dispatch_message(msg);
    }
}

TEST(PlovaneOnQt, OpensLoadsPaintsAndExitsWithZero) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples";
    ASSERT_EQ(chdir(examples.c_str()), 0);  // trajcolset.ini is read from here
    static int argc = 1;
    static char name[] = "plovane";
    static char* argv[] = {name, nullptr};
    plat::qt::register_backend();
    ASSERT_TRUE(plat::start_platform({"qt"}, argc, argv));

    const auto viewer = std::make_unique<shell::Plovane>();
    ASSERT_TRUE(shell::StartShell(*viewer, shell::plovane_profile()));
    const plat::Hwnd main = viewer->app.mainWindow;
    EXPECT_EQ(plat::get_window_text(main), "Plovane");
    shell::LoadEgoCommand(*viewer, examples + "/scene.nav");
    shell::LoadOrgCommand(*viewer, examples + "/scene_origin.txt");
    shell::LoadMovCommand(*viewer, examples + "/scene.traj");
    const Scene& scene = viewer->scene;
    EXPECT_EQ(pose_track_loaded(scene.pose) + origin_track_loaded(scene.origin) +
                  traj_store_loaded(scene.store),
              3);

    for (int id :
         {resources::IDM_GRID_LINE, resources::IDM_TRAJ_ID, resources::IDM_EGO_CENTERED, 231}) {
        post_command(main, id);
    }
    plat::post_message(main, plat::WM_MBUTTONDOWN, plat::MK_MBUTTON, plat::make_lparam(100, 300));
    plat::post_message(main, plat::WM_MOUSEMOVE, plat::MK_MBUTTON, plat::make_lparam(130, 260));
    drain();
    EXPECT_EQ(plat::menu_item_checked(plat::get_menu(main), resources::IDM_GRID_LINE), 0);
    EXPECT_EQ(viewer->view.state.elevation, 20);

    test_support::TempFolder dir;
    const std::string png = dir.file("plovane_qt_smoke.png");
    ASSERT_TRUE(plat::qt::save_window_png(main, png));
    EXPECT_GT(std::ifstream(png, std::ios::binary | std::ios::ate).tellg(), 1000);

    post_command(main, resources::IDM_EXIT);
    EXPECT_EQ(shell::RunMessageLoop(*viewer), 0);
    EXPECT_FALSE(plat::is_window(main));
    plat::stop_platform();
}

}  // namespace
