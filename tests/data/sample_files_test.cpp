#include "data/sample_files.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

// The fields a sample file gives a sample, for comparing read results at a glance.
struct Read {
    int32_t id, start, end, label;
    bool operator==(const Read& o) const {
        return id == o.id && start == o.start && end == o.end && label == o.label;
    }
};

std::ostream& operator<<(std::ostream& os, const Read& r) {
    return os << "{" << r.id << ", " << r.start << ", " << r.end << ", " << r.label << "}";
}

// The samples of a text (record 0 left out); fails the test when it does not read.
std::vector<Read> read_samples(const std::string& text) {
    std::vector<TrackSample> records;
    EXPECT_EQ(read_sample_text(text, records), SampleReadStatus::Ok) << text;
    std::vector<Read> out;
    for (size_t k = 1; k < records.size(); ++k)
        out.push_back(
            {records[k].sample_id, records[k].start_ms, records[k].end_ms, records[k].label});
    return out;
}

// Switches the C locale for the life of the object and back to "C" after.
class LocaleGuard {
  public:
    explicit LocaleGuard(const char* name) { ok_ = std::setlocale(LC_ALL, name) != nullptr; }
    ~LocaleGuard() { std::setlocale(LC_ALL, "C"); }
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

TEST(ReadSampleText, FirstDataLineDecidesTheIdentifierColumn) {
    struct Case {
        const char* text;
        std::vector<Read> samples;
    };
    const Case cases[] = {
        {"3 34000 36000 1\n5 40000 41000 2\n", {{3, 34000, 36000, 1}, {5, 40000, 41000, 2}}},
        {"9999 34000 36000 1\n", {{9999, 34000, 36000, 1}}},
        // A millisecond time first: no identifier column, identifiers in file order.
        {"45000123 45001000 1\n45002000 45003000 2\n",
         {{1, 45000123, 45001000, 1}, {2, 45002000, 45003000, 2}}},
        {"10000 11000 1\n12000 13000 2\n", {{1, 10000, 11000, 1}, {2, 12000, 13000, 2}}},
        // Only the first data line counts; a comment before it does not.
        {"# id start end\n3 34000 36000 1\n45000123 45001000 1 2\n",
         {{3, 34000, 36000, 1}, {45000123, 45001000, 1, 2}}},
    };
    for (const Case& c : cases) EXPECT_EQ(read_samples(c.text), c.samples) << c.text;
}

TEST(ReadSampleText, SortsByStartAndTrimsOverlaps) {
    struct Case {
        const char* text;
        std::vector<Read> samples;
    };
    const Case cases[] = {
        {"1 1000 5000 0\n2 4000 9000 0\n", {{1, 1000, 3900, 0}, {2, 4000, 9000, 0}}},
        // Wholly inside the previous sample.
        {"1 1000 9000 0\n2 2000 3000 0\n", {{1, 1000, 1900, 0}, {2, 2000, 3000, 0}}},
        // Touching is overlapping; a gap under 100 ms is not.
        {"1 1000 2000 0\n2 2000 3000 0\n3 3050 4000 0\n",
         {{1, 1000, 1900, 0}, {2, 2000, 3000, 0}, {3, 3050, 4000, 0}}},
        // Out of order in the file; trimmed after sorting.
        {"3 30000 31000 3\n1 10000 20000 1\n2 15000 16000 2\n",
         {{1, 10000, 14900, 1}, {2, 15000, 16000, 2}, {3, 30000, 31000, 3}}},
        // Equal starts keep their file order.
        {"8 5000 6000 0\n7 5000 7000 0\n", {{8, 5000, 4900, 0}, {7, 5000, 7000, 0}}},
    };
    for (const Case& c : cases) EXPECT_EQ(read_samples(c.text), c.samples) << c.text;
}

TEST(ReadSampleText, LineRulesFieldsAndLabels) {
    struct Case {
        std::string text;
        std::vector<Read> samples;
    };
    const Case cases[] = {
        {"12, 34000, 36000, 1\n", {{12, 34000, 36000, 1}}},
        {"# hash\nletters 1 2 3\n\n 5 1000 2000 1\n-5 1000 2000 1\n6\t1000\t2000\t2\r\n",
         {{6, 1000, 2000, 2}}},
        {"1 1000 2000 260\n2 3000 4000 -1\n3 5000 6000 255\n",
         {{1, 1000, 2000, 4}, {2, 3000, 4000, 255}, {3, 5000, 6000, 255}}},
        {"7 1000\n", {{7, 1000, 0, 0}}},  // missing fields read as 0
        {"7", {{7, 0, 0, 0}}},            // a last line without line end
        {"1 1000 2000 3" + std::string(5000, ' ') + "4\n", {{1, 1000, 2000, 3}}},
    };
    for (const Case& c : cases) EXPECT_EQ(read_samples(c.text), c.samples) << c.text;
}

TEST(ReadSampleText, RecordZeroFrameFieldsAndActiveFlags) {
    std::vector<TrackSample> records;
    const std::string text = "# samples\n1 1000 2000 3 1.5 -2.25 0.5 0.125 99\n2,3000,4000\n";
    ASSERT_EQ(read_sample_text(text, records), SampleReadStatus::Ok);
    ASSERT_EQ(records.size(), 3u);  // record 0 and two samples
    const TrackSample& zero = records[0];
    EXPECT_EQ(zero.start_ms, 0);
    EXPECT_EQ(zero.end_ms, 0);
    EXPECT_EQ(zero.sample_id, 0);
    EXPECT_EQ(zero.label, 0);
    EXPECT_EQ(zero.active, 0);
    EXPECT_EQ(records[1].origin_x, 1.5);
    EXPECT_EQ(records[1].origin_y, -2.25);
    EXPECT_EQ(records[1].frame_heading, 0.5);
    EXPECT_EQ(records[1].heading_offset, 0.125);
    EXPECT_EQ(records[1].active, 1);
    EXPECT_EQ(records[2].origin_x, 0);
    EXPECT_EQ(records[2].heading_offset, 0);
    EXPECT_EQ(records[2].active, 1);
    // Derived fields are left to the labelling operations.
    EXPECT_EQ(records[1].first_pose, 0);
    EXPECT_EQ(records[1].pose_count, 0);
}

TEST(ReadSampleText, NoDataLineLeavesNoRecords) {
    for (const char* text : {"", "\n\n", "# 1 2 3\n", " 1 1000 2000\n", "-1 1000 2000\n"}) {
        std::vector<TrackSample> records(3);
        EXPECT_EQ(read_sample_text(text, records), SampleReadStatus::NoData) << text;
        EXPECT_TRUE(records.empty()) << text;
    }
}

TEST(ReadTrajGenText, DataLinesAndFields) {
    struct Case {
        const char* text;
        std::vector<TrajGenPoint> points;
    };
    const Case cases[] = {
        {"12.5\n", {{0, 0, 12}}},
        {"12\n", {{0, 0, 12}}},
        {"12\r\n", {{0, 0, 12}}},
        {"99\n12", {{0, 0, 99}}},  // the last line "12" has 2 characters
        {"1\n# 1 2 3\n 5 1 2\n1000 1.5 -2.5 9\n2000,3,4\n", {{1.5, -2.5, 1000}, {3, 4, 2000}}},
        {"1000 1.5", {{1.5, 0, 1000}}},
    };
    for (const Case& c : cases) {
        std::vector<TrajGenPoint> points;
        uint64_t lines = 0;
        ASSERT_EQ(read_traj_gen_text(c.text, points, lines), PoseReadStatus::Ok) << c.text;
        EXPECT_EQ(lines, c.points.size()) << c.text;
        ASSERT_EQ(points.size(), c.points.size()) << c.text;
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].time_ms, c.points[i].time_ms) << c.text;
            EXPECT_EQ(points[i].x, c.points[i].x) << c.text;
            EXPECT_EQ(points[i].y, c.points[i].y) << c.text;
        }
    }
    for (const char* text : {"", "12", "1\n", "# 123\n"}) {
        std::vector<TrajGenPoint> points(2);
        uint64_t lines = 5;
        EXPECT_EQ(read_traj_gen_text(text, points, lines), PoseReadStatus::NoData) << text;
        EXPECT_TRUE(points.empty());
        EXPECT_EQ(lines, 0u);
    }
}

