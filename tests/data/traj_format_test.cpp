#include "data/traj_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

TEST(ClassifyTrajLine, HeadersDataAndIgnoredLines) {
    struct Case {
        const char* line;
        TrajLineKind kind;
    };
    const Case cases[] = {
        {"tno=7\n", TrajLineKind::Header},  {"TNO=7", TrajLineKind::Header},
        {"Tno 7", TrajLineKind::Header},    {"tNo,7", TrajLineKind::Header},
        {"tno", TrajLineKind::Header},      {" tno=7", TrajLineKind::Other},
        {"tn", TrajLineKind::Other},        {"0,1,2", TrajLineKind::Data},
        {"9 1 2", TrajLineKind::Data},      {"-5,1,2", TrajLineKind::Other},
        {"+5,1,2", TrajLineKind::Other},    {" 5,1,2", TrajLineKind::Other},
        {"# comment", TrajLineKind::Other}, {"", TrajLineKind::Other},
        {"\n", TrajLineKind::Other},        {"time,frame,x", TrajLineKind::Other},
    };
    for (const Case& c : cases) EXPECT_EQ(classify_traj_line(c.line), c.kind) << c.line;
}

TEST(TrajHeaderId, ReadsSecondTokenAtHeaderSeparators) {
    EXPECT_EQ(traj_header_id("TNO=7\n"), 7);
    EXPECT_EQ(traj_header_id("tno 7"), 7);
    EXPECT_EQ(traj_header_id("tno,7"), 7);
    EXPECT_EQ(traj_header_id("tno = 007"), 7);
    EXPECT_EQ(traj_header_id("tno=\t-12 trailing"), -12);
    EXPECT_EQ(traj_header_id("tno=42abc"), 42);
    EXPECT_EQ(traj_header_id("tno"), 0);
    EXPECT_EQ(traj_header_id("tno=x"), 0);
}

TEST(ParseTrajSample, ReadsThirteenFieldsAtAnySeparatorRun) {
    TrajSample s;
    EXPECT_EQ(parse_traj_sample("100,  7\t1.5 ,2.5,4,2,0,1,3,4,0,1,12.5,extra,more\n", s), 13);
    EXPECT_EQ(s.time_ms, 100);
    EXPECT_EQ(s.frame, 7);
    const double want[kTrajRealCount] = {1.5, 2.5, 4, 2, 0, 1, 3, 4, 0, 1, 12.5};
    for (int k = 0; k < kTrajRealCount; ++k) EXPECT_DOUBLE_EQ(s.reals[k], want[k]) << k;

    EXPECT_EQ(parse_traj_sample("100,7,1,2,3,4,5,6,7,8,9,10\n", s), 12);
    EXPECT_DOUBLE_EQ(s.reals[10], 0.0);
    EXPECT_EQ(parse_traj_sample("5,x,y,1", s), 4);
    EXPECT_EQ(s.frame, 0);
    EXPECT_DOUBLE_EQ(s.reals[0], 0.0);
    EXPECT_DOUBLE_EQ(s.reals[1], 1.0);
}

TEST(CountTrajFields, StopsAtLimitAndIgnoresSeparatorRuns) {
    EXPECT_EQ(count_traj_fields(",, 1,,2\t\t3  \n"), 3);
    EXPECT_EQ(count_traj_fields("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"), 13);
    EXPECT_EQ(count_traj_fields("1,2,3", 2), 2);
    EXPECT_EQ(count_traj_fields(""), 0);
}

TEST(CountTrajFields, CountsAtEveryLengthAndInLongLines) {
    // Fields and separator runs of varying width, so that field starts fall on every
    // position of a 16-byte step and line lengths take every remainder.
    constexpr int kMany = 1 << 30;
    for (int n = 1; n <= 40; ++n) {
        for (const char* sep : {",", " ,\t", "\t\t"}) {
            std::string line;
            for (int k = 0; k < n; ++k) line += std::string(1 + k % 3, '7') + sep;
            line.back() = '\n';
            EXPECT_EQ(count_traj_fields(line, kMany), n) << line;
            EXPECT_EQ(count_traj_fields(line.substr(0, line.size() - 1), kMany), n) << line;
            EXPECT_EQ(count_traj_fields("," + line, kMany), n) << line;
        }
    }
    // Thousands of fields, a start in the same lanes of every 16-byte step: more than
    // a byte can count per lane.
    std::string many;
    for (int k = 0; k < 3000; ++k) many += "1,";
    EXPECT_EQ(count_traj_fields(many, kMany), 3000);
    EXPECT_EQ(count_traj_fields(many), kTrajFieldCount);
    EXPECT_EQ(count_traj_fields(std::string(70000, ' ') + "5\n", kMany), 1);
    EXPECT_EQ(count_traj_fields(std::string(70000, '5') + "\n", kMany), 1);
}
