#include "data/text_input.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include "tests/support/temp_folder.h"

namespace {}  // namespace

TEST(ReadTextFile, ReadsWholeFileAndReportsFailures) {
    std::string text(300000, 'x');
    text += "\nend";
    test_support::TempFolder dir;
    TextBuffer buffer;
    ASSERT_EQ(read_text_file(dir.write("whole.txt", text), buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_EQ(buffer.view(), text);

    EXPECT_EQ(read_text_file(dir.file("missing/none"), buffer, nullptr),
              ReadTextStatus::OpenFailed);
    EXPECT_TRUE(buffer.view().empty());
    EXPECT_EQ(read_text_file(dir.path(), buffer, nullptr), ReadTextStatus::ReadFailed);
}

TEST(ReadTextFile, ReadsFilesWhoseSizeIsNotKnownAhead) {
    // Files under /proc report a size of 0 but have text.
    TextBuffer buffer;
    ASSERT_EQ(read_text_file("/proc/self/status", buffer, nullptr), ReadTextStatus::Ok);
    EXPECT_NE(buffer.view().find("Name:"), std::string_view::npos);

    // A pipe longer than the first guess of its size.
    test_support::TempFolder dir;
    std::string fifo = dir.file("text_input_fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + "\n";
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
    EXPECT_EQ(read_text_file(fifo, buffer, nullptr), ReadTextStatus::Ok);
    writer.join();
    EXPECT_EQ(buffer.view(), text);
}

TEST(BufferLines, SplitsAtLineEnds) {
    struct Line {
        std::string text;
        size_t length;
    };
    BufferLines lines("a,b\r\n\nlong\r\r\nlast\r");
    std::vector<Line> got;
    std::string_view line;
    size_t length;
    while (lines.next(line, length)) got.push_back({std::string(line), length});
    // "\r\n" ends a line like "\n"; a lone '\r' is text.
    std::vector<std::pair<std::string, size_t>> want = {
        {"a,b", 4}, {"", 1}, {"long\r", 6}, {"last\r", 5}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].text, want[i].first) << i;
        EXPECT_EQ(got[i].length, want[i].second) << i;
    }
}