TEST(SampleFileLine, WrittenFormatsKeepADecimalPointUnderAnyLocale) {
    TrackSample s;
    s.sample_id = 12;
    s.start_ms = 34000;
    s.end_ms = 36000;
    s.label = 255;
    s.origin_x = 1.23456;
    s.origin_y = -2.25;
    s.frame_heading = 3;
    s.heading_offset = -0.001;
    PoseRecord p;
    p.time_ms = 45000123;
    p.aux1 = 1.5;
    p.aux2 = -0.25;
    p.heading = 1.0;
    p.x = 1234567.891;
    p.y = -7.0004;
    p.aux3 = 2;
    const std::string sample_line = "12\t34000\t36000\t255\t1.235\t-2.250\t3.000\t-0.001\n";
    const std::string pose_line = "45000123\t1.500\t-0.250\t1.125\t1234567.891\t-7.000\t2.000\n";
    EXPECT_EQ(sample_file_line(s), sample_line);
    EXPECT_EQ(pose_export_line(p, 0.125), pose_line);
    {
        LocaleGuard german("de_DE.UTF-8");
        ASSERT_TRUE(german.ok()) << "tools/bootstrap generates the de_DE.UTF-8 locale";
        EXPECT_EQ(sample_file_line(s), sample_line);
        EXPECT_EQ(pose_export_line(p, 0.125), pose_line);
    }
}

TEST(SampleFileLine, ReadsBackAsWritten) {
    TrackSample s;
    s.sample_id = 42;
    s.start_ms = -5000;
    s.end_ms = 2000000000;
    s.label = 200;
    s.origin_x = 12.5;
    s.origin_y = -3.75;
    s.frame_heading = -3.125;
    s.heading_offset = 0.002;
    std::vector<TrackSample> records;
    ASSERT_EQ(read_sample_text(sample_file_line(s), records), SampleReadStatus::Ok);
    ASSERT_EQ(records.size(), 2u);
    const TrackSample& r = records[1];
    EXPECT_EQ((Read{r.sample_id, r.start_ms, r.end_ms, r.label}),
              (Read{42, -5000, 2000000000, 200}));
    EXPECT_EQ(r.origin_x, 12.5);
    EXPECT_EQ(r.origin_y, -3.75);
    EXPECT_EQ(r.frame_heading, -3.125);
    EXPECT_EQ(r.heading_offset, 0.002);

    // An identifier of 10000 or more in the first line reads back as a start time.
    s.sample_id = 10000;
    s.start_ms = 20000;
    s.end_ms = 30000;
    // (and the label column holds 30000, whose low 8 bits are 48).
    EXPECT_EQ(read_samples(sample_file_line(s)), (std::vector<Read>{{1, 10000, 20000, 48}}));
}

}  // namespace
