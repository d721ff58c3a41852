#include "data/report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string g_seen;
void remember(std::string_view text) {
    g_seen = std::string(text);
}

}  // namespace

TEST(ReportError, SinkCanBeReplacedAndRestored) {
    ErrorSink previous = set_error_sink(remember);
    report_error("Open TRAJ file failure.");
    EXPECT_EQ(g_seen, "Open TRAJ file failure.");
    EXPECT_EQ(set_error_sink(nullptr), remember);
    testing::internal::CaptureStderr();
    report_error("x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: x\n");
    set_error_sink(previous);
}
