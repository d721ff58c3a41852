#include "data/traj_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/report.h"
#include "data/traj_format.h"
#include "tests/support/temp_folder.h"

namespace {

// A sample line with the given time, frame, position and speed; box 4 x 2,
// heading +y, ego frame equal to the world frame shifted by (0, -5).
std::string line(int time, int frame, double x, double y, double speed = 7) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d,%d,%g,%g,4,2,0,1,%g,%g,0,1,%g\n", time, frame, x, y, x,
                  y + 5, speed);
    return buf;
}

TrajPoint point(int time, double x, double y, double speed) {
    TrajPoint p;
    p.time_ms = time;
    p.x = x;
    p.y = y;
    p.speed = speed;
    return p;
}

}  // namespace

// A number one past the 32-bit range would be pinned to its end, and a scene of
// frames 1 .. 2147483647 steps through two billion empty frames: refused instead,
// with the line and the field. The range's own ends still load.
TEST(ReadTrajText, RefusesNumbersBeyondThe32BitRangeAndOverlongLines) {
    const std::string good = line(1000, 1, 0, 0);
    struct Case {
        std::string text;
        uint64_t line;
        std::string what;
    };
    const Case cases[] = {
        {"tno=1\n" + good + "2147483648" + good.substr(4), 3, "time out of range"},
        {"tno=1\n" + good + "1000,2147483648" + good.substr(6), 3, "frame out of range"},
        {"tno=1\n" + good + "1000,-2147483649" + good.substr(6), 3, "frame out of range"},
        {"# title\ntno=99999999999\n" + good, 2, "trajectory id out of range"},
        {"tno=1\n" + good + "#" + std::string(size_t{65} << 20, 'x') + "\n", 3,
         "longer than 64 MiB"},
    };
    for (const Case& c : cases) {
        TrajStore store;
        TextFault fault;
        EXPECT_EQ(read_traj_text(c.text, store, nullptr, &fault), TrajReadStatus::Invalid);
        EXPECT_EQ(fault.line, c.line) << c.what;
        EXPECT_EQ(fault.what, c.what);
        EXPECT_EQ(store.entry_count, 0);
    }
    TrajStore store;
    EXPECT_EQ(read_traj_text("tno=2147483647\n2147483647,-2147483648" + good.substr(6), store),
              TrajReadStatus::Ok);
    EXPECT_EQ(store.samples[0].time_ms, 2147483647);
    EXPECT_EQ(store.samples[0].frame, -2147483648);

    // The load's message: the design's text, then the file, the line and the fault.
    test_support::TempFolder dir;
    const std::string path = dir.write("big.traj", cases[1].text);
    std::vector<std::string> reports;
    EXPECT_EQ(load_traj_file(store, path,
                             [&reports](std::string_view text) { reports.emplace_back(text); }),
              0);
    EXPECT_EQ(reports, std::vector<std::string>{"Invalid TRAJ file.\n" + path +
                                                ": line 3: frame out of range"});
}

TEST(ReadTrajText, RefusesTextWithoutHeaderOrData) {
    struct Case {
        const char* text;
        const char* what;
    };
    const Case cases[] = {{"", "empty file"},
                          {"tno=1\ntno=2\n", "no data line"},
                          {"1000,1,0,0,4,2,0,1,0,5,0,1,7\n", "no tno line"},
                          {"# title\n-5,1,2\n tno=3\n", "no tno line"}};
    for (const Case& c : cases) {
        TrajStore store;
        TextFault fault;
        EXPECT_EQ(read_traj_text(c.text, store, nullptr, &fault), TrajReadStatus::Invalid)
            << c.text;
        EXPECT_EQ(fault.line, 0u);
        EXPECT_EQ(fault.what, c.what);
        EXPECT_EQ(store.entry_count, 0);
        EXPECT_TRUE(store.samples.empty());
    }
}

TEST(LoadTrajFile, ReportsFailuresAndLeavesStoreEmpty) {
    std::vector<std::string> reports;
    const ErrorSink record = [&reports](std::string_view text) { reports.emplace_back(text); };
    test_support::TempFolder dir;
    TrajStore store;
    EXPECT_EQ(load_traj_file(store, dir.file("no_such_dir/none.traj"), record), 0);
    EXPECT_EQ(load_traj_file(store, dir.write("headers_only.traj", "tno=1\n"), record), 0);
    EXPECT_EQ(load_traj_file(store, dir.path(), record), 0);  // a folder opens but cannot be read
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], "Open TRAJ file failure.");
    EXPECT_EQ(reports[1],
              "Invalid TRAJ file.\n" + dir.file("headers_only.traj") + ": no data line");
    EXPECT_EQ(reports[2], "Open TRAJ file failure.");
    EXPECT_EQ(traj_store_loaded(store), 0);
    EXPECT_TRUE(store.samples.empty());
}

