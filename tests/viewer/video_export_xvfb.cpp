// File -> "Export Video" of the viewer's real window on the Qt back end under an X
// server (ctest runs it through xvfb-run): the progress window shows on the display
// while the pictures are made, the video reads back with ffprobe, and the scene is
// where it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "data/child_process.h"
#include "data/traj_store.h"
#include "platform/platform.h"
#include "platform/qt/qt_backend.h"
#include "shell/main_window.h"
#include "tests/support/temp_folder.h"
#include "viewer/plovane_playback.h"
#include "viewer/plovane_shell.h"
#include "viewer/video_export.h"

namespace {

std::string output_of(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

TEST(ExportVideoOnX, ProgressWindowShowsAndTheVideoReadsBack) {
    if (!std::getenv("DISPLAY") || os_process::find_program("ffprobe").empty() ||
        os_process::find_program("xwininfo").empty())
        GTEST_SKIP() << "needs an X display, ffmpeg and xwininfo (tools/bootstrap)";
    const std::string examples = std::string(SCENE_SOURCE_DIR) + "/examples";
    ASSERT_EQ(chdir(examples.c_str()), 0);  // trajcolset.ini is read from here
    static int argc = 1;
    static char name[] = "plovane";
    static char* argv[] = {name, nullptr};
    plat::qt::register_backend();
    ASSERT_TRUE(plat::start_platform({"qt"}, argc, argv));
    const auto viewer = std::make_unique<shell::Plovane>();
    ASSERT_TRUE(shell::StartShell(*viewer, shell::plovane_profile()));
    shell::LoadEgoCommand(*viewer, examples + "/scene.nav");
    shell::LoadMovCommand(*viewer, examples + "/scene.traj");
    shell::jump_to_frame(*viewer, 6120);  // 79 pictures to the end (Frame # 6198)
    const int32_t frame = viewer->scene.store.current_frame;

    // Watches the X server's windows for the progress window's title meanwhile.
    std::atomic<bool> done{false}, seen{false};
    std::thread watcher([&] {
        while (!done && !seen)
            if (output_of("xwininfo -root -tree 2>/dev/null").find("\"Export Video\"") !=
                std::string::npos)
                seen = true;
    });
    test_support::TempFolder dir;
    const std::string out = dir.file("on-x.mp4");
    shell::export_video_command(*viewer, out);  // the menu's command, the file given
    done = true;
    watcher.join();

    EXPECT_TRUE(seen) << "the progress window did not show";
    const plat::Size size = plat::get_client_size(viewer->app.mainWindow);
    const std::string probed = output_of(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,nb_read_frames -of csv=p=0 '" +
        out + "'");
    EXPECT_EQ(probed, "h264," + std::to_string(size.width + size.width % 2) + "," +
                          std::to_string(size.height + size.height % 2) + ",80\n");
    EXPECT_EQ(viewer->scene.store.current_frame, frame);
    plat::destroy_window(viewer->app.mainWindow);
    plat::stop_platform();
}

}  // namespace
