#include "data/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(VecNormalize, ZeroStaysAndOthersShrinkBelowUnit) {
    Vec2 zero{0, 0};
    EXPECT_EQ(vec_normalize(zero), 0.0);
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.y, 0.0);

    Vec2 v{3, 4};
    EXPECT_DOUBLE_EQ(vec_normalize(v), 5.0);
    EXPECT_EQ(v.x, 3 / (5 + 1e-10));
    EXPECT_EQ(v.y, 4 / (5 + 1e-10));
}

TEST(VecRotate, FollowsVehicleFrameConventionAndInverts) {
    // A quarter turn maps the vehicle's forward axis (+y) to world -x.
    const Mat2 r = rotation_matrix(M_PI / 2);
    Vec2 forward{0, 1};
    vec_rotate(forward, r);
    EXPECT_NEAR(forward.x, -1, 1e-12);
    EXPECT_NEAR(forward.y, 0, 1e-12);

    const Mat2 m = rotation_matrix(0.7);
    Vec2 v{2.5, -1.25};
    vec_rotate(v, m);
    vec_rotate_inverse(v, m);
    EXPECT_NEAR(v.x, 2.5, 1e-12);
    EXPECT_NEAR(v.y, -1.25, 1e-12);

    Vec2 a{1, 2};
    vec_add(a, Vec2{3, 4});
    vec_sub(a, Vec2{0.5, 1});
    EXPECT_DOUBLE_EQ(a.x, 3.5);
    EXPECT_DOUBLE_EQ(a.y, 5);
    EXPECT_DOUBLE_EQ(vec_length(Vec2{6, 8}), 10);
    const Vec2 n = vec_left_normal(Vec2{1, 0});
    EXPECT_DOUBLE_EQ(n.x, 0);
    EXPECT_DOUBLE_EQ(n.y, 1);
}

TEST(BoxCorners, FrontRightFrontLeftRearLeftRearRight) {
    // Heading +y: front is +y, left normal is -x.
    const auto c = box_corners(Vec2{10, 20}, Vec2{0, 1}, 4, 2, 0.5);
    const double want[4][2] = {{11.5, 22.5}, {8.5, 22.5}, {8.5, 17.5}, {11.5, 17.5}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(c[i].x, want[i][0]) << i;
        EXPECT_DOUBLE_EQ(c[i].y, want[i][1]) << i;
    }
}

TEST(SplitFileName, BaseAndExtensionWithoutTrailingDigits) {
    struct Case {
        std::string path, base, extension;
    };
    const Case cases[] = {
        {"run.nav2", "run", "nav"},
        {"run.POS", "run", "POS"},
        {"track.NAV3", "track", "NAV"},
        {"track", "track", ""},
        {".nav", ".nav", ""},
        {"a.b/c", "a", "b/c"},
        {"dir.v2/file.traj12", "dir.v2/file", "traj"},
        {"x.123", "x", ""},
        {std::string(5000, 'p') + "." + std::string(300, 'e'), std::string(5000, 'p'),
         std::string(300, 'e')},
    };
    for (const Case& c : cases) {
        std::string base, extension;
        EXPECT_EQ(split_file_name(c.path, base, extension), 1);
        EXPECT_EQ(base, c.base) << c.path;
        EXPECT_EQ(extension, c.extension) << c.path;
    }
}
