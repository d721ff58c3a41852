// Set-up shared by the renderer tests: the headless platform, a fresh current folder
// (so "trajcolset.ini" is whatever a test writes), the renderer started as the main
// window starts it, and small generated scenes loaded as the File menu loads them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/scene.h"
#include "platform/headless.h"
#include "render/view.h"
#include "tests/support/temp_folder.h"

namespace render_test {

// A trajectory at frames 1..last (time 1000 + 100·(frame - 1) ms), moving along +y
// from (x, y0) at `speed` m/s, heading +y, box 4.5 x 1.8 m; its ego-frame columns
// say (ego_x, ego_y), heading +y.
struct TrajSpec {
    int id = 0;
    int last = 30;
    double x = 0, y0 = 0, speed = 10, ego_x = 0, ego_y = 0;
};

std::string traj_text(const std::vector<TrajSpec>& trajectories);
// A .nav track: poses every 100 ms from 1000 to 10000 ms at (x, y + v·t), heading h.
std::string nav_text(double x, double y, double h, double v = 10);
void write_file(const std::string& name, const std::string& text);
// A shape point (metres) at time height z as the placing operations project it.
plat::Point project(const render::View& view, double x, double y, double z);

class RenderTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes scene.nav and scene.traj and loads them as "Load Ego" and "Load Mov".
    void load_scene(const std::vector<TrajSpec>& trajectories, double ego_heading = 0);
    // Paints into a fresh 960 x 640 canvas and records the frame's boxes, as the
    // viewer's WM_PAINT does; its ops, and its polygons alone.
    const std::vector<plat::headless::DrawOp>& paint();
    std::vector<plat::headless::DrawOp> polygons();

    Scene scene;        // fresh for each test
    render::View view;  // the viewer's, started as the main window starts it

  private:
    std::unique_ptr<test_support::TempFolder> dir_;
    std::unique_ptr<test_support::CurrentFolder> in_dir_;
    std::vector<plat::Dc> canvases_;
};

}  // namespace render_test
