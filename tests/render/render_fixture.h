// Shared set-up of the renderer tests: a headless platform, a fresh current
// directory (so that "trajcolset.ini" is whatever the test writes), the renderer
// started as the main window would start it, and a small scene written to files and
// loaded as the File menu loads them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/traj_store.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace render_test {

// One trajectory of a generated TRAJ file: samples at frames first..last (time
// 1000 + 100·(frame - 1) ms), moving along +y at `speed` m/s from (x, y0) in the
// world, heading +y; box 4.5 x 1.8 m. Its ego-frame columns put it at (ego_x, ego_y)
// with heading +y.
struct TrajSpec {
    int id = 0;
    int first = 1;
    int last = 30;
    double x = 0;
    double y0 = 0;
    double speed = 10;
    double ego_x = 0;
    double ego_y = 0;
};

std::string traj_text(const std::vector<TrajSpec>& trajectories);
// A .nav pose track: poses every 100 ms from 1000 ms to 10000 ms at (x, y + v·t)
// with the given heading.
std::string nav_text(double x, double y, double heading, double v = 10);

// Writes text into the current directory.
void write_file(const std::string& name, const std::string& text);

class RenderTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes and loads scene.nav and scene.traj as "Load Ego" and "Load Mov" do.
    void load_scene(const std::vector<TrajSpec>& trajectories, double ego_heading = 0);
    // Paints the scene into a fresh canvas of the client size and returns its ops
    // (the canvas is deleted by TearDown).
    const std::vector<plat::headless::DrawOp>& paint();
    // The polygons of the latest paint, in drawing order.
    std::vector<plat::headless::DrawOp> polygons();

    static constexpr plat::Size kClient{960, 640};

  private:
    std::string old_dir_;
    std::string dir_;
    std::vector<plat::Dc> canvases_;
};

// Screen point of a shape point (metres) at time height z, as the placing operations
// project it: LocalToWorld with the model pose, then WorldToScreen.
plat::Point project(double x, double y, double z);

}  // namespace render_test
