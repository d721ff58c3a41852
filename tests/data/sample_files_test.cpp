#include "data/sample_files.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "tests/support/comma_locale.h"

namespace {

// Identifier, start, end and label of each sample read from text.
std::vector<std::vector<int>> read_samples(const std::string& text) {
    std::vector<TrackSample> records;
    std::vector<std::vector<int>> out;
    if (read_sample_text(text, records) == SampleReadStatus::Ok)
        for (size_t k = 1; k < records.size(); ++k)
            out.push_back(
                {records[k].sample_id, records[k].start_ms, records[k].end_ms, records[k].label});
    return out;
}

TEST(ReadSampleText, IdentifiersOrderTrimmingAndLines) {
    struct Case {
        std::string text;
        std::vector<std::vector<int>> samples;
    };
    const Case cases[] = {
        {"3 34000 36000 1\n9999 40000 41000 2\n", {{3, 34000, 36000, 1}, {9999, 40000, 41000, 2}}},
        // A millisecond time first (10000 or more): no identifier column.
        {"45000123 45001000 1\n45002000 45003000 2\n",
         {{1, 45000123, 45001000, 1}, {2, 45002000, 45003000, 2}}},
        {"10000 11000 1\n", {{1, 10000, 11000, 1}}},
        {"# id\n3 34000 36000 1\n45000123 45001000 1 2\n",  // the first data line decides
         {{3, 34000, 36000, 1}, {45000123, 45001000, 1, 2}}},
        // Sorted by start (equal starts in file order), then each cut to end 100 ms
        // before the next starts when it overlaps or touches it.
        {"1 1000 5000 0\n2 4000 9000 0\n", {{1, 1000, 3900, 0}, {2, 4000, 9000, 0}}},
        {"3 30000 31000 0\n1 1000 9000 0\n2 2000 3000 0\n4 3050 4000 0\n",
         {{1, 1000, 1900, 0}, {2, 2000, 3000, 0}, {4, 3050, 4000, 0}, {3, 30000, 31000, 0}}},
        {"8 5000 6000 0\n7 5000 7000 0\n", {{8, 5000, 4900, 0}, {7, 5000, 7000, 0}}},
        {"1 1000 2000 260\n2 3000 4000 -1\n", {{1, 1000, 2000, 4}, {2, 3000, 4000, 255}}},
        {"# hash\nx 1 2 3\n\n 5 1 2 1\n-5 1 2 1\n12, 34000, 36000, 1\n6\t40000\t41000\t2\r\n",
         {{12, 34000, 36000, 1}, {6, 40000, 41000, 2}}},
        {"7 1000\n", {{7, 1000, 0, 0}}},
        {"7", {{7, 0, 0, 0}}},
        {"1 1000 2000 3" + std::string(5000, ' ') + "4\n", {{1, 1000, 2000, 3}}},
        {"", {}},
        {"# 1 2 3\n\n", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(read_samples(c.text), c.samples) << c.text;

    std::vector<TrackSample> records(2);
    EXPECT_EQ(read_sample_text(" 1 2 3\n", records), SampleReadStatus::NoData);
    EXPECT_TRUE(records.empty());
}

TEST(ReadTrajGenText, DataLinesAndFields) {
    struct Case {
        const char* text;
        std::vector<TrajGenPoint> points;  // x, y, time
    };
    const Case cases[] = {
        {"12.5\n", {{0, 0, 12}}},
        {"12\n", {{0, 0, 12}}},
        {"99\n12", {{0, 0, 99}}},  // the last line "12" has 2 characters
        {"1\n# 1 2 3\n 5 1 2\n1000 1.5 -2.5 9\r\n2000,3\n", {{1.5, -2.5, 1000}, {3, 0, 2000}}},
        {"12", {}},
        {"1\n# 123\n", {}},
    };
    for (const Case& c : cases) {
        std::vector<TrajGenPoint> points(3);
        uint64_t lines = 9;
        const PoseReadStatus status = read_traj_gen_text(c.text, points, lines);
        EXPECT_EQ(status, c.points.empty() ? PoseReadStatus::NoData : PoseReadStatus::Ok);
        EXPECT_EQ(lines, c.points.size()) << c.text;
        ASSERT_EQ(points.size(), c.points.size()) << c.text;
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].time_ms, c.points[i].time_ms) << c.text;
            EXPECT_EQ(points[i].x, c.points[i].x) << c.text;
            EXPECT_EQ(points[i].y, c.points[i].y) << c.text;
        }
    }
}

