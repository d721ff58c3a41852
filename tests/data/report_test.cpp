#include "data/report.h"

#include <gtest/gtest.h>

TEST(ReportError, TheCommandLineSinkPrintsOneErrorLine) {
    testing::internal::CaptureStderr();
    print_error("Open TRAJ file failure.");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Open TRAJ file failure.\n");
}
