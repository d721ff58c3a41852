#include "render/snapshot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/scene_clock.h"
#include "platform/qt_backend.h"
#include "render/display_settings.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "shell/plovane_cli.h"
#include "tests/render/render_fixture.h"

namespace {

using render_test::RenderTest;
using render_test::TrajSpec;

// A decoded picture (through ImageMagick, which the set-up installs).
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    plat::Color at(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return plat::rgb(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
    bool contains(plat::Color c) const {
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (plat::rgb(rgb[i], rgb[i + 1], rgb[i + 2]) == c) return true;
        return false;
    }
};

Picture read_png(const std::string& path) {
    Picture p;
    const std::string command = std::string(SCENE_CONVERT) + " '" + path + "' ppm:-";
    std::FILE* in = popen(command.c_str(), "r");
    if (!in) return p;
    int maxval = 0;
    if (std::fscanf(in, "P6 %d %d %d", &p.width, &p.height, &maxval) == 3 && maxval == 255) {
        std::fgetc(in);  // the single blank after the header
        p.rgb.resize(static_cast<size_t>(p.width) * p.height * 3);
        if (std::fread(p.rgb.data(), 1, p.rgb.size(), in) != p.rgb.size()) p.rgb.clear();
    }
    pclose(in);
    return p;
}

// Parses a command line of snapshot options only.
int parse_all(std::vector<std::string> args, render::SnapshotOptions& o, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("plovane")};
    for (std::string& a : args) argv.push_back(a.data());
    for (int a = 1; a < static_cast<int>(argv.size()); ++a) {
        const int r =
            render::parse_snapshot_option(static_cast<int>(argv.size()), argv.data(), a, o, error);
        if (r != 1) return r;
    }
    return render::check_snapshot_options(o, error) ? 1 : -1;
}

// The Qt back end in canvas-only mode, as the command line runs it.
class Snapshot : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        plat::register_qt_backend();
        plat::StartOptions qt;
        qt.backend = "qt";
        qt.command_line = true;
        qt.canvas_only = true;
        ASSERT_TRUE(plat::start_platform(qt));
    }
};

}  // namespace

TEST(ParseSnapshotOption, ValuesAndRefusals) {
    struct Case {
        std::vector<std::string> args;
        int result;
        const char* error;
    };
    const Case cases[] = {
        {{"--snapshot", "a.png", "--steps", "3", "--size", "320x200", "--elevation", "60",
          "--azimuth", "-90", "--scale", "0.1", "--ego-centered", "--no-time-series", "--traj-id"},
         1,
         ""},
        {{"--snapshot"}, -1, "--snapshot needs a value"},
        {{"--snapshot", "a.png", "--snapshot", "b.png"}, -1, "--snapshot given twice"},
        {{"--snapshot", "a.png", "--size", "320"},
         -1,
         "--size needs WxH, each 1 to 8192, not '320'"},
        {{"--snapshot", "a.png", "--size", "0x10"},
         -1,
         "--size needs WxH, each 1 to 8192, not '0x10'"},
        {{"--snapshot", "a.png", "--elevation", "91"},
         -1,
         "--elevation needs whole degrees 0 to 90, not '91'"},
        {{"--snapshot", "a.png", "--scale", "0"}, -1, "--scale needs a number above 0, not '0'"},
        {{"--snapshot", "a.png", "--steps", "-1"},
         -1,
         "--steps needs an integer of at least 0, not '-1'"},
        {{"--steps", "4"}, -1, "picture options need --snapshot or --export-frames"},
        {{"--export-frames", "out"}, -1, "--export-frames needs --steps of at least 1"},
        {{"--frame-step", "2"}, 0, ""},
    };
    for (const Case& c : cases) {
        render::SnapshotOptions o;
        std::string error;
        EXPECT_EQ(parse_all(c.args, o, error), c.result) << c.args[0];
        EXPECT_EQ(error, c.error);
    }
    render::SnapshotOptions o;
    std::string error;
    ASSERT_EQ(parse_all(cases[0].args, o, error), 1);
    EXPECT_EQ(o.png_path, "a.png");
    EXPECT_EQ(o.steps, 3);
    EXPECT_EQ(o.size, (plat::Size{320, 200}));
    EXPECT_EQ(o.elevation, 60);
    EXPECT_EQ(o.azimuth, -90);
    EXPECT_EQ(o.scale, 0.1);
    EXPECT_TRUE(o.ego_centered);
    EXPECT_FALSE(o.time_series);
    EXPECT_TRUE(o.traj_id);
}

