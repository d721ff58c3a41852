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
    std::vector<TrajSpec> scene(3);
    for (int i = 0; i < 3; ++i) {
        scene[i].id = 100 + i;
        scene[i].x = 4.0 * (i - 1);
        scene[i].y0 = 15;
    }
    load_scene(scene);
    shell::Plovane viewer;
    test_support::load_scene_files(viewer.scene, "scene.nav", "scene.traj");
    render_test::write_file("trajcolset.ini",
                            "frontid=101\nfrontcol=255,0,0\ntrajcolseton=1\n"
                            "egocol=255,255,0\nleadid=-1\nlagid=-1\nrearid=-1\n");
    shell::SnapshotOptions o;
    o.png_path = "out.png";
    o.steps = 2;
    o.scale = 0.2;
    ASSERT_EQ(shell::run_snapshot(viewer, o), 0);
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".out.png"), std::string::npos);

    const Picture pic = read_picture("out.png");
    ASSERT_EQ(pic.width() * 1000 + pic.pixels.height, 960640);
    const HistoryRing& ring = viewer.scene.history;
    const TrajPoint& ego = ring.boxes[(ring.appended - 1) % kHistorySize];
    const double f = viewer.view.settings.yxFactor;
    auto at = [&](double ahead) {
        return render_test::project(viewer.view, (ego.ego_x + ahead * ego.ego_head_x) * f,
                                    ego.ego_y + ahead * ego.ego_head_y, 0);
    };
    EXPECT_EQ(pic.at(at(0)), plat::rgb(128, 0, 128));    // centre marker
    EXPECT_EQ(pic.at(at(1.2)), plat::rgb(255, 255, 0));  // body
    const TrajPoint& front = ring.boxes[(ring.appended - 3) % kHistorySize];
    const plat::Point rear_edge =
        render_test::project(viewer.view, front.ego_x * f, front.ego_y - 2.25, 0);
    bool red = false;
    for (int dx = -2; dx <= 2; ++dx)
        red |= pic.at({rear_edge.x + dx, rear_edge.y}) == plat::rgb(255, 0, 0);
    EXPECT_TRUE(red);
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
