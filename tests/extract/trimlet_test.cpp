#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "data/atomic_file.h"
#include "data/version.h"
#include "extract/traj_cut.h"
#include "tests/support/temp_folder.h"

namespace {

// A scratch folder per test, removed afterwards.
class TrimletTest : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return dir_.file(name); }

    static void write_file(const std::string& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string read_file(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static bool exists(const std::string& p) { return std::filesystem::exists(p); }

    // Runs the cutter's command line; returns what it wrote to standard error.
    std::string run(std::vector<std::string> args, int* status = nullptr) {
        args.insert(args.begin(), "trimlet");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        std::FILE* err = std::tmpfile();
        const int rc = trimlet_main(static_cast<int>(argv.size()), argv.data(), err);
        if (status) *status = rc;
        std::rewind(err);
        std::string text;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, err)) > 0) text.append(buf, n);
        std::fclose(err);
        return text;
    }

    // Cuts text with the given window and returns the output file's text.
    std::string cut(const std::string& text, const std::string& st, const std::string& ed) {
        write_file(path("in.traj"), text);
        std::vector<std::string> args = {path("in.traj"), path("out.traj")};
        if (!st.empty()) args.push_back(st);
        if (!ed.empty()) args.push_back(ed);
        run(args);
        return read_file(path("out.traj"));
    }

    test_support::TempFolder dir_;
};

// A sample line with every real equal to base + column, so interpolation is easy to read.
std::string sample(int t, int frame, double base) {
    char line[256];
    std::snprintf(line, sizeof line, "%d,%d,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g\n", t, frame, base + 3,
                  base + 4, base + 5, base + 6, base + 7, base + 8, base + 9, base + 10, base + 11,
                  base + 12, base + 13);
    return line;
}

}  // namespace

TEST_F(TrimletTest, EnteringAndLeavingGetBoundarySamples) {
    const std::string in = "tno=5\n" + sample(1000, 10, 0) + sample(2000, 11, 10) +
                           sample(3000, 12, 20) + sample(4000, 13, 30);
    const std::string out = cut(in, "1500", "3500");
    // Entry at 1500 takes the frame of the sample before the window, exit at 3500 the frame
    // of the sample after it.
    EXPECT_EQ(out,
              "tno=5\n"
              "1500,10,8.000,9.000,10.000,11.000,12.000,13.000,14.000,15.000,16.000,"
              "17.000,18.000\n" +
                  sample(2000, 11, 10) + sample(3000, 12, 20) +
                  "3500,13,28.000,29.000,30.000,31.000,32.000,33.000,34.000,35.000,"
                  "36.000,37.000,38.000\n");
}

TEST_F(TrimletTest, RunsStartingOrEndingInsideHaveNoBoundary) {
    const std::string in = "tno=1\n" + sample(2000, 1, 0) + sample(3000, 2, 0) + "tno=2\n" +
                           sample(1000, 1, 0) + sample(2500, 2, 0);
    EXPECT_EQ(cut(in, "2000", "3000"),
              "tno=1\n" + sample(2000, 1, 0) + sample(3000, 2, 0) + "tno=2\n" +
                  "2000,1,3.000,4.000,5.000,6.000,7.000,8.000,9.000,10.000,11.000,12.000,"
                  "13.000\n" +
                  sample(2500, 2, 0));
}

TEST_F(TrimletTest, ReenteringWritesSecondRunAndUntouchedTrajectoriesLeaveNoTrace) {
    const std::string in = "tno = 007\n" + sample(1000, 1, 0) + sample(3000, 2, 0) +
                           sample(1000, 3, 0) + "tno=8\n" + sample(9000, 1, 0) + sample(9500, 2, 0);
    EXPECT_EQ(cut(in, "1000", "2000"),
              "tno=7\n" + sample(1000, 1, 0) +
                  "2000,2,3.000,4.000,5.000,6.000,7.000,8.000,9.000,10.000,11.000,12.000,"
                  "13.000\n"
                  "tno=7\n"
                  "2000,2,3.000,4.000,5.000,6.000,7.000,8.000,9.000,10.000,11.000,12.000,"
                  "13.000\n" +
                  sample(1000, 3, 0));
}

TEST_F(TrimletTest, BackwardsTimeCrossesTheRightEdges) {
    // Time runs from after the window into it and out before it.
    const std::string in = "tno=3\n" + sample(4000, 1, 0) + sample(2000, 2, 20) + sample(0, 3, 40);
    EXPECT_EQ(cut(in, "1000", "3000"),
              "tno=3\n"
              "3000,1,13.000,14.000,15.000,16.000,17.000,18.000,19.000,20.000,21.000,22.000,"
              "23.000\n" +
                  sample(2000, 2, 20) +
                  "1000,3,33.000,34.000,35.000,36.000,37.000,38.000,39.000,40.000,41.000,"
                  "42.000,43.000\n");
}