TEST(ReadTrajText, DropsIncompleteLinesButTheirTimesCount) {
    std::string text = "tno=1\n" + line(2000, 10, 0, 0) + "500,11,1,2,3,4,5,6,7,8,9,10\n" +
                       line(2100, 12, 0, 1) + "9000,13\n";
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    EXPECT_EQ(store.sample_capacity, 4);
    ASSERT_EQ(store.entries[0].count, 2);
    EXPECT_EQ(store.samples[1].frame, 12);  // the dropped line's slot was overwritten
    EXPECT_EQ(store.samples[2].time_ms, 0);
    EXPECT_EQ(store.min_time, 500);
    EXPECT_EQ(store.max_time, 9000);
    EXPECT_EQ(store.entries[0].min_frame, 10);
    EXPECT_EQ(store.entries[0].max_frame, 12);
}

TEST(ReadTrajText, DataBeforeFirstHeaderBelongsToNoTrajectory) {
    std::string text = line(100, 1, 0, 0) + "tno=2\n" + line(1000, 5, 0, 0);
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    EXPECT_EQ(store.sample_capacity, 2);
    EXPECT_EQ(store.entry_count, 1);
    EXPECT_EQ(store.entries[0].count, 1);
    EXPECT_EQ(store.samples[0].time_ms, 1000);
    EXPECT_EQ(store.min_time, 1000);
    EXPECT_EQ(store.max_time, 1000);
}

TEST(ReadTrajText, IndexesEntriesAndRanges) {
    // Trajectory 8 has no samples; its 0..0 frame range enters the scene's range.
    // A zero time stays out of the time range.
    std::string text = "tno=7\n" + line(0, 30, 0, 0) + line(1500, 31, 0, 1) + "TNO=8\n" +
                       "tno 9\n" + line(1200, 40, 0, 0) + line(1300, 42, 0, 0) +
                       line(1400, 41, 0, 0);
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    ASSERT_EQ(store.entry_count, 3);
    const TrajEntry& a = store.entries[0];
    const TrajEntry& b = store.entries[1];
    const TrajEntry& c = store.entries[2];
    EXPECT_EQ(a.id, 7);
    EXPECT_EQ(b.id, 8);
    EXPECT_EQ(c.id, 9);
    EXPECT_EQ(a.first, 0);
    EXPECT_EQ(b.first, 2);
    EXPECT_EQ(c.first, 2);
    EXPECT_EQ(b.count, 0);
    EXPECT_EQ(b.min_frame, 0);
    EXPECT_EQ(b.max_frame, 0);
    EXPECT_EQ(c.min_frame, 40);
    EXPECT_EQ(c.max_frame, 42);
    EXPECT_EQ(store.min_frame, 0);
    EXPECT_EQ(store.max_frame, 42);
    EXPECT_EQ(store.min_time, 1200);
    EXPECT_EQ(store.max_time, 1500);
}

TEST(ReadTrajText, SortsEachTrajectoryByFrame) {
    std::string text = "tno=1\n" + line(1300, 13, 0, 3) + line(1200, 12, 0, 2) +
                       line(1100, 11, 0, 1) + line(1000, 10, 0, 0);
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store.samples[i].frame, 10 + i);
        EXPECT_EQ(store.samples[i].time_ms, 1000 + 100 * i);
    }
}

TEST(ReadTrajText, ReadsLinesOfAnyLengthAndCrLfEnds) {
    // 600 characters: a reader with a short fixed buffer would split the line.
    std::string padded = "1000" + std::string(300, ' ') + ",10,1,2,4,2,0,1,1,7,0,1" +
                         std::string(260, '\t') + ",3.5\r\n";
    std::string text = "tno=5\r\n" + padded + "1100,11,1,3,4,2,0,1,1,8,0,1,3.5\r\n";
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    EXPECT_EQ(store.entries[0].id, 5);
    ASSERT_EQ(store.entries[0].count, 2);
    EXPECT_EQ(store.samples[0].frame, 10);
    EXPECT_EQ(store.samples[1].speed, 3.5);  // the last sample keeps its file speed
}

