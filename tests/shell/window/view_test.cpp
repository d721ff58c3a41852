// The view transform and the drag arithmetic, without a window.
#include "render/view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using render::DragKind;

class ViewTest : public testing::Test {
  protected:
    void SetUp() override {
        render::BuildTrigTables();
        render::ResetView({960, 640}, render::kPlovaneInitialScale);
        render::reset_drags();
    }
    render::ViewState& view() { return render::view_state(); }
};

TEST_F(ViewTest, ResetViewCentresTheOriginAboveTheMiddle) {
    render::ResetView({961, 641}, render::kVantrelInitialScale);
    EXPECT_EQ(view().centerX, 480);
    EXPECT_EQ(view().centerY, 310);
    EXPECT_EQ(view().scale, 0.06);
    EXPECT_EQ(view().elevation, 0);
    EXPECT_EQ(view().azimuth, 270);
}

TEST_F(ViewTest, TopViewPutsWorldXDownAndWorldYRight) {
    const plat::Point origin = render::WorldToScreen(0, 0, 0);
    EXPECT_EQ(origin, (plat::Point{480, 310}));
    const plat::Point down = render::WorldToScreen(10000, 0, 0);
    EXPECT_NEAR(down.x, 480, 1);
    EXPECT_NEAR(down.y, 310 + 450, 1);
    const plat::Point right = render::WorldToScreen(0, 10000, 0);
    EXPECT_NEAR(right.x, 480 + 450, 1);
    EXPECT_NEAR(right.y, 310, 1);
}

TEST_F(ViewTest, HeightMovesNothingUntilTilted) {
    EXPECT_EQ(render::WorldToScreen(1234, -567, 0), render::WorldToScreen(1234, -567, 98765));
    EXPECT_EQ(render::IsTilted(), 0);
    view().elevation = 90;
    EXPECT_EQ(render::IsTilted(), 1);
    // Side view: the screen's vertical is the height, world x no longer shows.
    EXPECT_NEAR(render::WorldToScreen(5000, 0, 10000).y, 310 - 450, 1);
    EXPECT_NEAR(render::WorldToScreen(0, 0, 10000).y, 310 - 450, 1);
}

TEST_F(ViewTest, FarPointsAtHighZoomSaturateInsteadOfOverflowing) {
    view().scale = 1000;
    const plat::Point far_down = render::WorldToScreen(1e15, 0, 0);
    EXPECT_EQ(far_down.y, std::numeric_limits<int32_t>::max());
    const plat::Point far_left = render::WorldToScreen(0, -1e15, 0);
    EXPECT_EQ(far_left.x, std::numeric_limits<int32_t>::min());
    // A point the 32-bit range holds is untouched by the clamp.
    view().scale = 1;
    EXPECT_NEAR(render::WorldToScreen(0, 1000000, 0).x, 480 + 1000000, 1);
}

