#include "data/pose_track.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>
#include "tests/support/temp_folder.h"

namespace {

// Poses at the given times, .nav layout, pose i at (i, 10 i) heading 0.1 i.
std::string nav_text(const std::vector<int>& times) {
    std::string text;
    for (size_t i = 0; i < times.size(); ++i) {
        text += std::to_string(times[i]) + " 0 0 " + std::to_string(0.1 * i) + " " +
                std::to_string(i) + " " + std::to_string(10 * i) + " 0\n";
    }
    return text;
}

class PoseTrackTest : public testing::Test {
  protected:
    void SetUp() override { reset_pose_state(); }
    void TearDown() override { reset_pose_state(); }

    void load_times(const std::vector<int>& times) {
        uint64_t lines = 0;
        ASSERT_EQ(
            read_pose_text(nav_text(times), true, pose_track().poses, pose_track().count, lines),
            PoseReadStatus::Ok);
    }
};

}  // namespace

TEST(NavColumnsFor, ChoosesLayoutFromExtension) {
    struct Case {
        const char* path;
        int nav;
    };
    const Case cases[] = {{"track.nav", 1},  {"track.NAV3", 1}, {"dir/run.Nav12", 1},
                          {"track.navx", 1}, {"track.pos", 0},  {"track.txt", 0},
                          {"track", 0},      {".nav", 0},       {"track.na", 0}};
    for (const Case& c : cases) EXPECT_EQ(nav_columns_for(c.path), c.nav) << c.path;
}

TEST(ReadPoseText, ReadsBothLayouts) {
    std::vector<PoseRecord> poses;
    int32_t count = 0;
    uint64_t lines = 0;
    ASSERT_EQ(read_pose_text("1000,1.5,2.5,0.25,10,20,3.5,extra\n", true, poses, count, lines),
              PoseReadStatus::Ok);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(poses[0].time_ms, 1000);
    EXPECT_EQ(poses[0].aux1, 1.5);
    EXPECT_EQ(poses[0].aux2, 2.5);
    EXPECT_EQ(poses[0].heading, 0.25);
    EXPECT_EQ(poses[0].x, 10);
    EXPECT_EQ(poses[0].y, 20);
    EXPECT_EQ(poses[0].aux3, 3.5);

    ASSERT_EQ(read_pose_text("7\t1000 1.5 2.5 0.25 10 20 3.5\n", false, poses, count, lines),
              PoseReadStatus::Ok);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(poses[0].time_ms, 1000);
    EXPECT_EQ(poses[0].heading, 0.25);
    EXPECT_EQ(poses[0].aux3, 3.5);
}

TEST(ReadPoseText, DataLineRule) {
    // "12\n" has 3 characters with its line end and is a data line (it then stops
    // reading for lack of columns); "1\n" is not; nor are lines starting with a
    // space, a sign or a letter.
    struct Case {
        const char* text;
        uint64_t lines;
    };
    const Case cases[] = {{"12\n", 1},     {"1\n", 0},      {"12", 0},
                          {"123", 1},      {" 1 2 3\n", 0}, {"-1 2 3\n", 0},
                          {"+1 2 3\n", 0}, {"t 1 2\n", 0},  {"1\r\n", 0}};
    for (const Case& c : cases) {
        std::vector<PoseRecord> poses;
        int32_t count = 0;
        uint64_t lines = 99;
        PoseReadStatus status = read_pose_text(c.text, true, poses, count, lines);
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(status, c.lines ? PoseReadStatus::Ok : PoseReadStatus::NoData) << c.text;
        EXPECT_EQ(count, 0) << c.text;
    }
}

TEST(ReadPoseText, ShortLineStopsReadingKeepingEarlierPoses) {
    struct Case {
        const char* text;
        bool nav;
        int32_t count;
    };
    const Case cases[] = {
        {"1000 0 0 0 1 2 0\n1100 0 0 0 1 2\n1200 0 0 0 1 2 0\n", true, 1},
        {"1 1000 0 0 0 1 2 0\n22\n3 1200 0 0 0 1 2 0\n", false, 1},  // no time token
        {"1 1000 0 0 0 1 2 0\n# comment\n2 1100 0 0 0 1 2 0\n", false, 2},
    };
    for (const Case& c : cases) {
        std::vector<PoseRecord> poses;
        int32_t count = 0;
        uint64_t lines = 0;
        EXPECT_EQ(read_pose_text(c.text, c.nav, poses, count, lines), PoseReadStatus::Ok);
        EXPECT_EQ(count, c.count) << c.text;
        EXPECT_EQ(poses[0].time_ms, 1000);
    }
}