TEST(ReadTrajText, NumbersReadAsParseIntAndParseReal) {
    // Every odd token must come out as the format's own number readers give it.
    const char* tokens[] = {"1.5",
                            "+1.5",
                            "-0.25",
                            ".5",
                            "-.5",
                            "1e5",
                            "1E-3",
                            "1e400",
                            "-1e400",
                            "1e-400",
                            "inf",
                            "nan",
                            "0x10",
                            "1.5abc",
                            "abc",
                            "-",
                            "+-1",
                            "007",
                            "12.7",
                            "-2147483649",
                            "99999999999",
                            "1.",
                            "\v3",
                            "+7",
                            "0.1",
                            "-0.000",
                            "3.14159265358979",
                            "123456789012345",
                            "1234567890123456",
                            "0.30000000000000004",
                            "4503599627370497.5",
                            "2.675",
                            "-1234.5678",
                            "-.",
                            "."};
    for (const char* token : tokens) {
        std::string text = std::string("tno=1\n1000,") + token + ",0,0,0," + token +
                           ",0,1,0,0,0,1," + token + "\n";
        TrajStore store;
        if (!int_in_range(token)) {  // a frame beyond the 32-bit range is refused
            EXPECT_EQ(read_traj_text(text, store), TrajReadStatus::Invalid) << token;
            continue;
        }
        ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok) << token;
        ASSERT_EQ(store.entries[0].count, 1) << token;
        const TrajPoint& p = store.samples[0];
        EXPECT_EQ(p.frame, parse_int(token)) << token;
        double want = parse_real(token);
        if (std::isnan(want)) {
            EXPECT_TRUE(std::isnan(p.width)) << token;
        } else {
            EXPECT_EQ(p.width, want) << token;
            EXPECT_EQ(std::signbit(p.width), std::signbit(want)) << token;
        }
    }
}

TEST(RecomputeSpeeds, ShortTrajectoriesKeepFileSpeeds) {
    TrajPoint one[] = {point(1000, 0, 0, 3)};
    recompute_speeds(one, 1);
    EXPECT_EQ(one[0].speed, 3);
    TrajPoint two[] = {point(1000, 0, 0, 3), point(1100, 0, 50, 4)};
    recompute_speeds(two, 2);
    EXPECT_EQ(two[0].speed, 4);
    EXPECT_EQ(two[1].speed, 4);
}

TEST(RecomputeSpeeds, UsesNeighboursWithinOneSecond) {
    // Sample 2 has no neighbour within 1000 ms on either side and takes the speed
    // of sample 1; sample 3 sees only sample 4; the last keeps its file speed.
    TrajPoint s[] = {point(1000, 0, 0, 1), point(1100, 0, 1, 1), point(3000, 0, 50, 1),
                     point(5000, 0, 60, 1), point(5500, 0, 70, 9)};
    recompute_speeds(s, 5);
    EXPECT_DOUBLE_EQ(s[1].speed, 10.0);  // 1 m in 100 ms
    EXPECT_DOUBLE_EQ(s[2].speed, 10.0);
    EXPECT_DOUBLE_EQ(s[3].speed, 20.0);  // 10 m in 500 ms
    EXPECT_EQ(s[4].speed, 9);
    EXPECT_DOUBLE_EQ(s[0].speed, 10.0);
}

TEST(RecomputeSpeeds, WindowOfAtMostFiveAndEqualTimesCountOneMillisecond) {
    std::vector<TrajPoint> s;
    for (int i = 0; i < 13; ++i) s.push_back(point(1000 + 100 * i, 0, i * i, 0));
    recompute_speeds(s.data(), 13);
    // Sample 6: samples 1 to 11, 1000 ms.
    EXPECT_DOUBLE_EQ(s[6].speed, (121.0 - 1.0) / 1.0);
    TrajPoint same[] = {point(1000, 0, 0, 0), point(1000, 3, 4, 0), point(1000, 6, 8, 0)};
    recompute_speeds(same, 3);
    EXPECT_DOUBLE_EQ(same[1].speed, 10.0 / 0.001);
}

TEST(SmoothTrajectory, AveragesSizesOverMiddleSamples) {
    std::vector<TrajPoint> s, work(5);
    const double lengths[] = {100, 4, 5, 6, 100};
    for (int i = 0; i < 5; ++i) {
        s.push_back(point(1000 + 100 * i, 0, i, 1));
        s.back().length = lengths[i];
        s.back().width = 2 * lengths[i];
        s.back().head_y = s.back().ego_head_y = 1;
    }
    smooth_trajectory(s.data(), 5, work.data());
    for (const TrajPoint& p : s) {
        EXPECT_DOUBLE_EQ(p.length, 5.0);
        EXPECT_DOUBLE_EQ(p.width, 10.0);
    }
}