TEST_F(TrimletTest, CopiesLinesByteForByteAndSkipsWhatIsNoSample) {
    const std::string odd = "2000 ,  5\t1.50000 2 3 4 5 6 7 8 9 10 11\r\n";
    const std::string longline =
        "2100,6,1,2,3,4,5,6,7,8,9,10,11" + std::string(400, ' ') + "trailing-notes\n";
    const std::string in = sample(2000, 0, 0) +  // before any tno: dropped
                           "# comment\n"
                           " tno=9\n"  // not a header: ignored
                           "TNO,4\n"
                           "\n" +
                           odd + "2050,5,1,2,3,4,5,6,7,8,9,10\n"  // 12 fields: no sample
                           + longline + "-100,1,2,3,4,5,6,7,8,9,10,11,12\n";
    EXPECT_EQ(cut(in, "", ""), "tno=4\n" + odd + longline);
}

TEST_F(TrimletTest, ShortLinesDoNotAdvanceTheSampleIndex) {
    // The 12-field line before the first real sample must not make it look like a later
    // sample, which would ask for a boundary against nothing.
    const std::string in = "tno=1\n2500,5,1,2,3,4,5,6,7,8,9,10\n" + sample(2500, 6, 0);
    EXPECT_EQ(cut(in, "2000", "3000"), "tno=1\n" + sample(2500, 6, 0));
    // Nor before the window: the entry is interpolated from the last complete sample.
    const std::string before = "tno=1\n1000,5,1,2,3,4,5,6,7,8,9,10\n" + sample(2500, 6, 0) +
                               "tno=2\n" + sample(1000, 7, 0) + "1500,8,1,2,3,4,5,6,7,8,9,10\n" +
                               sample(3000, 9, 0);
    EXPECT_EQ(cut(before, "2000", "3000"),
              "tno=1\n" + sample(2500, 6, 0) +
                  "tno=2\n"
                  "2000,7,3.000,4.000,5.000,6.000,7.000,8.000,9.000,10.000,11.000,12.000,"
                  "13.000\n" +
                  sample(3000, 9, 0));
}

TEST_F(TrimletTest, EqualTimesWriteNoBoundary) {
    const std::string in = "tno=1\n" + sample(1000, 1, 0) + sample(1000, 2, 0) +
                           sample(2000, 3, 0) + sample(2000, 4, 0) + sample(9000, 5, 0);
    // 1000 -> 1000 stays outside; 1000 -> 2000 enters (boundary); 2000 -> 9000 leaves
    // from a sample on the edge, which is its own boundary.
    const std::string out = cut(in, "1500", "2000");
    EXPECT_EQ(out.rfind("tno=1\n1500,2,", 0), 0u) << out;
    EXPECT_EQ(out.find("2000,5,"), std::string::npos) << out;
}

TEST_F(TrimletTest, SampleOnAWindowEdgeIsItsOwnBoundary) {
    // Samples every 1000 ms; frames count from 1. An edge on a sample writes that sample
    // once, with its own frame; an edge between samples still gets its boundary sample.
    const std::string forward = "tno=1\n" + sample(1000, 1, 0) + sample(2000, 2, 10) +
                                sample(3000, 3, 20) + sample(4000, 4, 30);
    const std::string backward = "tno=1\n" + sample(4000, 4, 30) + sample(3000, 3, 20) +
                                 sample(2000, 2, 10) + sample(1000, 1, 0);
    struct Case {
        const char* what;
        const std::string& in;
        const char* st;
        const char* ed;
        std::string expected;
    };
    const Case cases[] = {
        {"both edges on samples", forward, "2000", "3000",
         "tno=1\n" + sample(2000, 2, 10) + sample(3000, 3, 20)},
        {"entry on a sample, exit between", forward, "2000", "3500",
         "tno=1\n" + sample(2000, 2, 10) + sample(3000, 3, 20) +
             "3500,4,28.000,29.000,30.000,31.000,32.000,33.000,34.000,35.000,36.000,37.000,"
             "38.000\n"},
        {"entry between, exit on a sample", forward, "1500", "3000",
         "tno=1\n1500,1,8.000,9.000,10.000,11.000,12.000,13.000,14.000,15.000,16.000,17.000,"
         "18.000\n" +
             sample(2000, 2, 10) + sample(3000, 3, 20)},
        {"a window of one instant on a sample", forward, "3000", "3000",
         "tno=1\n" + sample(3000, 3, 20)},
        {"time running backwards", backward, "2000", "3000",
         "tno=1\n" + sample(3000, 3, 20) + sample(2000, 2, 10)},
    };
    for (const Case& c : cases) EXPECT_EQ(cut(c.in, c.st, c.ed), c.expected) << c.what;
}

