#include "viewer/snapshot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/atomic_file.h"
#include "data/scene_clock.h"
#include "platform/qt/qt_backend.h"
#include "render/display_settings.h"
#include "render/draw.h"
#include "render/scene_painter.h"
#include "tests/render/render_fixture.h"
#include "tests/support/scene_files.h"
#include "tests/support/temp_folder.h"
#include "tests/viewer/snapshot_checks.h"
#include "viewer/plovane.h"
#include "viewer/plovane_cli.h"

namespace {

using render_test::TrajSpec;

// A PNG decoded through ImageMagick (tools/bootstrap installs it).
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    plat::Color at(plat::Point p) const {
        const size_t i = (static_cast<size_t>(p.y) * width + p.x) * 3;
        return plat::rgb(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
};

Picture read_png(const std::string& path) {
    Picture p;
    std::FILE* in = popen((std::string(SCENE_CONVERT) + " '" + path + "' ppm:-").c_str(), "r");
    int maxval = 0;
    if (in && std::fscanf(in, "P6 %d %d %d", &p.width, &p.height, &maxval) == 3) {
        std::fgetc(in);
        p.rgb.resize(static_cast<size_t>(p.width) * p.height * 3);
        if (std::fread(p.rgb.data(), 1, p.rgb.size(), in) != p.rgb.size()) p.rgb.clear();
    }
    if (in) pclose(in);
    return p;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The viewer's command line, argv[0] included.
struct Args {
    std::vector<std::string> text;
    std::vector<char*> argv;
    Args(std::vector<std::string> t) : text(std::move(t)) {
        for (std::string& a : text) argv.push_back(a.data());
    }
    int argc() const { return static_cast<int>(argv.size()); }
};

// Pictures on the Qt back end's canvases, as the command line makes them.
class Snapshot : public render_test::RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        plat::qt::register_backend();
        plat::StartOptions qt;
        qt.backend = "qt";
        qt.canvas_only = true;
        ASSERT_TRUE(plat::start_platform(qt));
    }
};

}  // namespace

TEST_F(Snapshot, EgoCarAndRoleColourInThePicture) {
    load_scene(snapshot_checks::role_scene());
    shell::Plovane viewer;
    snapshot_checks::load_role_files(viewer);
    shell::SnapshotOptions o;
    o.png_path = "out.png";
    o.steps = 2;
    o.scale = 0.2;
    const mode_t old_mask = umask(022);
    ASSERT_EQ(shell::run_snapshot(viewer, o), 0);
    umask(old_mask);
    // Written through a private temporary file, but readable as any new file.
    const auto perms = std::filesystem::status("out.png").permissions();
    EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
    EXPECT_EQ(viewer.scene.store.current_frame, 4);  // one step after the first frame, then two
    // Three paints (the first and one per step), each recording three boxes and the car.
    EXPECT_EQ(viewer.scene.history.appended, 12);

    const Picture pic = read_png("out.png");
    ASSERT_EQ(pic.width * 1000 + pic.height, 960640);
    snapshot_checks::expect_car_and_front_vehicle(pic, viewer);
}

TEST_F(Snapshot, CommandLineFramesAndFailures) {
    load_scene({TrajSpec{}});  // files in the current folder
    Args frames({"plovane", "--ego", "scene.nav", "--traj", "scene.traj", "--export-frames",
                 "frames", "--steps", "3", "--size", "200x100"});
    EXPECT_EQ(plovane_cli_main(frames.argc(), frames.argv.data()), 0);
    for (const char* name : {"frames/frame_00001.png", "frames/frame_00003.png"}) {
        const Picture pic = read_png(name);
        EXPECT_EQ(pic.width * 1000 + pic.height, 200100) << name;
    }
    EXPECT_FALSE(std::filesystem::exists("frames/frame_00004.png"));

    Args unwritable({"plovane", "--snapshot", "missing-folder/out.png"});
    EXPECT_EQ(plovane_cli_main(unwritable.argc(), unwritable.argv.data()), 1);
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".out.png"), std::string::npos);
}

// --select: the trajectory's box in the highlight colour; an id the file does not
// have is refused.
TEST_F(Snapshot, SelectHighlightsTheBoxOrRefusesAnUnknownId) {
    TrajSpec t;
    t.id = 31;
    load_scene({t});
    for (const auto& [id, status] : {std::pair{"31", 0}, std::pair{"32", 1}}) {
        Args args({"plovane", "--ego", "scene.nav", "--traj", "scene.traj", "--snapshot", "out.png",
                   "--select", id});
        EXPECT_EQ(plovane_cli_main(args.argc(), args.argv.data()), status) << id;
    }
    const Picture pic = read_png("out.png");
    int highlighted = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x)
            highlighted += pic.at({x, y}) == render::kHighlightColour;
    EXPECT_GT(highlighted, 20);
}

