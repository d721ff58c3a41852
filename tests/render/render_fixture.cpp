#include "tests/render/render_fixture.h"

#include <cstdio>
#include <fstream>

#include "data/pose_track.h"
#include "data/scene_clock.h"
#include "render/scene_painter.h"
#include "render/view.h"
#include "resources/resources.h"
#include "tests/support/scene_files.h"

namespace render_test {

std::string traj_text(const std::vector<TrajSpec>& trajectories) {
    std::string text;
    char buf[200];
    for (const TrajSpec& t : trajectories) {
        text += "tno=" + std::to_string(t.id) + "\n";
        for (int f = 1; f <= t.last; ++f) {
            const int time = 1000 + 100 * (f - 1);
            std::snprintf(buf, sizeof buf, "%d,%d,%.6f,%.6f,4.5,1.8,0,1,%.6f,%.6f,0,1,%.6f\n", time,
                          f, t.x, t.y0 + t.speed * (f - 1) / 10, t.ego_x, t.ego_y, t.speed);
            text += buf;
        }
    }
    return text;
}

std::string nav_text(double x, double y, double h, double v) {
    std::string text;
    char buf[160];
    for (int time = 1000; time <= 10000; time += 100) {
        std::snprintf(buf, sizeof buf, "%d 0 0 %.9f %.6f %.6f 0\n", time, h, x,
                      y + v * (time - 1000) / 1000.0);
        text += buf;
    }
    return text;
}

void write_file(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

plat::Point project(const render::View& view, double x, double y, double z) {
    const render::Vec3 w = render::LocalToWorld(x, y, view.model);
    return render::WorldToScreen(view.state, w.x, w.y, z);
}

void RenderTest::SetUp() {
    dir_ = std::make_unique<test_support::TempFolder>();
    in_dir_ = std::make_unique<test_support::CurrentFolder>(dir_->path());
    plat::StartOptions options;
    options.backend = "headless";
    ASSERT_TRUE(plat::start_platform(options));
    plat::use_resources(&resources::plovane());
    render::renderer_startup(view);
    render::ResetView(view.state, plat::Size{960, 640}, render::kPlovaneInitialScale);
}

void RenderTest::TearDown() {
    for (plat::Dc dc : canvases_) plat::delete_dc(dc);
    render::renderer_shutdown(view);
    plat::stop_platform();
    in_dir_.reset();
    dir_.reset();
}

void RenderTest::load_scene(const std::vector<TrajSpec>& trajectories, double ego_heading) {
    write_file("scene.nav", nav_text(0, 0, ego_heading));
    write_file("scene.traj", traj_text(trajectories));
    test_support::load_scene_files(scene, "scene.nav", "scene.traj");
}

const std::vector<plat::headless::DrawOp>& RenderTest::paint() {
    canvases_.push_back(plat::create_canvas(960, 640));
    render::paint_scene(scene, view, canvases_.back(), plat::Size{960, 640});
    render::record_history(scene, view);
    return plat::headless::canvas_ops(canvases_.back());
}

std::vector<plat::headless::DrawOp> RenderTest::polygons() {
    std::vector<plat::headless::DrawOp> out;
    for (const auto& op : plat::headless::canvas_ops(canvases_.back()))
        if (op.op == plat::headless::Op::Polygon) out.push_back(op);
    return out;
}

}  // namespace render_test