TEST_F(Snapshot, EgoCarAndRoleColourInThePicture) {
    std::vector<TrajSpec> scene(3);
    for (int i = 0; i < 3; ++i) {
        scene[i].id = 100 + i;
        scene[i].x = 4.0 * (i - 1);
        scene[i].y0 = 15;
    }
    load_scene(scene);
    render_test::write_file("trajcolset.ini",
                            "frontid=101\nfrontcol=255,0,0\ntrajcolseton=1\n"
                            "egocol=255,255,0\nleadid=-1\nlagid=-1\nrearid=-1\n");
    render::SnapshotOptions o;
    o.png_path = "out.png";
    o.steps = 2;
    o.scale = 0.2;
    const mode_t old_mask = umask(022);
    ASSERT_EQ(render::run_snapshot(o), 0);
    umask(old_mask);
    // Written through a private temporary file, but readable as any new file.
    const auto perms = std::filesystem::status("out.png").permissions();
    EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);

    const Picture pic = read_png("out.png");
    ASSERT_EQ(pic.width, 960);
    ASSERT_EQ(pic.height, 640);
    // The last ego entry holds the car's plane position and heading.
    const render::HistoryRing& ring = render::history_ring();
    const int last = (ring.appended - 1) % render::kHistorySize;
    ASSERT_EQ(ring.owners[last], render::kEgoOwner);
    const TrajPoint& ego = ring.boxes[last];
    const double f = render::GetDisplaySettings().yxFactor;
    const plat::Point centre = render_test::project(ego.ego_x * f, ego.ego_y, 0);
    const plat::Point body = render_test::project((ego.ego_x + 1.2 * ego.ego_head_x) * f,
                                                  ego.ego_y + 1.2 * ego.ego_head_y, 0);
    EXPECT_EQ(pic.at(centre.x, centre.y), plat::rgb(128, 0, 128));  // centre marker
    EXPECT_EQ(pic.at(body.x, body.y), plat::rgb(255, 255, 0));      // body
    EXPECT_TRUE(pic.contains(plat::rgb(255, 0, 0)));                // the front vehicle's outline
    EXPECT_EQ(current_frame(), 4);  // one step after the first frame, then two
}

TEST_F(Snapshot, ExportFramesWritesOnePicturePerStep) {
    load_scene({TrajSpec{}});
    render::SnapshotOptions o;
    o.frames_dir = "frames";
    o.steps = 3;
    o.size = plat::Size{200, 100};
    ASSERT_EQ(render::run_snapshot(o), 0);
    for (int step = 1; step <= 3; ++step) {
        char name[40];
        std::snprintf(name, sizeof name, "frames/frame_%05d.png", step);
        const Picture pic = read_png(name);
        EXPECT_EQ(pic.width, 200) << name;
        EXPECT_EQ(pic.height, 100) << name;
    }
    EXPECT_FALSE(std::filesystem::exists("frames/frame_00004.png"));
    EXPECT_FALSE(std::filesystem::exists("frames/frame_00000.png"));
    // Four paints (the first and one per step), each adding one box and the ego car.
    EXPECT_EQ(render::history_ring().appended, 8);
}

TEST_F(Snapshot, UnwritablePathFailsWithoutLeavingAFile) {
    render::SnapshotOptions o;
    o.png_path = "missing-folder/out.png";
    EXPECT_EQ(render::run_snapshot(o), 1);
    EXPECT_FALSE(std::filesystem::exists("missing-folder"));
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".out.png"), std::string::npos);
}

TEST_F(Snapshot, CommandLineWritesThePicture) {
    load_scene({TrajSpec{}});  // files in the current folder
    std::vector<std::string> args = {"plovane",    "--ego",      "scene.nav", "--traj",
                                     "scene.traj", "--snapshot", "cli.png",   "--size",
                                     "120x80",     "--steps",    "2",         "--traj-id"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    PlovaneOptions options;
    std::string error;
    ASSERT_TRUE(parse_plovane_options(static_cast<int>(argv.size()), argv.data(), options, error))
        << error;
    EXPECT_EQ(options.mode, PlovaneMode::Pictures);
    EXPECT_EQ(plovane_cli_main(static_cast<int>(argv.size()), argv.data()), 0);
    const Picture pic = read_png("cli.png");
    EXPECT_EQ(pic.width, 120);
    EXPECT_EQ(pic.height, 80);

    args = {"plovane", "--snapshot", "a.png", "--trace-clock"};
    argv.clear();
    for (std::string& a : args) argv.push_back(a.data());
    EXPECT_FALSE(parse_plovane_options(static_cast<int>(argv.size()), argv.data(), options, error));
    EXPECT_EQ(error,
              "--snapshot and --export-frames go without --summary, --dump-store, --trace-clock");
}