// A disk that fills up: the run stops at the first picture it cannot write, says
// which and why, exits 1, and a picture that was there before stays whole.
TEST_F(Snapshot, AFullDiskStopsTheFramesAndKeepsTheOldPicture) {
    load_scene({TrajSpec{}});
    Args first({"plovane", "--ego", "scene.nav", "--traj", "scene.traj", "--snapshot", "snap.png",
                "--size", "200x100"});
    ASSERT_EQ(plovane_cli_main(first.argc(), first.argv.data()), 0);
    const std::string good = slurp("snap.png");
    ASSERT_GT(good.size(), 100u);

    // Room for one picture and a little more.
    set_write_faults({static_cast<long long>(good.size() + good.size() / 2), 0});
    Args frames({"plovane", "--ego", "scene.nav", "--traj", "scene.traj", "--export-frames",
                 "frames", "--steps", "5", "--size", "200x100"});
    testing::internal::CaptureStderr();
    const int frames_status = plovane_cli_main(frames.argc(), frames.argv.data());
    const std::string frames_message = testing::internal::GetCapturedStderr();
    set_write_faults({0, 0});
    EXPECT_EQ(frames_status, 1);
    EXPECT_NE(frames_message.find("frame_00002.png: write failed: No space left on device"),
              std::string::npos)
        << frames_message;
    EXPECT_EQ(read_png("frames/frame_00001.png").width, 200);
    EXPECT_EQ(test_support::file_names("frames"), std::vector<std::string>{"frame_00001.png"});

    set_write_faults({0, 0});
    Args again({"plovane", "--ego", "scene.nav", "--traj", "scene.traj", "--snapshot", "snap.png",
                "--size", "300x100"});
    testing::internal::CaptureStderr();
    EXPECT_EQ(plovane_cli_main(again.argc(), again.argv.data()), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("snap.png"), std::string::npos);
    set_write_faults({});
    EXPECT_EQ(slurp("snap.png"), good);
}

// Boxes outlined with wide pens are drawn as fills on the Qt back end: the outline
// covers half the pen's width on each side of the edge, inside is the brush, and a
// box narrower than the pen is all outline. Other shapes keep Qt's own outline.
TEST_F(Snapshot, WideOutlinesOnTheQtCanvas) {
    const plat::Dc canvas = plat::create_canvas(60, 40);
    plat::select_object(canvas, plat::create_pen(plat::PenStyle::Solid, 2, plat::rgb(255, 0, 0)));
    plat::select_object(canvas, plat::create_solid_brush(plat::rgb(255, 255, 0)));
    const plat::Point box[] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}};
    plat::polygon(canvas, box, 4);
    const plat::Point thin[] = {{40, 10}, {41, 10}, {41, 30}, {40, 30}};
    plat::polygon(canvas, thin, 4);
    const plat::Point notch[] = {{45, 5}, {58, 5}, {58, 20}, {52, 12}, {45, 20}};  // not convex
    plat::polygon(canvas, notch, 5);
    ASSERT_TRUE(plat::save_canvas_png(canvas, "outlines.png"));
    const Picture pic = read_png("outlines.png");
    ASSERT_EQ(pic.width, 60);
    const plat::Color red = plat::rgb(255, 0, 0), yellow = plat::rgb(255, 255, 0);
    EXPECT_EQ(pic.at({8, 20}), plat::rgb(0, 0, 0));
    EXPECT_EQ(pic.at({9, 20}), red);
    EXPECT_EQ(pic.at({10, 20}), red);
    EXPECT_EQ(pic.at({11, 20}), yellow);
    EXPECT_EQ(pic.at({20, 9}), red);
    EXPECT_EQ(pic.at({9, 9}), red);  // the mitred corner
    EXPECT_EQ(pic.at({20, 20}), yellow);
    EXPECT_EQ(pic.at({40, 20}), red);
    EXPECT_EQ(pic.at({41, 20}), red);
    EXPECT_EQ(pic.at({50, 5}), red);
    EXPECT_EQ(pic.at({50, 8}), yellow);
}