TEST_F(ViewTest, TruncToInt32RoundsTowardZeroAndSaturates) {
    EXPECT_EQ(render::trunc_to_int32(2.9), 2);
    EXPECT_EQ(render::trunc_to_int32(-2.9), -2);
    EXPECT_EQ(render::trunc_to_int32(3e9), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(render::trunc_to_int32(-3e9), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(render::trunc_to_int32(std::nan("")), 0);
    EXPECT_EQ(render::trunc_to_int32(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int32_t>::max());
}

TEST_F(ViewTest, LocalToWorldPlacesModelPoints) {
    render::Vec3 w = render::LocalToWorld(1.5, -2, render::ModelPose{});
    EXPECT_DOUBLE_EQ(w.x, 150);
    EXPECT_DOUBLE_EQ(w.y, -200);
    EXPECT_DOUBLE_EQ(w.z, 0);

    render::ModelPose yawed;
    yawed.yaw = 90;
    yawed.x = 10;
    yawed.z = 5;
    w = render::LocalToWorld(1, 0, yawed);  // +x turns to +y
    EXPECT_NEAR(w.x, 10, 1e-6);
    EXPECT_NEAR(w.y, 100, 1e-6);
    EXPECT_NEAR(w.z, 5, 1e-6);

    // Pitch and roll enter negated: pitch 90 lifts +x to +z, roll 90 turns +y to -z.
    render::ModelPose pitched;
    pitched.pitch = 90;
    w = render::LocalToWorld(1, 0, pitched);
    EXPECT_NEAR(w.x, 0, 1e-6);
    EXPECT_NEAR(w.z, 100, 1e-6);
    render::ModelPose rolled;
    rolled.roll = 90;
    w = render::LocalToWorld(0, 1, rolled);
    EXPECT_NEAR(w.y, 0, 1e-6);
    EXPECT_NEAR(w.z, -100, 1e-6);
}

TEST_F(ViewTest, ResizeMovesTheOriginAndKeepsZoomAndAngles) {
    view().scale = 0.2;
    view().azimuth = 30;
    view().elevation = 45;
    render::resize_view({0, 0, 805, 501});
    EXPECT_EQ(view().centerX, 80);
    EXPECT_EQ(view().centerY, 250);
    EXPECT_EQ(view().scale, 0.2);
    EXPECT_EQ(view().azimuth, 30);
    EXPECT_EQ(view().elevation, 45);
}

TEST_F(ViewTest, RotateDragWrapsAzimuthAndClampsElevation) {
    render::begin_drag(DragKind::Rotate, 100, 100);
    DragKind served;
    ASSERT_TRUE(render::drag_move(200, 100, &served));
    EXPECT_EQ(served, DragKind::Rotate);
    EXPECT_EQ(view().azimuth, 10);  // 270 + 100
    render::drag_move(100 - 1000, 100, &served);
    EXPECT_EQ(view().azimuth, 350);  // 270 - 1000 + 3 * 360
    render::drag_move(100, 100 - 61, &served);
    EXPECT_EQ(view().elevation, 30);  // up 61 pixels: 30 degrees (truncated)
    render::drag_move(100, -30000, &served);
    EXPECT_EQ(view().elevation, 90);
    render::drag_move(100, 30000, &served);
    EXPECT_EQ(view().elevation, 0);
}

TEST_F(ViewTest, PanDragFollowsThePointer) {
    render::begin_drag(DragKind::Pan, 10, 20);
    DragKind served;
    render::drag_move(-15, 70, &served);
    EXPECT_EQ(view().centerX, 480 - 25);
    EXPECT_EQ(view().centerY, 310 + 50);
}

TEST_F(ViewTest, ZoomDragStopsAtTheFloorButNotAtATop) {
    render::begin_drag(DragKind::Zoom, 0, 500);
    DragKind served;
    render::drag_move(0, 400, &served);
    EXPECT_NEAR(view().scale, 0.145, 1e-12);  // saved 45 + 100, in thousandths
    render::drag_move(0, 30000, &served);
    EXPECT_EQ(view().scale, render::kMinScale);
    render::drag_move(0, -30000, &served);
    EXPECT_NEAR(view().scale, 30.545, 1e-9);
}

// A zoom beyond 32.767 px/cm, or a centre panned beyond 32767 pixels, wrapped
// when saved in 16 bits and made the next drag jump.
TEST_F(ViewTest, RegressionSavedValuesBeyondSixteenBitsDoNotWrap) {
    view().scale = 40.0;
    render::begin_drag(DragKind::Zoom, 0, 0);
    DragKind served;
    render::drag_move(0, 0, &served);
    EXPECT_NEAR(view().scale, 40.0, 1e-9);
    render::end_drag(DragKind::Zoom);

    view().centerX = 40000;
    render::begin_drag(DragKind::Pan, 0, 0);
    render::drag_move(5, 0, &served);
    EXPECT_EQ(view().centerX, 40005);
}

TEST_F(ViewTest, MovesServeTheFirstActiveDragInButtonOrder) {
    DragKind served;
    EXPECT_FALSE(render::drag_move(5, 5, &served));  // no drag: nothing changes

    // Middle first: a right press meanwhile does not take the moves.
    render::begin_drag(DragKind::Rotate, 0, 0);
    render::begin_drag(DragKind::Pan, 0, 0);
    render::drag_move(20, 0, &served);
    EXPECT_EQ(served, DragKind::Rotate);
    EXPECT_EQ(view().centerX, 480);
    render::end_drag(DragKind::Rotate);
    render::end_drag(DragKind::Pan);

    // Left, then right: right takes over until it is released, then left resumes
    // from its own start.
    render::begin_drag(DragKind::Zoom, 0, 100);
    render::drag_move(0, 90, &served);
    EXPECT_EQ(served, DragKind::Zoom);
    render::begin_drag(DragKind::Pan, 0, 90);
    render::drag_move(0, 80, &served);
    EXPECT_EQ(served, DragKind::Pan);
    EXPECT_EQ(view().centerY, 300);
    EXPECT_NEAR(view().scale, 0.055, 1e-12);
    render::end_drag(DragKind::Pan);
    render::drag_move(0, 80, &served);
    EXPECT_EQ(served, DragKind::Zoom);
    EXPECT_NEAR(view().scale, 0.065, 1e-12);
}

}  // namespace
