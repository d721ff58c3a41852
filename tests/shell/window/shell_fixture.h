// A viewer session on the headless back end: the main window started as the
// program starts it, helpers to let it run, and small scene files to load.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "data/traj_store.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/display_settings.h"
#include "render/view.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "shell/plovane_shell.h"

namespace shell_test {

inline std::string write_temp(const std::string& name, const std::string& text) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// An ego track in the .nav layout: poses every 100 ms from 1000 ms.
inline std::string nav_file(const std::string& name = "ego.nav") {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += std::to_string(1000 + 100 * i) + " 0 0 0.1 " + std::to_string(i) + " 2 0\n";
    }
    return write_temp(name, text);
}

// A TRAJ file with two trajectories of 25 samples each, frames 10 .. 34.
inline std::string traj_file(const std::string& name = "scene.traj") {
    std::string text;
    for (int id : {7, 9}) {
        text += "tno=" + std::to_string(id) + "\n";
        for (int f = 10; f < 35; ++f) {
            text += std::to_string(1000 + 100 * (f - 10)) + "," + std::to_string(f) + "," +
                    std::to_string(f) + "," + std::to_string(id) + ",4,2,0,1,0,0,0,1,5\n";
        }
    }
    return write_temp(name, text);
}

class ShellSession : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(plat::start_platform({"headless"}));
        shell::reset_shell();
        free_traj_store();
        reset_pose_state();
        reset_clock_settings();
        ASSERT_TRUE(shell::StartShell(shell::plovane_profile()));
        main = shell::app_state().mainWindow;
        ASSERT_TRUE(main);
        run();
        plat::headless::clear_logs();
    }
    void TearDown() override {
        plat::headless::set_dialog_script(nullptr);
        plat::headless::set_idle_hook(nullptr);
        plat::stop_platform();
        shell::reset_shell();
        free_traj_store();
        reset_pose_state();
    }

    // Dispatches what is queued and the paints that follow, as the message loop
    // would, until nothing is left or the quit message arrives.
    void run() {
        plat::Msg msg;
        while (!quit && plat::peek_message(msg)) {
            if (msg.message == plat::WM_QUIT) {
                quit = true;
                exit_code = static_cast<int>(msg.wparam);
                break;
            }
            plat::translate_message(msg);
            plat::dispatch_message(msg);
        }
    }
    // The user picks a menu item.
    void menu(int id) {
        ASSERT_TRUE(plat::headless::click_menu(main, id)) << "no menu item " << id;
        run();
    }
    // Runs the next modal dialog with `script` acting when it opens.
    void on_dialog(std::function<void(plat::Hwnd, int)> script) {
        plat::headless::set_dialog_script(std::move(script));
    }
    // Acts each time a modal loop waits for input (after the script's presses).
    void when_idle(std::function<void()> hook) { plat::headless::set_idle_hook(std::move(hook)); }

    bool checked(int id) { return plat::menu_item_checked(plat::get_menu(main), id) == 1; }
    render::ViewState& view() { return render::view_state(); }
    int invalidations(bool erase) {
        int n = 0;
        for (const auto& r : plat::headless::invalidations())
            n += r.hwnd == main && r.erase == erase;
        return n;
    }

    plat::Hwnd main;
    bool quit = false;
    int exit_code = -100;
};

}  // namespace shell_test