TEST(SmoothTrajectory, ThreeSamplesTakeTheMiddleHeadingAtBothEnds) {
    TrajPoint s[3] = {point(1000, 0, 0, 1), point(1100, 0, 1, 1), point(1200, 1, 2, 1)};
    for (TrajPoint& p : s) p.head_y = p.ego_head_y = 1;
    TrajPoint work[3];
    smooth_trajectory(s, 3, work);
    const double h = 1 / (std::sqrt(5.0) + 1e-10);
    for (const TrajPoint& p : s) {
        EXPECT_DOUBLE_EQ(p.head_x, h);
        EXPECT_DOUBLE_EQ(p.head_y, 2 * h);
    }
}

// A vehicle waiting at a light had its heading turned into (0, 0) and its box drawn
// as a point: standing still, it keeps the heading it was recorded with; moving
// again, its heading comes from its motion.
TEST(SmoothTrajectory, RegressionAStandingVehicleKeepsItsRecordedHeading) {
    // Fourteen samples standing at (2, 3), then three driving along +x; the windows
    // of the first six see only standing samples.
    TrajPoint s[17];
    for (int i = 0; i < 17; ++i) {
        s[i] = point(1000 + 100 * i, i < 14 ? 2 : 2 + (i - 13), 3, i < 14 ? 0 : 10);
        s[i].head_x = s[i].ego_head_x = 0.6;
        s[i].head_y = s[i].ego_head_y = 0.8;
    }
    TrajPoint work[17];
    smooth_trajectory(s, 17, work);
    for (int j = 0; j <= 4; ++j) {
        EXPECT_DOUBLE_EQ(s[j].head_x, 0.6) << j;
        EXPECT_DOUBLE_EQ(s[j].head_y, 0.8) << j;
        EXPECT_NEAR(s[j].ego_head_x, 0.6, 1e-12) << j;  // the ego frame turns it back alike
        EXPECT_NEAR(s[j].ego_head_y, 0.8, 1e-12) << j;
    }
    EXPECT_NEAR(s[15].head_x, 1, 1e-9);
    EXPECT_NEAR(s[15].head_y, 0, 1e-9);
}

TEST(SmoothTrajectory, EdgeSampleSpeedFeedsLaterWindows) {
    // Samples 2 and 3 lie 1500 ms apart, so each lacks neighbours on one side:
    // they keep their speeds, but their stored speeds become the one before them
    // (sample 2 takes sample 1's 20, sample 3 then sample 2's 20), and the window
    // of sample 4 (samples 3..5) reads that. The first sample keeps its own speed,
    // also inside sample 1's window.
    TrajPoint s[6] = {point(1000, 0, 0, 10), point(1100, 0, 1, 20), point(1200, 0, 2, 30),
                      point(2700, 0, 3, 40), point(2800, 0, 4, 50), point(2900, 0, 5, 60)};
    for (TrajPoint& p : s) p.head_y = p.ego_head_y = 1;
    TrajPoint work[6];
    smooth_trajectory(s, 6, work);
    EXPECT_EQ(s[0].speed, 10);
    EXPECT_DOUBLE_EQ(s[1].speed, (10 + 20 + 30) / 3.0);
    EXPECT_EQ(s[2].speed, 30);
    EXPECT_EQ(s[3].speed, 40);
    EXPECT_DOUBLE_EQ(s[4].speed, (20 + 50 + 60) / 3.0);
    EXPECT_EQ(s[5].speed, 60);
}

