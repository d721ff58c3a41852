#include "tests/render/render_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "data/pose_track.h"
#include "data/report.h"
#include "data/scene_clock.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "resources/resources.h"

namespace render_test {

std::string traj_text(const std::vector<TrajSpec>& trajectories) {
    std::string text = "# generated for the renderer tests\n";
    char buf[200];
    for (const TrajSpec& t : trajectories) {
        std::snprintf(buf, sizeof buf, "tno=%d\n", t.id);
        text += buf;
        for (int f = t.first; f <= t.last; ++f) {
            const int time = 1000 + 100 * (f - 1);
            const double y = t.y0 + t.speed * (time - 1000) / 1000.0;
            std::snprintf(buf, sizeof buf, "%d,%d,%.6f,%.6f,4.5,1.8,0,1,%.6f,%.6f,0,1,%.6f\n", time,
                          f, t.x, y, t.ego_x, t.ego_y, t.speed);
            text += buf;
        }
    }
    return text;
}

std::string nav_text(double x, double y, double heading, double v) {
    std::string text;
    char buf[160];
    for (int time = 1000; time <= 10000; time += 100) {
        std::snprintf(buf, sizeof buf, "%d 0 0 %.9f %.6f %.6f 0\n", time, heading, x,
                      y + v * (time - 1000) / 1000.0);
        text += buf;
    }
    return text;
}

void write_file(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

void RenderTest::SetUp() {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_dir_ = cwd;
    std::string tmpl = testing::TempDir() + "render_test_XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name.data();
    ASSERT_EQ(chdir(dir_.c_str()), 0);

    plat::StartOptions options;
    options.backend = "headless";
    ASSERT_TRUE(plat::start_platform(options));
    plat::use_resources(&resources::plovane());
    reset_pose_state();
    free_traj_store();
    render::renderer_startup(plat::Hwnd{});
    render::ResetView(kClient, render::kPlovaneInitialScale);
    render::BuildTrigTables();
}

void RenderTest::TearDown() {
    for (plat::Dc dc : canvases_) plat::delete_dc(dc);
    render::renderer_shutdown();
    free_traj_store();
    reset_pose_state();
    plat::stop_platform();
    if (!old_dir_.empty()) (void)chdir(old_dir_.c_str());
    std::string command = "rm -rf '" + dir_ + "'";
    if (!dir_.empty()) (void)std::system(command.c_str());
}

void RenderTest::load_scene(const std::vector<TrajSpec>& trajectories, double ego_heading) {
    write_file("scene.nav", nav_text(0, 0, ego_heading));
    write_file("scene.traj", traj_text(trajectories));
    ASSERT_EQ(load_ego("scene.nav"), 1);
    ASSERT_EQ(load_mov("scene.traj"), 1);
}

const std::vector<plat::headless::DrawOp>& RenderTest::paint() {
    plat::Dc canvas = plat::create_canvas(kClient.width, kClient.height);
    canvases_.push_back(canvas);
    render::paint_scene(canvas, kClient);
    return plat::headless::canvas_ops(canvas);
}

std::vector<plat::headless::DrawOp> RenderTest::polygons() {
    std::vector<plat::headless::DrawOp> out;
    if (canvases_.empty()) return out;
    for (const auto& op : plat::headless::canvas_ops(canvases_.back()))
        if (op.op == plat::headless::Op::Polygon) out.push_back(op);
    return out;
}

plat::Point project(double x, double y, double z) {
    render::Vec3 w = render::LocalToWorld(x, y, render::model_pose());
    return render::WorldToScreen(w.x, w.y, z);
}

}  // namespace render_test
