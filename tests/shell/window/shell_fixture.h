// A viewer session on the headless back end: the main window started as the
// program starts it, a helper that lets it run, and small scene files to load.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/headless.h"
#include "render/display_settings.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/scene_loads.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_shell.h"

namespace shell_test {

namespace ids = resources;
namespace hl = plat::headless;
using shell::load_ego;
using shell::load_mov;

class ShellSession : public testing::Test {
  protected:
    // Ego poses every 100 ms from 1000 ms (.nav layout).
    std::string nav_file() {
        std::string text;
        for (int i = 0; i < 40; ++i) text += std::to_string(1000 + 100 * i) + " 0 0 0.1 1 2 0\n";
        return dir.write("ego.nav", text);
    }
    // Two trajectories of 25 samples, frames 10 .. 34.
    std::string traj_file() {
        std::string text;
        for (const char* id : {"7", "9"}) {
            text += std::string("tno=") + id + "\n";
            for (int f = 10; f < 35; ++f) {
                text += std::to_string(1000 + 100 * (f - 10)) + "," + std::to_string(f) +
                        ",1,2,4,2,0,1,0,0,0,1,5\n";
            }
        }
        return dir.write("scene.traj", text);
    }

    void SetUp() override {
        quit = false;
        // The viewer reads trajcolset.ini from the current folder: the test's own.
        in_dir = std::make_unique<test_support::CurrentFolder>(dir.path());
        ASSERT_TRUE(plat::start_platform({"headless"}));
        viewer = std::make_unique<shell::Plovane>();
        ASSERT_TRUE(shell::StartShell(*viewer, shell::plovane_profile()));
        main = viewer->app.mainWindow;
        run();
        hl::clear_logs();
    }
    void TearDown() override {
        hl::set_dialog_script(nullptr);
        hl::set_idle_hook(nullptr);
        plat::stop_platform();
        viewer.reset();
        in_dir.reset();
    }
    // Dispatches what is queued and the paints that follow, as the message loop
    // would, until nothing is left or the quit message arrives.
    void run() {
        plat::Msg msg;
        while (!quit && plat::peek_message(msg)) {
            if (msg.message == plat::WM_QUIT) {
                quit = true;
                exit_code = static_cast<int>(msg.wparam);
            } else {
                plat::translate_message(msg);
                plat::dispatch_message(msg);
            }
        }
    }
    void menu(int id) {
        ASSERT_TRUE(hl::click_menu(main, id)) << "no menu item " << id;
        run();
    }
    // `script` acts when the next modal dialogs open; `hook` each time a modal
    // loop waits for input.
    void on_dialog(hl::DialogScript script) { hl::set_dialog_script(std::move(script)); }
    void when_idle(std::function<void()> hook) { hl::set_idle_hook(std::move(hook)); }

    bool checked(int id) { return plat::menu_item_checked(plat::get_menu(main), id) == 1; }
    render::ViewState& view() { return viewer->view.state; }
    Scene& scene() { return viewer->scene; }
    shell::AppState& app() { return viewer->app; }
    int invalidations(bool erase) {
        int n = 0;
        for (const auto& r : hl::invalidations()) n += r.hwnd == main && r.erase == erase;
        return n;
    }

    test_support::TempFolder dir;
    std::unique_ptr<test_support::CurrentFolder> in_dir;
    std::unique_ptr<shell::Plovane> viewer;  // the program's record, fresh for each test
    plat::Hwnd main;
    bool quit = false;
    int exit_code = -100;
};

}  // namespace shell_test