TEST(SmoothTrajectory, KeepsTheImpliedEgoPose) {
    // Each sample's world and ego-frame columns imply an ego pose: rotation R
    // (from the two headings) and origin O = p - R e. Smoothing moves p and the
    // heading but must leave R and O as they were.
    const int n = 7;
    std::vector<TrajPoint> s(n), work(n);
    for (int j = 0; j < n; ++j) {
        double a = 0.3 + 0.05 * j;              // ego heading
        double ox = 10 + j, oy = -3 + 0.5 * j;  // ego origin
        TrajPoint& p = s[j];
        p.time_ms = 1000 + 100 * j;
        p.x = 20 + 2 * j + ((j % 2) ? 0.3 : -0.3);
        p.y = 5 + j + ((j % 3) ? 0.2 : -0.1);
        double hx = std::cos(0.2 * j), hy = std::sin(0.2 * j) + 1;
        double hl = std::hypot(hx, hy);
        p.head_x = hx / hl;
        p.head_y = hy / hl;
        // e = R(a)^T (p - O), ego heading = R(a)^T head.
        double c = std::cos(a), sn = std::sin(a);
        p.ego_x = c * (p.x - ox) + sn * (p.y - oy);
        p.ego_y = -sn * (p.x - ox) + c * (p.y - oy);
        p.ego_head_x = c * p.head_x + sn * p.head_y;
        p.ego_head_y = -sn * p.head_x + c * p.head_y;
    }
    std::vector<TrajPoint> before = s;
    smooth_trajectory(s.data(), n, work.data());
    for (int j = 0; j < n; ++j) {
        const TrajPoint& p = s[j];
        double c = p.head_x * p.ego_head_x + p.head_y * p.ego_head_y;
        double sn = p.head_y * p.ego_head_x - p.head_x * p.ego_head_y;
        double ox = p.x - (c * p.ego_x - sn * p.ego_y);
        double oy = p.y - (sn * p.ego_x + c * p.ego_y);
        double a = 0.3 + 0.05 * j;
        EXPECT_NEAR(c, std::cos(a), 1e-9) << j;
        EXPECT_NEAR(sn, std::sin(a), 1e-9) << j;
        EXPECT_NEAR(ox, 10 + j, 1e-9) << j;
        EXPECT_NEAR(oy, -3 + 0.5 * j, 1e-9) << j;
        EXPECT_EQ(p.time_ms, before[j].time_ms);
    }
    EXPECT_NE(s[3].x, before[3].x);  // it did smooth
}

TEST(ReadTrajText, RandomDecimalsReadAsParseReal) {
    // Plain decimals take a shortcut in the reader; it must round exactly as
    // parse_real does, also past 15 digits where the shortcut gives way.
    std::mt19937_64 rng(99);
    std::vector<std::string> tokens;
    for (int i = 0; i < 3000; ++i) {
        int int_digits = static_cast<int>(rng() % 10), frac_digits = static_cast<int>(rng() % 12);
        std::string t = (rng() & 1) ? "-" : "";
        for (int d = 0; d < int_digits; ++d) t += static_cast<char>('0' + rng() % 10);
        if (int_digits == 0) t += '0';
        if (frac_digits > 0) t += '.';
        for (int d = 0; d < frac_digits; ++d) t += static_cast<char>('0' + rng() % 10);
        tokens.push_back(t);
    }
    // One sample per store: smoothing would average the lengths of several.
    for (size_t i = 0; i < tokens.size(); ++i) {
        TrajStore one;
        std::string line = "tno=1\n1000,1,0,0," + tokens[i] + ",1,0,1,0,0,0,1,0\n";
        ASSERT_EQ(read_traj_text(line, one), TrajReadStatus::Ok);
        ASSERT_EQ(one.samples[0].length, parse_real(tokens[i])) << tokens[i];
    }
}

// The samples as read stay beside the cleaned ones, index for index: sorted by
// frame, but neither smoothed nor given recomputed speeds.
TEST(ReadTrajText, KeepsTheSamplesAsReadBesideTheCleaned) {
    std::string text = "tno=5\n";
    const double ys[6] = {0, 1.4, 1.6, 3.5, 3.9, 5.0};  // uneven steps: smoothing moves them
    for (int f = 6; f >= 1; --f)                        // written backwards: sorted on load
        text += std::to_string(1000 + 100 * f) + "," + std::to_string(f) + ",0," +
                std::to_string(ys[f - 1]) + ",4,2,0,1,0,0,0,1,99\n";
    TrajStore store;
    ASSERT_EQ(read_traj_text(text, store), TrajReadStatus::Ok);
    ASSERT_EQ(store.raw_samples.size(), store.samples.size());
    bool moved = false;
    for (int i = 0; i < 6; ++i) {
        const TrajPoint& raw = store.raw_samples[static_cast<std::size_t>(i)];
        EXPECT_EQ(raw.frame, i + 1);
        EXPECT_EQ(raw.frame, store.samples[static_cast<std::size_t>(i)].frame);
        EXPECT_DOUBLE_EQ(raw.y, ys[i]);
        EXPECT_EQ(raw.speed, 99);
        moved = moved || store.samples[static_cast<std::size_t>(i)].y != ys[i];
    }
    EXPECT_TRUE(moved);
    clear_traj_store(store);
    EXPECT_EQ(store.raw_samples.size(), 0u);
}
