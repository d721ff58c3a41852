// The command line's pictures in the Windows build: drawn through the Win32 back
// end's device contexts (GDI) and written as PNG by the system's imaging
// component, decoded here by the same component. Windows build only; the Linux
// build checks the Qt canvas in snapshot_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/scene_clock.h"
#include "platform/win32/win32_backend.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "tests/render/render_fixture.h"
#include "tests/support/scene_files.h"
#include "tests/viewer/snapshot_checks.h"
#include "viewer/plovane.h"
#include "viewer/plovane_cli.h"
#include "viewer/snapshot.h"

namespace {

using render_test::TrajSpec;

struct Picture {
    plat::Pixels pixels;
    int width() const { return pixels.width; }
    plat::Color at(plat::Point p) const {
        const std::uint32_t v = pixels.argb[static_cast<std::size_t>(p.y) * pixels.width + p.x];
        return plat::rgb(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
    }
};

Picture read_picture(const std::string& path) {
    Picture p;
    EXPECT_TRUE(plat::win32::read_png(path, p.pixels)) << path;
    return p;
}

class Win32Snapshot : public render_test::RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        plat::win32::register_backend();
        plat::StartOptions o;
        o.backend = "win32";
        o.canvas_only = true;
        ASSERT_TRUE(plat::start_platform(o));
    }
};

TEST_F(Win32Snapshot, EgoCarAndRoleColourInThePicture) {
    load_scene(snapshot_checks::role_scene());
    shell::Plovane viewer;
    snapshot_checks::load_role_files(viewer);
    shell::SnapshotOptions o;
    o.png_path = "out.png";
    o.steps = 2;
    o.scale = 0.2;
    ASSERT_EQ(shell::run_snapshot(viewer, o), 0);
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".out.png"), std::string::npos);

    const Picture pic = read_picture("out.png");
    ASSERT_EQ(pic.width() * 1000 + pic.pixels.height, 960640);
    snapshot_checks::expect_car_and_front_vehicle(pic, viewer);
}

TEST_F(Win32Snapshot, ExportedFramesHaveTheirSizeAndAFolderBeyondAscii) {
    load_scene({TrajSpec{}});
    const std::string folder = u8"Bilder \u00e4\u00f6\u00fc";
    std::vector<std::string> text{"plovane",    "--ego",           "scene.nav", "--traj",
                                  "scene.traj", "--export-frames", folder,      "--steps",
                                  "3",          "--size",          "200x100"};
    std::vector<char*> argv;
    for (std::string& a : text) argv.push_back(a.data());
    EXPECT_EQ(plovane_cli_main(static_cast<int>(argv.size()), argv.data()), 0);
    for (const char* name : {"/frame_00001.png", "/frame_00003.png"}) {
        const Picture pic = read_picture(folder + name);
        EXPECT_EQ(pic.width() * 1000 + pic.pixels.height, 200100) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(folder + "/frame_00004.png")));
}

}  // namespace
