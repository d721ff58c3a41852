// The load on several threads gives the store, the outcome and the fault of the
// load on one, wherever the text's blocks are cut.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "data/report.h"
#include "data/traj_store.h"
#include "tests/support/temp_folder.h"

namespace {

std::string line(int time, int frame, double x, double y, const char* end = "\n") {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d,%d,%g,%g,4.5,1.8,0,1,%g,%g,0,1,%g%s", time, frame, x, y,
                  x - 1, y + 5, 3 + 0.1 * frame, end);
    return buf;
}

// Every field, every entry and every byte of both sample arrays, the slots after
// the stored samples included.
void expect_same_store(const TrajStore& a, const TrajStore& b, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(a.entry_count, b.entry_count);
    ASSERT_EQ(a.entries.size(), b.entries.size());
    for (size_t i = 0; i < a.entries.size(); ++i) {
        const TrajEntry &x = a.entries[i], &y = b.entries[i];
        EXPECT_EQ(x.id, y.id) << i;
        EXPECT_EQ(x.first, y.first) << i;
        EXPECT_EQ(x.count, y.count) << i;
        EXPECT_EQ(x.min_frame, y.min_frame) << i;
        EXPECT_EQ(x.max_frame, y.max_frame) << i;
        EXPECT_EQ(x.cursor, y.cursor) << i;
    }
    EXPECT_EQ(a.sample_capacity, b.sample_capacity);
    EXPECT_EQ(a.min_frame, b.min_frame);
    EXPECT_EQ(a.max_frame, b.max_frame);
    EXPECT_EQ(a.min_time, b.min_time);
    EXPECT_EQ(a.max_time, b.max_time);
    ASSERT_EQ(a.samples.size(), b.samples.size());
    ASSERT_EQ(a.raw_samples.size(), b.raw_samples.size());
    const size_t bytes = a.samples.size() * sizeof(TrajPoint);
    if (bytes == 0) return;
    EXPECT_EQ(std::memcmp(a.samples.data(), b.samples.data(), bytes), 0);
    EXPECT_EQ(std::memcmp(a.raw_samples.data(), b.raw_samples.data(), bytes), 0);
}

struct Outcome {
    TrajReadStatus status;
    TextFault fault;
};

Outcome read_with(const std::string& text, TrajStore& store, int threads) {
    Outcome out{TrajReadStatus::Ok, {}};
    out.status = read_traj_text(text, store, nullptr, &out.fault, threads);
    return out;
}

// Reads text on one thread and on 2 .. max_threads, and checks they agree.
void expect_same_for_any_threads(const std::string& text, const std::string& what,
                                 int max_threads = 6) {
    TrajStore one;
    const Outcome expected = read_with(text, one, 1);
    for (int threads = 2; threads <= max_threads; ++threads) {
        TrajStore many;
        const Outcome got = read_with(text, many, threads);
        const std::string trace = what + ", " + std::to_string(threads) + " threads";
        EXPECT_EQ(got.status, expected.status) << trace;
        EXPECT_EQ(got.fault.line, expected.fault.line) << trace;
        EXPECT_EQ(got.fault.what, expected.fault.what) << trace;
        expect_same_store(one, many, trace);
    }
}

// Lines before the first header, a header without samples, frames out of order,
// CRLF ends, blank and comment lines, a dropped short line and a last line
// without its end.
std::string mixed_text() {
    std::string text = line(50, 1, 9, 9) + "# scene\n";
    text += "tno=3\r\n" + line(1000, 10, 0, 0, "\r\n") + line(1200, 12, 0, 2.5, "\r\n") +
            line(1100, 11, 0, 1.1, "\r\n") + "\r\n";
    text += "tno=4\n";
    text += "tno=5\n" + line(900, 9, 3, 0) + "950,10,1,2,3\n" + line(1000, 10, 3, 1.4) +
            line(1100, 11, 3, 2.9) + line(1200, 12, 3, 4.6) + "% note\n" + line(1300, 13, 3, 6);
    text += "tno=6\n" + line(2000, 20, 6, 0) + line(2100, 21, 6, 2) + line(2200, 23, 6, 3);
    text += line(2300, 22, 6, 5, "");
    return text;
}

}  // namespace

// A trailing comment of growing length moves the middle of the text across every
// byte of the lines before it: a cut inside a trajectory, at a header, between the
// '\r' and '\n' of a CRLF, in the lines before the first header.
TEST(ReadTrajTextThreads, SameStoreWhereverTheTextIsCut) {
    const std::string base = mixed_text() + "\n";
    for (size_t pad = 0; pad <= 2 * base.size() + 2; ++pad) {
        const std::string text = base + "#" + std::string(pad, 'x') + "\n";
        expect_same_for_any_threads(text, "pad " + std::to_string(pad), 3);
        if (HasFatalFailure() || HasNonfatalFailure()) return;
    }
    expect_same_for_any_threads(mixed_text(), "no trailing line end", 12);
}