// Identifiers, times and labels one past the 32-bit range refuse the text with the
// line and the field; the range's own ends load.
TEST(ReadSampleText, RefusesIntegersBeyondThe32BitRange) {
    struct Case {
        std::string text;
        uint64_t line;  // 0: it loads as samples
        const char* what;
        std::vector<std::vector<int>> samples;
    };
    const Case cases[] = {
        {"# id start end label\n1 2147483648 3000 1\n", 2, "start time out of range", {}},
        {"1 1000 -2147483649 1\n", 1, "end time out of range", {}},
        {"1 1000 2000 2147483648\n", 1, "label out of range", {}},
        {"1 1000 2000 3\n2147483648 3000 4000 1\n", 2, "sample id out of range", {}},
        // Without an identifier column the first field is the start.
        {"2147483648 3000 1\n", 1, "start time out of range", {}},
        {"45000000 -2147483649 1\n", 1, "end time out of range", {}},
        {"1 1000 2000 3\n2147483647 2147483647 2147483647 -2147483648\n",
         0,
         "",
         {{1, 1000, 2000, 3}, {2147483647, 2147483647, 2147483647, 0}}},
        {"1 -2147483648 -2147483648 2147483647\n", 0, "", {{1, -2147483648, -2147483648, 255}}},
    };
    for (const Case& c : cases) {
        std::vector<TrackSample> records;
        TextFault fault;
        const SampleReadStatus status = read_sample_text(c.text, records, &fault);
        if (c.line == 0) {
            EXPECT_EQ(status, SampleReadStatus::Ok) << c.text;
            EXPECT_EQ(read_samples(c.text), c.samples) << c.text;
            continue;
        }
        EXPECT_EQ(status, SampleReadStatus::Invalid) << c.text;
        EXPECT_EQ(fault.line, c.line) << c.text;
        EXPECT_EQ(fault.what, c.what) << c.text;
        EXPECT_TRUE(records.empty());
    }

    TextFault fault;
    std::vector<TrackSample> records;
    EXPECT_EQ(read_sample_text("# none\n", records, &fault), SampleReadStatus::NoData);
    EXPECT_EQ(fault.line, 0u);
    EXPECT_EQ(fault.what, "no sample line");
}

TEST(ReadTrajGenText, RefusesTimesBeyondThe32BitRange) {
    struct Case {
        const char* text;
        uint64_t line;  // 0: it loads
    };
    const Case cases[] = {{"1000 1 2\n2147483648 3 4\n", 2},
                          {"99999999999,1,2\n", 1},
                          {"# t x y\n2147483647 3 4\n", 0}};
    for (const Case& c : cases) {
        std::vector<TrajGenPoint> points;
        uint64_t lines = 0;
        TextFault fault;
        const PoseReadStatus status = read_traj_gen_text(c.text, points, lines, &fault);
        if (c.line == 0) {
            ASSERT_EQ(status, PoseReadStatus::Ok) << c.text;
            ASSERT_EQ(points.size(), 1u);
            EXPECT_EQ(points[0].time_ms, 2147483647);
            continue;
        }
        EXPECT_EQ(status, PoseReadStatus::Invalid) << c.text;
        EXPECT_EQ(fault.line, c.line) << c.text;
        EXPECT_EQ(fault.what, "time out of range");
        EXPECT_TRUE(points.empty());
    }
}

TEST(SampleFileLine, WrittenWithADecimalPointUnderAnyLocaleAndReadBack) {
    // Identifier, start, end, label 255, origin (1.23456, -2.25), heading 3, offset -0.001.
    TrackSample s{34000, 36000, 0, 0, 12, 0, 255, 1.23456, -2.25, 3, -0.001, 1};
    const PoseRecord p{45000123, 1.5, -0.25, 1.0, 1234567.891, -7.0004, 2, 0};
    const std::string sample_line = "12\t34000\t36000\t255\t1.235\t-2.250\t3.000\t-0.001\n";
    const std::string pose_line = "45000123\t1.500\t-0.250\t1.125\t1234567.891\t-7.000\t2.000\n";
    ASSERT_NE(std::setlocale(LC_ALL, test_support::kCommaDecimalLocale), nullptr)
        << "made by tools/bootstrap";
    EXPECT_EQ(sample_file_line(s), sample_line);
    EXPECT_EQ(pose_export_line(p, 0.125), pose_line);
    std::setlocale(LC_ALL, "C");

    std::vector<TrackSample> records;
    ASSERT_EQ(read_sample_text(sample_line, records), SampleReadStatus::Ok);
    EXPECT_EQ(records[1].origin_x, 1.235);
    EXPECT_EQ(records[1].origin_y, -2.25);
    EXPECT_EQ(records[1].frame_heading, 3);
    EXPECT_EQ(records[1].heading_offset, -0.001);
    EXPECT_EQ(records[1].active, 1);
    // An identifier of 10000 or more reads back as a file without identifiers (the
    // end column, 36000, becomes the label: its low 8 bits are 160).
    s.sample_id = 10000;
    EXPECT_EQ(read_samples(sample_file_line(s)),
              (std::vector<std::vector<int>>{{1, 10000, 34000, 160}}));
}

}  // namespace
