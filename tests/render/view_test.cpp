// The view transform and the drag arithmetic, without a window.
#include "render/view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using render::DragKind;
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

class ViewTest : public testing::Test {
  protected:
    void SetUp() override {
        render::ResetView(v.state, {960, 640}, render::kPlovaneInitialScale);  // origin (480, 310)
    }
    render::ViewState& view() { return v.state; }
    DragKind move(int x, int y) {
        DragKind served = DragKind::Zoom;
        EXPECT_TRUE(render::drag_move(v, x, y, &served));
        return served;
    }
    plat::Point screen(double x, double y, double z) {
        return render::WorldToScreen(v.state, x, y, z);
    }
    void begin(DragKind kind, int x, int y) { render::begin_drag(v, kind, x, y); }
    void end(DragKind kind) { render::end_drag(v, kind); }

    render::View v;
};

TEST_F(ViewTest, TopViewPutsWorldXDownAndWorldYRightAndIgnoresHeight) {
    EXPECT_EQ(screen(0, 0, 0), (plat::Point{480, 310}));
    EXPECT_NEAR(screen(10000, 0, 0).y, 310 + 450, 1);
    EXPECT_NEAR(screen(0, 10000, 0).x, 480 + 450, 1);
    EXPECT_EQ(screen(1234, -567, 0), screen(1234, -567, 98765));
    view().elevation = 90;  // side view: the vertical is the height alone
    EXPECT_EQ(render::IsTilted(v.state), 1);
    EXPECT_NEAR(screen(5000, 0, 10000).y, 310 - 450, 1);
}

TEST_F(ViewTest, FarPointsAtHighZoomSaturateInsteadOfOverflowing) {
    view().scale = 1000;
    EXPECT_EQ(screen(1e15, 0, 0).y, kMax);
    EXPECT_EQ(screen(0, -1e15, 0).x, kMin);
    EXPECT_EQ(render::trunc_to_int32(-2.9), -2);
    EXPECT_EQ(render::trunc_to_int32(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(ViewTest, LocalToWorldTurnsByYawAndByNegatedPitchAndRoll) {
    render::ModelPose pose;
    EXPECT_DOUBLE_EQ(render::LocalToWorld(1.5, -2, pose).y, -200);
    pose.yaw = 90;
    EXPECT_NEAR(render::LocalToWorld(1, 0, pose).y, 100, 1e-6);
    pose = render::ModelPose{};
    pose.pitch = 90;
    EXPECT_NEAR(render::LocalToWorld(1, 0, pose).z, 100, 1e-6);
    pose = render::ModelPose{};
    pose.roll = 90;
    EXPECT_NEAR(render::LocalToWorld(0, 1, pose).z, -100, 1e-6);
}

TEST_F(ViewTest, RotateDragWrapsAzimuthAndClampsElevation) {
    begin(DragKind::Rotate, 100, 100);
    move(200, 100);
    EXPECT_EQ(view().azimuth, 10);  // 270 + 100
    move(100 - 1000, 100);
    EXPECT_EQ(view().azimuth, 350);
    move(100, 100 - 61);
    EXPECT_EQ(view().elevation, 30);  // two pixels a degree, truncated
    move(100, -30000);
    EXPECT_EQ(view().elevation, 90);
    move(100, 30000);
    EXPECT_EQ(view().elevation, 0);
}

TEST_F(ViewTest, ZoomDragStopsAtTheFloorButNotAtATop) {
    begin(DragKind::Zoom, 0, 500);
    move(0, 400);
    EXPECT_NEAR(view().scale, 0.145, 1e-12);  // saved 45 + 100, in thousandths
    move(0, 30000);
    EXPECT_EQ(view().scale, render::kMinScale);
    move(0, -30000);
    EXPECT_NEAR(view().scale, 30.545, 1e-9);
}

TEST_F(ViewTest, TheWheelKeepsThePointUnderThePointerWithinItsLimits) {
    view().elevation = 30;
    const plat::Point before = screen(1000, -2000, 50);
    render::zoom_about(view(), 2 * plat::kWheelNotch, before.x, before.y);
    EXPECT_NEAR(view().scale, 0.045 * 1.5625, 1e-12);
    const plat::Point after = screen(1000, -2000, 50);
    EXPECT_NEAR(after.x, before.x, 1);
    EXPECT_NEAR(after.y, before.y, 1);
    render::zoom_about(view(), 60, 0, 0);  // half a notch of a fine wheel
    EXPECT_NEAR(view().scale, 0.045 * 1.5625 * std::sqrt(1.25), 1e-12);
    render::zoom_about(view(), -100 * plat::kWheelNotch, 0, 0);
    EXPECT_EQ(view().scale, render::kMinScale);
    render::zoom_about(view(), 100 * plat::kWheelNotch, 0, 0);
    EXPECT_EQ(view().scale, render::kMaxWheelScale);
}

// Saved in 16 bits, a zoom beyond 32.767 px/cm or a centre beyond 32767 pixels
// wrapped and made the next drag jump.
TEST_F(ViewTest, RegressionSavedValuesBeyondSixteenBitsDoNotWrap) {
    view().scale = 40.0;
    view().centerX = 40000;
    begin(DragKind::Zoom, 0, 0);
    move(0, 0);
    EXPECT_NEAR(view().scale, 40.0, 1e-9);
    end(DragKind::Zoom);
    begin(DragKind::Pan, 0, 0);
    move(5, -3);
    EXPECT_EQ(view().centerX, 40005);
    EXPECT_EQ(view().centerY, 307);
}

TEST_F(ViewTest, MovesServeTheFirstActiveDragInButtonOrder) {
    DragKind served;
    EXPECT_FALSE(render::drag_move(v, 5, 5, &served));

    begin(DragKind::Rotate, 0, 0);
    begin(DragKind::Pan, 0, 0);
    EXPECT_EQ(move(20, 0), DragKind::Rotate);  // middle keeps the moves
    EXPECT_EQ(view().centerX, 480);
    end(DragKind::Rotate);
    end(DragKind::Pan);

    // Right takes over from left until released; left then resumes from its start.
    begin(DragKind::Zoom, 0, 100);
    begin(DragKind::Pan, 0, 90);
    EXPECT_EQ(move(0, 80), DragKind::Pan);
    EXPECT_EQ(view().centerY, 300);
    EXPECT_EQ(view().scale, 0.045);
    end(DragKind::Pan);
    EXPECT_EQ(move(0, 80), DragKind::Zoom);
    EXPECT_NEAR(view().scale, 0.065, 1e-12);
}

}  // namespace