TEST_F(TrimletTest, MinusOneOpensTheWindowOtherNegativesCompareAsTheyStand) {
    const std::string in = "tno=1\n" + sample(1000, 1, 0) + sample(5000, 2, 0);
    EXPECT_EQ(cut(in, "", ""), in);
    EXPECT_EQ(cut(in, "-1", "-1"), in);
    EXPECT_EQ(cut(in, "3000", "-1").substr(0, 11), "tno=1\n3000,");
    EXPECT_EQ(cut(in, "-1", "3000"),
              "tno=1\n" + sample(1000, 1, 0) +
                  "3000,2,3.000,4.000,5.000,6.000,7.000,8.000,9.000,10.000,11.000,12.000,"
                  "13.000\n");

    // An end of -2 admits nothing: no file, failure reported.
    std::remove(path("out.traj").c_str());
    write_file(path("in.traj"), in);
    int status = 0;
    EXPECT_EQ(run({path("in.traj"), path("out.traj"), "0", "-2"}, &status),
              "Trimlet failure:" + path("out.traj") + ".\n");
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(exists(path("out.traj")));
}

TEST_F(TrimletTest, OutputNaming) {
    const std::pair<std::string, std::string> cases[] = {
        {"out.traj", "out.traj"},     {"out.TRAJ", "out.TRAJ"},
        {"out.traj2", "out.traj2"},   {"out.trajectory", "out.trajectory"},
        {"out", "out.traj"},          {"out.txt", "out.txt.traj"},
        {".traj", ".traj.traj"},      {"out.tra", "out.tra.traj"},
        {"d.traj/out", "d.traj/out"},  // the extension is "traj/out", as the split rule says
    };
    for (const auto& [given, want] : cases) EXPECT_EQ(trimlet_output_name(given), want);

    write_file(path("in.traj"), "tno=1\n" + sample(1000, 1, 0));
    EXPECT_EQ(run({path("in.traj"), path("cut"), "0", "2000"}),
              "Trimlet succeeded:" + path("cut.traj") + ".\n");
    EXPECT_TRUE(exists(path("cut.traj")));
}

TEST_F(TrimletTest, UsageAndFailuresAreReportedWithStatusOne) {
    int status = 0;
    EXPECT_EQ(run({"only-one"}, &status),
              "Usage : trimlet [itrajfile] [otrajfile] [st_milli] [ed_milli]\n"
              "[itrajfile]: input traj file.\n"
              "[otrajfile]: output traj file.\n"
              "[st_milli, ed_milli]: time period, default=-1 means the start or the end of "
              "the stream.\n");
    EXPECT_EQ(status, 1);

    const std::string missing = path("missing.traj");
    EXPECT_EQ(run({missing, path("o.traj")}, &status),
              "Open data file failure: " + missing +
                  " (No such file or directory)\nTrimlet failure:" + path("o.traj") + ".\n");
    EXPECT_EQ(status, 1);

    write_file(path("in.traj"), "tno=1\n" + sample(1000, 1, 0));
    const std::string unwritable = path("no/such/dir/o.traj");
    EXPECT_EQ(run({path("in.traj"), unwritable}, &status),
              "Open data file failure: " + unwritable +
                  " (No such file or directory)\nTrimlet failure:" + unwritable + ".\n");
    EXPECT_EQ(status, 1);
}

TEST_F(TrimletTest, ACutMayReplaceItsOwnInput) {
    // The input is let go before the cut replaces its target (on Windows a mapped
    // file cannot be replaced).
    const std::string in = path("in.traj");
    const std::string text = "tno=1\n" + sample(1000, 1, 0) + sample(2000, 2, 0);
    write_file(in, text);
    EXPECT_EQ(run({in, in, "1000", "1000"}), "Trimlet succeeded:" + in + ".\n");
    EXPECT_EQ(read_file(in), "tno=1\n" + sample(1000, 1, 0));
}

