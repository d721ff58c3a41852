// A session of the labelling tool on the headless back end: a fresh app record and
// its main window started as the program starts them, in a folder of the test's
// own, and a helper that lets it run as the message loop would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "labelling/labelling.h"
#include "labelling/samples.h"
#include "labelling/vantrel.h"
#include "labelling/vantrel_shell.h"
#include "platform/headless.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "tests/support/temp_folder.h"

namespace vantrel_test {

namespace ids = resources;
namespace hl = plat::headless;

// Poses every 100 ms from 1000 ms at 10 m/s along +y (.nav layout); the vehicle
// waits at y = 0 until wait_ms first.
inline std::string track_text(int poses = 200, int wait_ms = 0) {
    std::string text;
    for (int i = 0; i < poses; ++i) {
        const int t = 1000 + 100 * i;
        const double y = t - 1000 < wait_ms ? 0.0 : (t - 1000 - wait_ms) / 100.0;
        text += std::to_string(t) + " 0 0 0 0 " + std::to_string(y) + " 0\n";
    }
    return text;
}

class VantrelSession : public testing::Test {
  protected:
    void SetUp() override {
        in_dir = std::make_unique<test_support::CurrentFolder>(dir.path());
        ASSERT_TRUE(plat::start_platform({"headless"}));
        ASSERT_TRUE(shell::StartShell(*app, labelling::vantrel_profile()));
        main = app->app.mainWindow;
        run();
        hl::clear_logs();
    }
    void TearDown() override {
        hl::set_dialog_script(nullptr);
        plat::stop_platform();
        in_dir.reset();
    }
    void run() {
        int code = 0;
        if (!shell::DispatchPending(*app, code)) {
            quit = true;
            exit_code = code;
        }
    }
    // The user's command (a menu click where there is an item), answered by path.
    void command(int id, const std::string& path = "") {
        if (!path.empty()) hl::queue_file_answer(path);
        if (!hl::click_menu(main, id)) plat::post_message(main, plat::WM_COMMAND, id);
        run();
    }
    void key(int vk, bool shift = false, bool ctrl = false) {
        if (shift) hl::set_key_down(plat::VK_SHIFT, true);
        if (ctrl) hl::set_key_down(plat::VK_CONTROL, true);
        hl::key_press(main, vk, true);
        hl::set_key_down(plat::VK_SHIFT, false);
        hl::set_key_down(plat::VK_CONTROL, false);
        run();
    }
    // Loads a track and samples as the File menu does.
    void load(const std::string& track, const std::string& samples) {
        command(ids::IDM_LOAD_EGO, dir.write("ego.nav", track));
        command(ids::IDM_V_LOAD_SAMPLES, dir.write("samples.txt", samples));
        ASSERT_EQ(pose_track_loaded(session().pose) + samples_loaded(session().samples), 2);
    }
    LabelSession& session() { return app->session; }
    LabelState& state() { return app->session.state; }
    const TrackSample& sample(int k) { return session().samples.records[static_cast<size_t>(k)]; }

    std::unique_ptr<labelling::Vantrel> app = std::make_unique<labelling::Vantrel>();
    test_support::TempFolder dir;
    std::unique_ptr<test_support::CurrentFolder> in_dir;
    plat::Hwnd main;
    bool quit = false;
    int exit_code = -100;
};

}  // namespace vantrel_test