TEST(ReadTrajTextThreads, SameStoreOnRandomTexts) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 20; ++round) {
        std::string text;
        const int lines = 50 + static_cast<int>(rng() % 400);
        int frame = 0;
        for (int i = 0; i < lines; ++i) {
            const unsigned pick = rng() % 100;
            const char* end = (rng() % 4 == 0) ? "\r\n" : "\n";
            if (pick < 6) {
                text += "tno=" + std::to_string(rng() % 1000) + end;
            } else if (pick < 9) {
                text += std::string("# comment") + end;
            } else if (pick < 11) {
                text += end;
            } else if (pick < 13) {
                text += std::to_string(1000 + i) + ",7,1.5" + end;  // dropped
            } else {
                frame += 1 + static_cast<int>(rng() % 3) - (rng() % 7 == 0 ? 4 : 0);
                text += line(100 * frame, frame, 0.01 * static_cast<double>(rng() % 1000),
                             0.3 * frame, end);
            }
        }
        expect_same_for_any_threads(text, "round " + std::to_string(round), 8);
        if (HasFatalFailure()) return;
    }
}

// Texts that are refused get the same fault, with the same line, from any
// number of threads; the first fault in the text is the one reported, a line too
// long before any other.
TEST(ReadTrajTextThreads, SameFaultsAndLineNumbers) {
    const std::string good = line(1000, 1, 0, 0);
    std::string many_good;
    for (int i = 0; i < 40; ++i) many_good += line(1000 + 100 * i, 10 + i, 0, i);
    std::string comments;
    for (int i = 0; i < 14000; ++i) comments += "#" + std::string(999, 'c') + "\n";
    struct Case {
        std::string text;
        uint64_t line;
        const char* what;
    };
    const Case cases[] = {
        {"", 0, "empty file"},
        {"tno=1\n", 0, "no data line"},
        {"tno=1", 0, "no data line"},
        {good, 0, "no tno line"},
        {"\r\n", 0, "no tno line"},
        {"tno=1\n" + many_good + "2147483648" + good.substr(4) + many_good, 42,
         "time out of range"},
        {"tno=1\n" + many_good + many_good + "1000,-2147483649" + good.substr(6), 82,
         "frame out of range"},
        {"tno=1\n" + many_good + "tno=99999999999\n" + many_good, 42, "trajectory id out of range"},
        // Two faults far apart: the earlier one, in whichever block it lies.
        {"tno=1\r\n" + many_good + "1000,2147483648" + good.substr(6) + many_good + "2147483648" +
             good.substr(4),
         42, "frame out of range"},
        // The count pass sees the long line before the parse sees the number; with
        // 14 MB before it, the long line lies past the first block's start for up to 6
        // threads.
        {"tno=1\n" + many_good + "1000,2147483648" + good.substr(6) + many_good + comments + "#" +
             std::string(size_t{65} << 20, 'x') + "\n" + many_good,
         83 + 14000, "longer than 64 MiB"},
    };
    for (const Case& c : cases) {
        TrajStore one;
        const Outcome expected = read_with(c.text, one, 1);
        EXPECT_EQ(expected.status, TrajReadStatus::Invalid) << c.what;
        EXPECT_EQ(expected.fault.line, c.line) << c.what;
        EXPECT_EQ(expected.fault.what, c.what);
        expect_same_for_any_threads(c.text, c.what);
    }
    // A number out of range before the first header is never read.
    TrajStore store;
    const std::string orphans = many_good + "2147483648" + good.substr(4) + many_good;
    EXPECT_EQ(read_with(orphans + "tno=1\n" + good, store, 4).status, TrajReadStatus::Ok);
    EXPECT_EQ(store.sample_capacity, 82);
    EXPECT_EQ(store.entries[0].count, 1);
    expect_same_for_any_threads(orphans + "tno=1\n" + good, "orphans");
}

// A file loads to the same store on any number of threads, the samples as read
// kept beside the cleaned ones.
TEST(LoadTrajFileThreads, SameStoreAsOneThread) {
    std::string text;
    for (int t = 0; t < 30; ++t) {
        text += "tno=" + std::to_string(100 + t) + "\n";
        for (int i = 0; i < 50; ++i) text += line(1000 + 100 * i, i + t, t, 1.3 * i + (i % 3));
    }
    test_support::TempFolder dir;
    const std::string path = dir.write("scene.traj", text);
    TrajStore one, two;
    ASSERT_EQ(load_traj_file(one, path, print_error, {}, 1), 1);
    ASSERT_EQ(load_traj_file(two, path, print_error, {}, 2), 1);
    EXPECT_EQ(two.raw_samples.size(), two.samples.size());
    expect_same_store(one, two, "file");

    // The bundled example scene, below the size that takes threads by itself.
    const std::string example = std::string(SCENE_SOURCE_DIR) + "/examples/scene.traj";
    ASSERT_EQ(load_traj_file(one, example, print_error, {}, 1), 1);
    for (int threads : {0, 2, 3, 5}) {
        ASSERT_EQ(load_traj_file(two, example, print_error, {}, threads), 1);
        expect_same_store(one, two, "example, " + std::to_string(threads) + " threads");
    }
}