TEST_F(TrimletTest, AnInputThatCannotBeReadIsNamed) {
    // A folder: Linux opens it and fails to read it, Windows refuses to open it.
    int status = 0;
    const std::string out = path("o.traj");
    const std::string message = run({dir_.path(), out}, &status);
    const bool named = message.rfind("Read failure: " + dir_.path() + " (", 0) == 0 ||
                       message.rfind("Open data file failure: " + dir_.path() + " (", 0) == 0;
    EXPECT_TRUE(named) << message;
    EXPECT_NE(message.find(")\nTrimlet failure:" + out + ".\n"), std::string::npos) << message;
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(exists(out));
}

// Input that would need unbounded memory or a number beyond the 32-bit range, and a
// disk that fills up: the cut fails, says where and why, and leaves the old output.
TEST_F(TrimletTest, BadInputAndAFullDiskFailNamingTheFileAndLine) {
    const std::string old_output = "precious\n";
    const std::string good = "tno=1\n" + sample(1000, 1, 0) + sample(2000, 2, 1);
    const std::string long_line = std::string((size_t{65} << 20), '7') + "\n";
    struct Case {
        std::string input;
        WriteFaults faults;
        std::string message;
    };
    const std::string in = path("in.traj"), out = path("out.traj");
    const Case cases[] = {
        {good + long_line + sample(3000, 3, 2),
         {},
         "Line too long: " + in + " line 4 (over 64 MiB)"},
        // One past the largest 32-bit time.
        {good + "tno=2\n" + sample(1000, 1, 0) + "2147483648" + sample(0, 2, 0).substr(1),
         {},
         "Invalid TRAJ file: " + in + " line 6 (time out of range)"},
        {good, {10, 0}, "Write failure: " + out + " (No space left on device)"},
        {good, {-1, 1}, "Write failure: " + out + " (No space left on device)"},
    };
    for (const Case& c : cases) {
        write_file(out, old_output);
        write_file(in, c.input);
        set_write_faults(c.faults);
        int status = 0;
        const std::string message = run({in, out}, &status);
        set_write_faults({});
        EXPECT_EQ(message, c.message + "\nTrimlet failure:" + out + ".\n");
        EXPECT_EQ(read_file(out), old_output);
        const auto entries = std::filesystem::directory_iterator(dir_.path());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);
    }
    // The largest time is still a time.
    write_file(in, "tno=1\n2147483647" + sample(0, 2, 0).substr(1));
    EXPECT_EQ(run({in, out}), "Trimlet succeeded:" + out + ".\n");
}

TEST_F(TrimletTest, NoSampleInsideLeavesAnExistingOutputAlone) {
    write_file(path("out.traj"), "precious\n");
    write_file(path("in.traj"), "tno=1\n" + sample(1000, 1, 0));
    run({path("in.traj"), path("out.traj"), "5000", "6000"});
    EXPECT_EQ(read_file(path("out.traj")), "precious\n");
    // No temporary file is left beside it.
    const auto entries = std::filesystem::directory_iterator(dir_.path());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);
}

namespace {

// Collects what the cutter writes, counting the writes.
class StringOutput : public CutOutput {
  public:
    bool open() override { return true; }
    void write(std::string_view text) override {
        bytes.append(text);
        ++writes;
    }
    std::string bytes;
    int writes = 0;
};

// Cuts text read from a file in blocks of block_size bytes.
std::string cut_in_blocks(const std::string& text, const CutWindow& window, size_t block_size,
                          int* writes = nullptr) {
    std::FILE* in = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    StringOutput out;
    TrajCutter cutter(window, out);
    EXPECT_EQ(cut_traj_stream(in, cutter, block_size), CutStop::Done);
    std::fclose(in);
    if (writes) *writes = out.writes;
    return out.bytes;
}

}  // namespace

TEST(TrimletBlocks, LinesCrossingBlockEdgesCutAsWhole) {
    // CRLF lines, a sample line far longer than the small blocks, a short line inside
    // a run, and a last line without a newline; every block size puts the block edges
    // somewhere else, including inside the previous sample of a boundary.
    std::string crlf = sample(1000, 1, 0);
    crlf.insert(crlf.size() - 1, "\r");
    const std::string longline =
        "2500,3,1,2,3,4,5,6,7,8,9,10,11" + std::string(3000, ' ') + "notes\r\n";
    std::string last = sample(3200, 2, 0);
    last.pop_back();
    const std::string in =
        "# time,frame,...\r\n"
        "tno=1\r\n" +
        crlf + sample(2000, 2, 10) + longline + sample(3000, 4, 20) + sample(4000, 5, 30) +
        "tno=2\n" + sample(3000, 1, 0) + "3100,2,1,2\n" + last;
    const std::string want =
        "tno=1\n"
        "1500,1,8.000,9.000,10.000,11.000,12.000,13.000,14.000,15.000,16.000,17.000,18.000\n" +
        sample(2000, 2, 10) + longline + sample(3000, 4, 20) +
        "3500,5,28.000,29.000,30.000,31.000,32.000,33.000,34.000,35.000,36.000,37.000,"
        "38.000\n"
        "tno=2\n" +
        sample(3000, 1, 0) + last;
    CutWindow window;
    window.st_milli = 1500;
    window.ed_milli = 3500;
    std::vector<size_t> sizes = {256, 4093, 4096, size_t{1} << 18};
    for (size_t s = 1; s <= 100; ++s) sizes.push_back(s);
    for (size_t block_size : sizes) {
        EXPECT_EQ(cut_in_blocks(in, window, block_size), want) << "block " << block_size;
    }
}

