// The picture of the role scene, checked alike on the Qt canvas (snapshot_test.cpp)
// and on the Win32 back end (win32_snapshot_test.cpp): three vehicles side by side
// ahead of the ego, the middle one (id 101) the front vehicle in red, the ego car
// in yellow.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "data/scene_clock.h"
#include "render/scene_painter.h"
#include "tests/render/render_fixture.h"
#include "tests/support/scene_files.h"
#include "viewer/plovane.h"

namespace snapshot_checks {

// The three vehicles, for the render fixture's load_scene.
inline std::vector<render_test::TrajSpec> role_scene() {
    std::vector<render_test::TrajSpec> scene(3);
    for (int i = 0; i < 3; ++i) {
        scene[i].id = 100 + i;
        scene[i].x = 4.0 * (i - 1);
        scene[i].y0 = 15;
    }
    return scene;
}

// After load_scene(role_scene()): the files loaded into viewer and the role colours
// (trajcolset.ini) beside them.
inline void load_role_files(shell::Plovane& viewer) {
    test_support::load_scene_files(viewer.scene, "scene.nav", "scene.traj");
    render_test::write_file("trajcolset.ini",
                            "frontid=101\nfrontcol=255,0,0\ntrajcolseton=1\n"
                            "egocol=255,255,0\nleadid=-1\nlagid=-1\nrearid=-1\n");
}

// The ego car (the history's last entry: its centre marker and yellow body) and the
// front vehicle's red rear edge where the view projects them; pic.at(point) gives
// a pixel's colour.
template <class Picture>
void expect_car_and_front_vehicle(const Picture& pic, const shell::Plovane& viewer) {
    const HistoryRing& ring = viewer.scene.history;
    const TrajPoint& ego = ring.boxes[(ring.appended - 1) % kHistorySize];
    const double f = viewer.view.settings.yxFactor;
    auto at = [&](double ahead) {  // a point of the car's centre line, metres ahead of its centre
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

}  // namespace snapshot_checks
