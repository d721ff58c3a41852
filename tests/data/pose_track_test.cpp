#include "data/pose_track.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "data/scene.h"
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
    void load_times(const std::vector<int>& times) {
        uint64_t lines = 0;
        ASSERT_EQ(read_pose_text(nav_text(times), true, scene.pose.poses, scene.pose.count, lines),
                  PoseReadStatus::Ok);
    }
    Scene scene;  // fresh for each test
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
        EXPECT_EQ(load_pose_track(scene.pose, c.path, 1), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(pose_track_loaded(scene.pose), 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(load_origin_track(scene.origin, c.path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(origin_track_loaded(scene.origin), 0);
    }
}

// An integer field one past the 32-bit range would be pinned to its end; the load
// is refused instead, naming the line and the field. The range's own ends load.
TEST(ReadPoseText, RefusesIntegersBeyondThe32BitRange) {
    enum Reader { Nav, Pos, Origin };
    struct Case {
        Reader reader;
        std::string line;  // the second data line, after a good one
        const char* what;  // "" when it loads
        int32_t seq_no, time_ms;
    };
    const std::string rest = " 0 0 0.5 1 2 0\n";
    const Case cases[] = {
        {Nav, "2147483648" + rest, "time out of range", 0, 0},
        {Nav, "2147483647" + rest, "", 0, 2147483647},
        {Pos, "2147483648 1000" + rest, "sequence number out of range", 0, 0},
        {Pos, "7 2147483648" + rest, "time out of range", 0, 0},
        {Pos, "7 -2147483649" + rest, "time out of range", 0, 0},
        {Pos, "2147483647 -2147483648" + rest, "", 2147483647, -2147483648},
        {Origin, "0 -2147483649 0 0 1 2 0.5\n", "time out of range", 0, 0},
        {Origin, "0 2147483648 0 0 1 2 0.5\n", "time out of range", 0, 0},
        {Origin, "99999999999 2147483647 99999999999 0 1 2 0.5\n", "", 0, 2147483647},
    };
    for (const Case& c : cases) {
        const std::string good = c.reader == Nav ? "1000" + rest : "1 1000" + rest;
        const std::string text = "# poses\n" + good + c.line;
        std::vector<PoseRecord> records;
        int32_t count = 0;
        uint64_t lines = 0;
        TextFault fault;
        const PoseReadStatus status =
            c.reader == Origin
                ? read_origin_text(text, records, count, lines, nullptr, &fault)
                : read_pose_text(text, c.reader == Nav, records, count, lines, nullptr, &fault);
        if (*c.what == 0) {
            ASSERT_EQ(status, PoseReadStatus::Ok) << c.line;
            ASSERT_EQ(count, 2);
            EXPECT_EQ(records[1].seq_no, c.seq_no);
            EXPECT_EQ(records[1].time_ms, c.time_ms);
            continue;
        }
        EXPECT_EQ(status, PoseReadStatus::Invalid) << c.line;
        EXPECT_EQ(fault.line, 3u) << c.line;
        EXPECT_EQ(fault.what, c.what);
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(records.empty());
    }
}

// The load's message: the design's text, then the file, the line and the fault;
// a line longer than 64 MiB is such a fault, not an allocation failure.
TEST_F(PoseTrackTest, FaultyLinesNameTheFileAndLine) {
    test_support::TempFolder dir;
    const std::string range =
        dir.write("range.pos", "1 1000 0 0 0 1 2 0\n2 99999999999 0 0 0 1 2 0\n");
    const std::string origin = dir.write("origin.txt", "0 99999999999 0 0 1 2 0.5\n");
    const std::string long_line =
        dir.write("long.nav", "1000 0 0 0 1 2 0\n#" + std::string(size_t{65} << 20, ' ') + "\n");
    struct Case {
        std::string path;
        bool origin;
        std::string detail;
    };
    const Case cases[] = {{range, false, range + ": line 2: time out of range"},
                          {origin, true, origin + ": line 1: time out of range"},
                          {long_line, false, long_line + ": line 2: longer than 64 MiB"}};
    for (const Case& c : cases) {
        std::string failure;
        testing::internal::CaptureStderr();
        const int loaded =
            c.origin ? load_origin_track(scene.origin, c.path, &failure)
                     : load_pose_track(scene.pose, c.path, nav_columns_for(c.path), &failure);
        EXPECT_EQ(loaded, 0);
        const std::string message = "Invalid data : " + c.path + "\n" + c.detail;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
        EXPECT_EQ(failure, message);
        EXPECT_EQ(pose_track_loaded(scene.pose) + origin_track_loaded(scene.origin), 0);
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
        advance_pose_cursor(scene.pose, s.time);
        EXPECT_EQ(scene.pose.pose_cursor, s.cursor) << s.time;
    }
    reset_pose_cursor(scene.pose);
    scene.pose.pose_cursor = 0;
    EXPECT_EQ(advance_pose_cursor(scene.pose, 1150), 1);
    EXPECT_EQ(advance_pose_cursor(scene.pose, 5000), 0);  // ran to the last pose
    EXPECT_EQ(scene.pose.pose_cursor, 2);
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
        scene.scene_origin = SceneOrigin{-1, -1, -1};
        scene.pose.scene_start_index = -5;
        find_scene_origin(scene, c.time);
        if (c.taken < 0) {
            EXPECT_EQ(scene.scene_origin.x, -1) << c.time;
            EXPECT_EQ(scene.pose.scene_start_index, -5) << c.time;
        } else {
            EXPECT_EQ(scene.scene_origin.x, c.taken) << c.time;
            EXPECT_EQ(scene.scene_origin.y, 10 * c.taken) << c.time;
            EXPECT_DOUBLE_EQ(scene.scene_origin.heading, 0.1 * c.taken) << c.time;
            EXPECT_EQ(scene.pose.scene_start_index, c.taken) << c.time;
        }
    }
}

TEST_F(PoseTrackTest, FindSceneOriginPrefersOriginPoints) {
    load_times({1000, 1100, 1200});
    uint64_t lines = 0;
    ASSERT_EQ(read_origin_text("0 5000 0 0 1 2 0.5\n0 9000 0 0 3 4 0.6\n0 1000 0 0 5 6 0.7\n",
                               scene.origin.points, scene.origin.count, lines),
              PoseReadStatus::Ok);
    find_scene_origin(scene, 100000);  // however far away: the nearest point
    EXPECT_EQ(scene.scene_origin.x, 3);
    find_scene_origin(scene, 3000);  // 5000 and 1000 are equally near: the first in file order
    EXPECT_EQ(scene.scene_origin.x, 1);
    EXPECT_EQ(scene.scene_origin.heading, 0.5);
    EXPECT_EQ(scene.pose.scene_start_index, 0);  // origin points leave the start pose alone
    find_scene_origin(scene, 0);
    EXPECT_EQ(scene.scene_origin.x, 1);
}

// The labelling tool's load: a file that cannot be read keeps the previous track;
// one that is read replaces it, also by an empty track. The .pos layout's first
// column is kept as seq_no.
TEST_F(PoseTrackTest, KeepingLoadReplacesOnlyWhatItRead) {
    test_support::TempFolder dir;
    ASSERT_EQ(load_pose_track(scene.pose, dir.write("a.pos", "7 1000 0 0 0.5 10 20 0\n"), 0,
                              nullptr, {}, true),
              1);
    EXPECT_EQ(scene.pose.poses[0].seq_no, 7);
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_pose_track(scene.pose, dir.file("missing.pos"), 0, nullptr, {}, true), 0);
    EXPECT_EQ(scene.pose.count, 1);
    EXPECT_EQ(
        load_pose_track(scene.pose, dir.write("empty.pos", "no data\n"), 0, nullptr, {}, true), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(pose_track_loaded(scene.pose), 0);
}