TEST(TrimletBlocks, KeptLinesThatFollowEachOtherGoOutInOneWrite) {
    std::string run;
    for (int k = 0; k < 200; ++k) run += sample(1000 + k, k, 0);
    const std::string in = "tno=1\n" + run + "# a skipped line splits the run\n" + run;
    int writes = 0;
    EXPECT_EQ(cut_in_blocks(in, CutWindow{}, size_t{1} << 18, &writes), "tno=1\n" + run + run);
    EXPECT_EQ(writes, 3);  // the header and the two runs
}

// The cutter's arguments are four words in their places: --help and --version
// count only on their own, anything else (a leading '-' included) is a file name or
// a time, and words after the fourth are ignored.
TEST_F(TrimletTest, ArgumentsWordForWord) {
    const std::string usage =
        "Usage : trimlet [itrajfile] [otrajfile] [st_milli] [ed_milli]\n"
        "[itrajfile]: input traj file.\n"
        "[otrajfile]: output traj file.\n"
        "[st_milli, ed_milli]: time period, default=-1 means the start or the end of the "
        "stream.\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const std::string o = path("o");
    const Case cases[] = {
        {{}, 1, "", usage},
        {{"-1"}, 1, "", usage},
        {{"--bogus"}, 1, "", usage},
        {{"-h"}, 1, "", usage},
        {{"--help"}, 0, usage + "trimlet --help | --version: this text, or the version.\n", ""},
        {{"--version"}, 0, std::string("trimlet ") + tools_version() + "\n", ""},
        {{"--help", o},
         1,
         "",
         "Open data file failure: --help (No such file or directory)\nTrimlet failure:" + o +
             ".traj.\n"},
        {{"--version", o, "0", "10"},
         1,
         "",
         "Open data file failure: --version (No such file or directory)\nTrimlet failure:" + o +
             ".traj.\n"},
        {{"-x", o},
         1,
         "",
         "Open data file failure: -x (No such file or directory)\nTrimlet failure:" + o +
             ".traj.\n"},
        {{"", o},
         1,
         "",
         "Open data file failure:  (No such file or directory)\nTrimlet failure:" + o + ".traj.\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        int status = -1;
        const std::string err = run(c.args, &status);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(status, c.status) << shown;
        EXPECT_EQ(out, c.out) << shown;
        EXPECT_EQ(err, c.err) << shown;
    }
    EXPECT_FALSE(exists(o + ".traj"));

    // The program's name in the usage is the one it was called by.
    std::string name = "/opt/bin/trimlet-1";
    char* argv[] = {name.data(), nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(trimlet_main(1, argv), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().substr(0, 40),
              "Usage : /opt/bin/trimlet-1 [itrajfile] [");
    char* none[] = {nullptr};
    testing::internal::CaptureStderr();
    EXPECT_EQ(trimlet_main(0, none), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), usage);
}

// The times read as C reads a number's leading digits; a word after them is ignored.
TEST_F(TrimletTest, TimesReadTheirLeadingDigits) {
    const std::string in = "tno=1\n" + sample(1000, 1, 0) + sample(2000, 2, 0) +
                           sample(3000, 3, 0) + sample(4000, 4, 0);
    const std::string plain = cut(in, "1500", "3500");
    EXPECT_EQ(plain.substr(0, 11), "tno=1\n1500,");
    std::remove(path("out.traj").c_str());
    int status = 0;
    EXPECT_EQ(run({path("in.traj"), path("out.traj"), " 1500ms", "3500.9", "extra"}, &status),
              "Trimlet succeeded:" + path("out.traj") + ".\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(read_file(path("out.traj")), plain);
    // A word that is no number is 0.
    EXPECT_EQ(cut(in, "start", "2500"), cut(in, "0", "2500"));
}
