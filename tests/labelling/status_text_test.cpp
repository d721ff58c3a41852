// The status line, the title and the label names, as text from a session made by hand.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "labelling/sample_painter.h"
#include "labelling/status_text.h"

namespace {

TrackSample made(int32_t id, int32_t start, int32_t end, uint8_t label, int32_t active = 1) {
    TrackSample s;
    s.sample_id = id;
    s.start_ms = start;
    s.end_ms = end;
    s.label = label;
    s.active = active;
    s.pose_count = (end - start) / 100 + 1;
    return s;
}

// Three samples, the second deleted; a pose track of two poses.
LabelSession hand_made() {
    LabelSession s;
    s.samples.records = {TrackSample{}, made(11, 37805000, 37815000, 1),
                         made(12, 37830000, 37842000, 2, 0), made(13, 37862000, 37871500, 4)};
    s.samples.count = 4;
    s.pose.poses.resize(2);
    s.pose.count = 2;
    s.label_names = {"none", "lane change left"};
    return s;
}

TEST(StatusText, TellsWhatTheKeysActOn) {
    struct Case {
        const char* what;
        std::function<void(LabelSession&)> change;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"loaded", [](LabelSession&) {},
         "Labelling off | edit start | sample 1 of 2 | id 11 | label 1 (lane change left) | "
         "10:30:05.000 - 10:30:15.000 (37805000 - 37815000 ms) | 10.0 s | 101 poses"},
        {"labelling on the last sample, its label unnamed",
         [](LabelSession& s) {
             s.state.labelling = true;
             s.state.edit_mode = 3;
             s.state.current_sample = 3;
             s.state.last_action = "heading +0.001 rad";
         },
         "Labelling on | edit heading | sample 2 of 2 | id 13 | label 4 | "
         "10:31:02.000 - 10:31:11.500 (37862000 - 37871500 ms) | 9.5 s | 96 poses | "
         "heading +0.001 rad"},
        {"a deleted current sample",
         [](LabelSession& s) {
             s.state.current_sample = 2;
             s.state.edit_mode = 2;
         },
         "Labelling off | edit end | no current sample of 2"},
        {"shortened on load, no ego track",
         [](LabelSession& s) {
             s.state.shortened_on_load = 2;
             s.pose = PoseTrack{};
             s.state.last_action = "deleted";
         },
         "Labelling off | edit start | sample 1 of 2 | id 11 | label 1 (lane change left) | "
         "10:30:05.000 - 10:30:15.000 (37805000 - 37815000 ms) | 10.0 s | no ego track | "
         "2 shortened on load | deleted"},
        {"nothing loaded",
         [](LabelSession& s) {
             LabelSession blank;
             s = std::move(blank);
         },
         "Labelling off | edit start | no samples | no ego track"},
    };
    for (const Case& c : cases) {
        LabelSession s = hand_made();
        c.change(s);
        EXPECT_EQ(status_text(s), c.expected) << c.what;
    }
}

TEST(StatusText, TitleNamesTheFileAndStarsUnsavedEdits) {
    LabelSession s = hand_made();
    EXPECT_EQ(window_title(s), "Vantrel");
    s.sample_path = "/data/run 1/scene_samples.txt";
    EXPECT_EQ(window_title(s), "Vantrel \u2014 scene_samples.txt");
    s.state.unsaved = true;
    EXPECT_EQ(window_title(s), "Vantrel \u2014 scene_samples.txt *");
}

TEST(StatusText, TimesOfDayAndDurations) {
    EXPECT_EQ(time_of_day(0), "00:00:00.000");
    EXPECT_EQ(time_of_day(37805123), "10:30:05.123");
    EXPECT_EQ(time_of_day(86399999), "23:59:59.999");
    EXPECT_EQ(time_of_day(86400000 + 1000), "00:00:01.000");  // the next day
    EXPECT_EQ(time_of_day(-1000), "23:59:59.000");
    EXPECT_EQ(duration_text(9500), "9.5 s");
    EXPECT_EQ(duration_text(-100), "-0.1 s");
}

TEST(StatusText, LabelNamesFromAFileOrTheSettingsField) {
    const std::vector<std::string> names = parse_label_names(
        "# labels\n0=none\r\n 1 = lane change left \n\nx=bad\n300=too big\n"
        "3=\n4=merge\n");
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "none");
    EXPECT_EQ(names[1], "lane change left");
    EXPECT_EQ(names[3], "");
    EXPECT_EQ(names[4], "merge");
    EXPECT_EQ(label_names_text(names), "0=none; 1=lane change left; 4=merge");
    EXPECT_EQ(parse_label_names(label_names_text(names)), names);
    EXPECT_TRUE(parse_label_names("").empty());
}

TEST(StatusText, LinesBreakAtSeparators) {
    EXPECT_EQ(labelling::status_lines("a | bb | ccc", 100),
              (std::vector<std::string>{"a | bb | ccc"}));
    EXPECT_EQ(labelling::status_lines("a | bb | ccc", 7),
              (std::vector<std::string>{"a | bb", "ccc"}));
    // A part longer than a line gets one of its own.
    EXPECT_EQ(labelling::status_lines("a | longer part | b", 4),
              (std::vector<std::string>{"a", "longer part", "b"}));
}

}  // namespace