TEST(ReadOriginText, ColumnsAndShortLines) {
    std::vector<PoseRecord> points;
    int32_t count = 0;
    uint64_t lines = 0;
    const char* text = "9 1000 8 7 10.5 20.5 0.75 extra\n9 2000 8 7 11 21\n9 3000 8 7 1 2 3\n";
    ASSERT_EQ(read_origin_text(text, points, count, lines), PoseReadStatus::Ok);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(points[0].time_ms, 1000);
    EXPECT_EQ(points[0].x, 10.5);
    EXPECT_EQ(points[0].y, 20.5);
    EXPECT_EQ(points[0].heading, 0.75);
    EXPECT_EQ(points[0].aux1, 0);
    EXPECT_EQ(points[0].aux3, 0);
}

TEST_F(PoseTrackTest, LoadFailuresWriteTheirMessage) {
    struct Case {
        std::string path;
        std::string message;
    };
    test_support::TempFolder dir;
    std::string missing = dir.file("no_such_dir/track.nav");
    std::string empty = dir.write("empty.nav", "# no data\n");
    const Case cases[] = {{missing, "Open data failure : " + missing},
                          {empty, "Invalid data : " + empty}};
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_pose_track(c.path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(pose_track_loaded(), 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_origin_track(c.path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(origin_track_loaded(), 0);
    }
}

TEST_F(PoseTrackTest, AdvancePoseCursorMovesToNearestPoseForwardOnly) {
    load_times({1000, 1100, 1200});
    struct Step {
        int32_t time;
        int32_t cursor;
    };
    const Step steps[] = {{1149, 1}, {1150, 1}, {1151, 2}, {1100, 2}};
    for (const Step& s : steps) {
        advance_pose_cursor(s.time);
        EXPECT_EQ(pose_cursor(), s.cursor) << s.time;
    }
    reset_pose_cursor();
    pose_track().pose_cursor = 0;
    EXPECT_EQ(advance_pose_cursor(1150), 1);
    EXPECT_EQ(advance_pose_cursor(5000), 0);  // ran to the last pose
    EXPECT_EQ(pose_cursor(), 2);
}

TEST_F(PoseTrackTest, FindSceneOriginFromPoses) {
    load_times({1000, 1100, 1200});
    struct Case {
        int32_t time;
        int32_t taken;  // -1: nothing changes
    };
    const Case cases[] = {{0, -1},   {900, -1}, {901, 0},  {1049, 0},
                          {1050, 0}, {1051, 1}, {1200, 2}, {1201, -1}};
    for (const Case& c : cases) {
        scene_origin() = SceneOrigin{-1, -1, -1};
        pose_track().scene_start_index = -5;
        find_scene_origin(c.time);
        if (c.taken < 0) {
            EXPECT_EQ(scene_origin().x, -1) << c.time;
            EXPECT_EQ(scene_start_index(), -5) << c.time;
        } else {
            EXPECT_EQ(scene_origin().x, c.taken) << c.time;
            EXPECT_EQ(scene_origin().y, 10 * c.taken) << c.time;
            EXPECT_DOUBLE_EQ(scene_origin().heading, 0.1 * c.taken) << c.time;
            EXPECT_EQ(scene_start_index(), c.taken) << c.time;
        }
    }
}

TEST_F(PoseTrackTest, FindSceneOriginPrefersOriginPoints) {
    load_times({1000, 1100, 1200});
    uint64_t lines = 0;
    ASSERT_EQ(read_origin_text("0 5000 0 0 1 2 0.5\n0 9000 0 0 3 4 0.6\n0 1000 0 0 5 6 0.7\n",
                               origin_track().points, origin_track().count, lines),
              PoseReadStatus::Ok);
    find_scene_origin(100000);  // however far away: the nearest point
    EXPECT_EQ(scene_origin().x, 3);
    find_scene_origin(3000);  // 5000 and 1000 are equally near: the first in file order
    EXPECT_EQ(scene_origin().x, 1);
    EXPECT_EQ(scene_origin().heading, 0.5);
    EXPECT_EQ(scene_start_index(), 0);  // origin points leave the start pose alone
    find_scene_origin(0);
    EXPECT_EQ(scene_origin().x, 1);
}

// The labelling tool's load: a file that cannot be read keeps the previous track;
// one that is read replaces it, also by an empty track. The .pos layout's first
// column is kept as seq_no.
TEST_F(PoseTrackTest, KeepingLoadReplacesOnlyWhatItRead) {
    test_support::TempFolder dir;
    set_nav_columns(0);
    ASSERT_EQ(load_pose_track(dir.write("a.pos", "7 1000 0 0 0.5 10 20 0\n"), {}, true), 1);
    EXPECT_EQ(pose_track().poses[0].seq_no, 7);
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_pose_track(dir.file("missing.pos"), {}, true), 0);
    EXPECT_EQ(pose_track().count, 1);
    EXPECT_EQ(load_pose_track(dir.write("empty.pos", "no data\n"), {}, true), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(pose_track_loaded(), 0);
}
